#include "camera/FlightTimeline.h"

#include "scene/Scene.h"

void FlightTimeline::MoveToFrame(std::int64_t frame, std::int32_t fps) {
    // Tick k starts at k * 0.032 s; the frame lies fraction f of the way from tick k to k + 1.
    const std::int64_t numerator = frame * kTicksPerSecondNumerator;
    const std::int64_t denominator = kTicksPerSecondDenominator * fps;
    const std::int64_t tick = numerator / denominator;
    const auto fraction =
        static_cast<float>(static_cast<double>(numerator % denominator) / denominator);
    // Tick k + 1 draws the camera of moment k and moves it on to that of moment k + 1, the two
    // places the view between ticks runs from and to.
    while (ticks_ < tick + 1) {
        scene_.TickCamera();
        ++ticks_;
    }
    scene_.view = scene_.ViewBetweenTicks(fraction);
}
