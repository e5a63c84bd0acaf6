// The flight camera: two key frames around the current path step, a parameter between them that
// advances by a decaying speed on every timer tick, and the wheel that changes the speed.

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "scene/Scene.h"

namespace {

// Eye, target and up of one path step: the eye 5000 units out along d x w above the step's
// midpoint, where w = (-d.y, d.x, d.z) is also the up vector (and the ribbon's offset).
struct StepFrame {
    Vec3 eye;
    Vec3 target;
    Vec3 up;
};

StepFrame FrameOfStep(const std::vector<Vec3>& points, std::size_t index) {
    const Vec3 d = points[index + 1] - points[index];
    StepFrame frame;
    frame.target = points[index] + d * 0.5f;
    const Vec3 w = {-d.y, d.x, d.z};
    const Vec3 s = Normalize(Cross(d, w));
    frame.up = Normalize(w);
    frame.eye = frame.target + s * 5000.0f;
    return frame;
}

// The view between key frames a and b at parameter t; the up vector is not re-normalised.
Matrix ViewBetween(const StepFrame& a, const StepFrame& b, float t) {
    const Vec3 eye = a.eye + (b.eye - a.eye) * t;
    const Vec3 target = a.target + (b.target - a.target) * t;
    const Vec3 up = a.up + (b.up - a.up) * t;
    return LookAtRH(eye, target, up);
}

}  // namespace

void Scene::ComputeKeyFrame(std::int32_t index, Vec3& eye, Vec3& target, Vec3& up) const {
    const auto n = static_cast<std::int64_t>(pathPoints.size());
    std::int64_t i = index;
    if (i + 1 >= n) {
        i = n - 2;
    }
    if (i < 0) {
        return;
    }
    const StepFrame frame = FrameOfStep(pathPoints, static_cast<std::size_t>(i));
    eye = frame.eye;
    target = frame.target;
    up = frame.up;
}

void Scene::InitCamera() {
    const auto n = static_cast<std::int64_t>(pathPoints.size());
    if (n <= 1) {
        return;
    }
    if (cameraIndex < 0) {
        cameraIndex = 0;
    }
    if (cameraIndex >= n - 1) {
        cameraIndex = 0;
    }
    // The step's own up vector is not used: the first frame after a build shows world +y
    // upwards, and the first tick turns to the key frame's up.
    const StepFrame frame = FrameOfStep(pathPoints, static_cast<std::size_t>(cameraIndex));
    view = LookAtRH(frame.eye, frame.target, {0.0f, 1.0f, 0.0f});
}

void Scene::TickCamera() {
    // The view shows the state at the start of the tick, so a wheel turn shows one tick later.
    view = ViewBetween({eyeA, targetA, upA}, {eyeB, targetB, upB}, cameraT);

    // Cruise keeps the same decay, only towards its own speed: the wheel still pushes the
    // flight, which then settles back.
    cameraSpeed = cruise ? cruiseSpeed + (cameraSpeed - cruiseSpeed) * 0.95f : cameraSpeed * 0.95f;
    const float t = cameraT + cameraSpeed;
    cameraT = t;
    const auto n = static_cast<std::int64_t>(pathPoints.size());
    if (t < 0.0f) {
        // cameraT lies in [0, 1) and the decayed speed is at least -0.475, so t > -1 and k = -1.
        const auto k = static_cast<std::int32_t>(t - 1.0f);
        cameraIndex += k;
        cameraT = t - static_cast<float>(k);
        if (cameraIndex < 0) {
            cameraIndex = 0;
            cameraSpeed = 0.0f;
            cameraT = 0.0f;
        }
    } else if (t >= 1.0f) {
        const auto k = static_cast<std::int32_t>(t);
        cameraIndex += k;
        cameraT = t - static_cast<float>(k);
        if (cameraIndex >= n - 1) {
            cameraIndex = 0;
        }
    } else {
        return;
    }
    ComputeKeyFrame(cameraIndex, eyeA, targetA, upA);
    ComputeKeyFrame(cameraIndex + 1, eyeB, targetB, upB);
}

void Scene::ChangeSpeed(std::int16_t delta) {
    cameraSpeed = cameraSpeed - static_cast<float>(delta) / 10000.0f;
    if (cameraSpeed > 0.5f) {
        cameraSpeed = 0.5f;
    }
    if (cameraSpeed < -0.5f) {
        cameraSpeed = -0.5f;
    }
}

void Scene::SetCruise(bool on) {
    cruise = on;
    if (on) {
        cameraSpeed = cruiseSpeed;
    }
}

void Scene::PlaceCamera(std::int64_t index) {
    const auto n = static_cast<std::int64_t>(pathPoints.size());
    if (n < 2) {
        return;
    }
    cameraIndex = static_cast<std::int32_t>(std::clamp<std::int64_t>(index, 0, n - 2));
    cameraT = 0.0f;
    ComputeKeyFrame(cameraIndex, eyeA, targetA, upA);
    ComputeKeyFrame(cameraIndex + 1, eyeB, targetB, upB);
    // The key frame's own up, as the next tick will show it: no turn when that tick comes.
    view = ViewBetween({eyeA, targetA, upA}, {eyeB, targetB, upB}, 0.0f);
}

Matrix Scene::ViewBetweenTicks(float fraction) const {
    // The next tick shows (cameraIndex, cameraT); the last one showed the place cameraSpeed
    // before it, which may lie on the neighbouring step.
    float t = cameraT - (1.0f - fraction) * cameraSpeed;
    std::int32_t index = cameraIndex;
    if (t < 0.0f) {
        --index;
        t += 1.0f;
    } else if (t >= 1.0f) {
        ++index;
        t -= 1.0f;
    }
    StepFrame a{eyeA, targetA, upA};
    StepFrame b{eyeB, targetB, upB};
    if (index < 0) {
        // Moved back onto the start, or wrapped round from the end: no step lies before it.
        t = 0.0f;
    } else if (index != cameraIndex) {
        ComputeKeyFrame(index, a.eye, a.target, a.up);
        ComputeKeyFrame(index + 1, b.eye, b.target, b.up);
    }
    return ViewBetween(a, b, t);
}
