#include <gtest/gtest.h>

#include <vector>

#include "camera/FlightTimeline.h"
#include "scene/Scene.h"

namespace {

// Two scenes on the straight path (200 k, 0, 0): one the timeline moves, one ticked by hand as
// the window ticks it. On that path the view's eye lies at x = 200 * position + 100 (position =
// step index plus the parameter within the step), and the view holds -x in its translation.
class FlightTimelineTest : public testing::Test {
  protected:
    void Start(std::size_t points, std::int32_t index, float speed) {
        for (Scene* scene : {&timed, &ticked}) {
            scene->pathPoints.clear();
            for (std::size_t k = 0; k < points; ++k) {
                scene->pathPoints.push_back({200.0f * static_cast<float>(k), 0.0f, 0.0f});
            }
            scene->cameraIndex = index;
            scene->cameraT = 0.0f;
            scene->cameraSpeed = speed;
            scene->ComputeKeyFrame(index, scene->eyeA, scene->targetA, scene->upA);
            scene->ComputeKeyFrame(index + 1, scene->eyeB, scene->targetB, scene->upB);
        }
    }
    static double Position(const Scene& scene) {
        return scene.cameraIndex + static_cast<double>(scene.cameraT);
    }
    static double ShownPosition(const Matrix& view) {
        return (-static_cast<double>(view.m[3][0]) - 100.0) / 200.0;
    }

    Scene timed;
    Scene ticked;
};

TEST_F(FlightTimelineTest, FramesOnTicksShowThoseTicksAndFramesBetweenLieOnTheLineBetween) {
    Start(100, 5, 0.4f);
    // The window's flight: the position at the start of every tick.
    std::vector<double> positions = {Position(ticked)};
    for (int tick = 0; tick < 60; ++tick) {
        ticked.TickCamera();
        EXPECT_NEAR(ShownPosition(ticked.view), positions.back(), 1e-5) << tick;
        positions.push_back(Position(ticked));
    }
    for (const int fps : {24, 25, 30, 50, 60}) {
        Start(100, 5, 0.4f);
        FlightTimeline timeline(timed);
        for (int frame = 0; frame < fps; ++frame) {
            timeline.MoveToFrame(frame, fps);
            // 31.25 ticks a second.
            const double at = frame * 31.25 / fps;
            const auto tick = static_cast<std::size_t>(at);
            const double fraction = at - static_cast<double>(tick);
            EXPECT_NEAR(ShownPosition(timed.view),
                        positions[tick] + (positions[tick + 1] - positions[tick]) * fraction, 1e-5)
                << fps << " fps, frame " << frame;
            EXPECT_EQ(timeline.ticks(), static_cast<std::int64_t>(tick) + 1);
        }
    }
}

TEST_F(FlightTimelineTest, AtASteadyCruiseEveryFrameMovesTheSameDistance) {
    for (const int fps : {24, 25, 30, 50, 60}) {
        // 4 characters a second from character 10 of a path of 200 steps.
        Start(201, 10, 0.0f);
        timed.cruiseSpeed = 4.0f / kTicksPerSecond;
        timed.SetCruise(true);
        FlightTimeline timeline(timed);
        const double step = 4.0 / fps;
        timeline.MoveToFrame(0, fps);
        double last = ShownPosition(timed.view);
        EXPECT_NEAR(last, 10.0, 1e-4);
        for (int frame = 1; frame <= 30 * fps; ++frame) {
            timeline.MoveToFrame(frame, fps);
            const double moved = ShownPosition(timed.view) - last;
            ASSERT_NEAR(moved, step, step * 0.01) << fps << " fps, frame " << frame;
            last = ShownPosition(timed.view);
        }
        // Thirty seconds at 4 a second.
        EXPECT_NEAR(last, 130.0, 0.01) << fps;
    }
}

TEST_F(FlightTimelineTest, TheWrapToTheStartComesOnceAndTheViewStaysOnThePath) {
    // Ten points, nine steps: from step 7 at 0.47 a tick the camera passes the end in a few ticks.
    Start(10, 7, 0.47f);
    FlightTimeline timeline(timed);
    double last = -1.0;
    int wraps = 0;
    for (int frame = 0; frame < 30; ++frame) {
        timeline.MoveToFrame(frame, 60);
        const double shown = ShownPosition(timed.view);
        if (shown < last) {
            ++wraps;
            EXPECT_LT(shown, 1.0) << frame;
        } else {
            EXPECT_GE(shown, last) << frame;
        }
        last = shown;
        // Its eye is above the line y = 0.
        EXPECT_NEAR(timed.view.m[3][2], -5000.0f, 1.0f) << frame;
    }
    EXPECT_EQ(wraps, 1);
}

}  // namespace
