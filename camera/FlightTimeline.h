#pragma once

#include <cstdint>

struct Scene;

// The flight camera at any moment, not only on its 32 ms ticks: a video's frames fall between
// ticks. The camera still moves tick by tick through Scene::TickCamera, so a recorded flight is
// the flight the window shows; between two ticks the view is the one Scene::ViewBetweenTicks
// places by the fraction of the tick that has passed, so at a steady speed every frame moves the
// same distance.
class FlightTimeline {
  public:
    // 1 / 0.032 s = 125 / 4 ticks a second, kept as a fraction so that frame times are exact.
    static constexpr std::int64_t kTicksPerSecondNumerator = 125;
    static constexpr std::int64_t kTicksPerSecondDenominator = 4;

    // The scene's camera as it stands is the moment 0.
    explicit FlightTimeline(Scene& scene) : scene_(scene) {}

    // Sets the scene's view to the flight frame / fps seconds after the start, running the ticks
    // up to that moment. Moments must not go backwards.
    void MoveToFrame(std::int64_t frame, std::int32_t fps);

    std::int64_t ticks() const { return ticks_; }

  private:
    Scene& scene_;
    std::int64_t ticks_ = 0;
};
