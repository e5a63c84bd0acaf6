#include <gtest/gtest.h>

#include "camera/FlightTimeline.h"
#include "scene/Scene.h"
#include "tests/support/MatrixMatchers.h"

namespace {

// Two scenes on the straight path (200 k, 0, 0): one the timeline moves, one ticked by hand as
// the window ticks it.
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

    Scene timed;
    Scene ticked;
};

TEST_F(FlightTimelineTest, FramesOnTicksShowThoseTicksAndFramesBetweenLieOnTheLineBetween) {
    Start(100, 5, 0.4f);
    // The window's flight: the position at the start of every tick, and the view it draws.
    std::vector<double> positions = {Position(ticked)};
    std::vector<Matrix> views;
    for (int tick = 0; tick < 60; ++tick) {
        ticked.TickCamera();
        views.push_back(ticked.view);
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
            EXPECT_NEAR(timeline.position(),
                        positions[tick] + (positions[tick + 1] - positions[tick]) * fraction, 1e-9)
                << fps << " fps, frame " << frame;
            if (fraction == 0.0) {
                EXPECT_TRUE(MatrixNear(timed.view, views[tick], 0.0f)) << fps << " " << frame;
            }
        }
    }
}

TEST_F(FlightTimelineTest, AtASteadyCruiseEveryFrameMovesTheSameDistance) {
    for (const int fps : {24, 25, 30, 50, 60}) {
        // 4 characters a second over a path of 200 steps, through the wrap to its start.
        Start(201, 150, 0.0f);
        timed.cruiseSpeed = 4.0f / kTicksPerSecond;
        timed.SetCruise(true);
        FlightTimeline timeline(timed);
        const double step = 4.0 / fps;
        double last = timeline.position();
        for (int frame = 1; frame <= 30 * fps; ++frame) {
            timeline.MoveToFrame(frame, fps);
            const double moved = timeline.position() - last;
            ASSERT_NEAR(moved, step, step * 0.01) << fps << " fps, frame " << frame;
            last = timeline.position();
        }
        // Thirty seconds at 4 a second from character 150, round the 200 steps of the path.
        EXPECT_NEAR(last, 270.0, 0.01) << fps;
        EXPECT_EQ(timed.cameraIndex, 70) << fps;
    }
}

TEST_F(FlightTimelineTest, TheWrapToTheStartKeepsMovingForwards) {
    // Ten points, nine steps: from step 7 at 0.45 a tick the camera passes the end in a few ticks.
    Start(10, 7, 0.47f);
    FlightTimeline timeline(timed);
    double last = -1.0;
    bool wrapped = false;
    for (int frame = 0; frame < 30; ++frame) {
        timeline.MoveToFrame(frame, 60);
        EXPECT_GT(timeline.position(), last) << frame;
        last = timeline.position();
        wrapped = wrapped || timed.cameraIndex < 7;
        // The view stays that of a point on the path: its eye is above the line y = 0.
        const Vec3 eyeInView = {timed.view.m[3][0], timed.view.m[3][1], timed.view.m[3][2]};
        EXPECT_NEAR(eyeInView.z, -5000.0f, 1.0f) << frame;
    }
    EXPECT_TRUE(wrapped);
    EXPECT_GT(last, 9.0);
}

}  // namespace
