#include "camera/FlightTimeline.h"

#include <cmath>

#include "scene/Scene.h"

namespace {

double RawPosition(const Scene& scene) {
    return static_cast<double>(scene.cameraIndex) + static_cast<double>(scene.cameraT);
}

}  // namespace

FlightTimeline::FlightTimeline(Scene& scene) : scene_(scene) {
    lastRaw_ = RawPosition(scene);
    before_ = lastRaw_;
    after_ = lastRaw_;
    position_ = lastRaw_;
}

void FlightTimeline::Tick() {
    scene_.TickCamera();
    ++ticks_;
    const double raw = RawPosition(scene_);
    // Moving on past the last step starts the path again at step 0 with the fraction kept: the
    // position counts on by the n - 1 steps the path has, so that interpolation never runs
    // backwards across the wrap.
    if (scene_.cameraSpeed > 0.0f && raw < lastRaw_) {
        ++wraps_;
    }
    lastRaw_ = raw;
    const auto steps = static_cast<double>(scene_.pathPoints.size()) - 1.0;
    before_ = after_;
    after_ = raw + static_cast<double>(wraps_) * (steps > 0.0 ? steps : 0.0);
}

void FlightTimeline::MoveToFrame(std::int64_t frame, std::int32_t fps) {
    // Tick k starts at k * 0.032 s; the frame lies fraction f of the way from tick k to k + 1.
    const std::int64_t numerator = frame * kTicksPerSecondNumerator;
    const std::int64_t denominator = kTicksPerSecondDenominator * fps;
    const std::int64_t tick = numerator / denominator;
    const double fraction =
        static_cast<double>(numerator % denominator) / static_cast<double>(denominator);
    // After tick + 1 ticks the scene holds the state of tick k + 1, `before_` that of tick k.
    while (ticks_ < tick + 1) {
        Tick();
    }
    position_ = before_ + (after_ - before_) * fraction;
    const std::size_t n = scene_.pathPoints.size();
    if (n < 2) {
        return;
    }
    const double wrapped = std::fmod(position_, static_cast<double>(n - 1));
    const auto index = static_cast<std::int32_t>(std::floor(wrapped));
    const auto t = static_cast<float>(wrapped - static_cast<double>(index));
    Vec3 eyeA, targetA, upA, eyeB, targetB, upB;
    scene_.ComputeKeyFrame(index, eyeA, targetA, upA);
    scene_.ComputeKeyFrame(index + 1, eyeB, targetB, upB);
    // The same interpolation as a tick's, so a frame on a tick shows exactly that tick's view.
    scene_.view = LookAtRH(eyeA + (eyeB - eyeA) * t, targetA + (targetB - targetA) * t,
                           upA + (upB - upA) * t);
}
