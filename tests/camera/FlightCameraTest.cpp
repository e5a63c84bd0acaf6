#include <gtest/gtest.h>

#include "scene/Scene.h"
#include "tests/support/MatrixMatchers.h"
#include "tests/support/ScopedRandom.h"

namespace {

// A scene whose path is the straight line (200 k, 0, 0) with n points.
class FlightCamera : public testing::Test {
  protected:
    void Lay(std::size_t n) {
        scene.pathPoints.clear();
        for (std::size_t k = 0; k < n; ++k) {
            scene.pathPoints.push_back({200.0f * static_cast<float>(k), 0.0f, 0.0f});
        }
    }
    void KeyFramesAt(std::int32_t index) {
        scene.cameraIndex = index;
        scene.ComputeKeyFrame(index, scene.eyeA, scene.targetA, scene.upA);
        scene.ComputeKeyFrame(index + 1, scene.eyeB, scene.targetB, scene.upB);
    }
    // Moves the camera with one tick that ends at parameter t (before decay is applied).
    void TickTo(float t) {
        scene.cameraT = 0.0f;
        scene.cameraSpeed = t / 0.95f;
        scene.TickCamera();
    }

    ScopedRandom random;
    Scene scene;
    const Vec3 sentinel{-1.0f, -2.0f, -3.0f};
};

TEST_F(FlightCamera, KeyFrameOfAStepInThePlaneLooksDownAtItsMidpoint) {
    scene.pathPoints = {{0, 0, 0}, {200, 0, 0}, {200, 200, 0}};
    Vec3 eye, target, up;
    scene.ComputeKeyFrame(0, eye, target, up);
    EXPECT_EQ(target, (Vec3{100, 0, 0}));
    EXPECT_TRUE(VecNear(eye, {100, 0, 5000}, 1e-3f));
    EXPECT_TRUE(VecNear(up, {0, 1, 0}, 1e-6f));
    scene.ComputeKeyFrame(1, eye, target, up);
    EXPECT_EQ(target, (Vec3{200, 100, 0}));
    EXPECT_TRUE(VecNear(eye, {200, 100, 5000}, 1e-3f));
    EXPECT_TRUE(VecNear(up, {-1, 0, 0}, 1e-6f));
}

TEST_F(FlightCamera, KeyFrameOfAClimbingStepKeepsUnitVectors) {
    scene.pathPoints = {{0, 0, 0}, {200, 0, 50}};
    Vec3 eye, target, up;
    scene.ComputeKeyFrame(0, eye, target, up);
    EXPECT_EQ(target, (Vec3{100, 0, 25}));
    EXPECT_NEAR(Length(up), 1.0f, 1e-6f);
    EXPECT_NEAR(Length(eye - target), 5000.0f, 1e-2f);
    // s = d x w = (0 - 50 * 200, -(50 * 0) - 200 * 50, 200^2) up to length.
    const Vec3 s = Normalize({-10000.0f, -10000.0f, 40000.0f});
    EXPECT_TRUE(VecNear(eye, target + s * 5000.0f, 1e-2f));
}

TEST_F(FlightCamera, KeyFrameIndexIsClampedToTheLastStepAndNegativeIsIgnored) {
    Lay(10);
    Vec3 lastEye, lastTarget, lastUp;
    scene.ComputeKeyFrame(8, lastEye, lastTarget, lastUp);
    for (std::int32_t index : {9, 10, 1000, INT32_MAX}) {
        Vec3 eye, target, up;
        scene.ComputeKeyFrame(index, eye, target, up);
        EXPECT_EQ(target, lastTarget) << index;
        EXPECT_EQ(eye, lastEye) << index;
        EXPECT_EQ(up, lastUp) << index;
    }
    Vec3 eye = sentinel, target = sentinel, up = sentinel;
    scene.ComputeKeyFrame(-3, eye, target, up);
    EXPECT_EQ(eye, sentinel);
    EXPECT_EQ(target, sentinel);
    EXPECT_EQ(up, sentinel);
}

TEST_F(FlightCamera, FewerThanTwoPointsLeaveViewAndKeyFramesAlone) {
    for (std::size_t n : {0u, 1u}) {
        Lay(n);
        const Matrix before = scene.view;
        scene.InitCamera();
        EXPECT_EQ(scene.view, before);
        Vec3 eye = sentinel, target = sentinel, up = sentinel;
        scene.ComputeKeyFrame(0, eye, target, up);
        EXPECT_EQ(eye, sentinel);
        EXPECT_EQ(target, sentinel);
        EXPECT_EQ(up, sentinel);

        scene.cameraIndex = 0;
        TickTo(1.25f);
        EXPECT_EQ(scene.cameraIndex, 0) << "a forward move wraps to 0, n = " << n;
        TickTo(-0.25f);
        EXPECT_EQ(scene.cameraIndex, 0);
        EXPECT_EQ(scene.cameraSpeed, 0.0f);
        EXPECT_EQ(scene.cameraT, 0.0f);
    }
}

TEST_F(FlightCamera, InitialViewShowsTheStepWithWorldYUp) {
    Lay(5);
    scene.cameraIndex = 2;
    scene.InitCamera();
    EXPECT_TRUE(MatrixNear(scene.view, LookAtRH({500, 0, 5000}, {500, 0, 0}, {0, 1, 0}), 1e-3f));

    for (std::int32_t outOfRange : {-4, 4, 99}) {
        scene.cameraIndex = outOfRange;
        scene.InitCamera();
        EXPECT_EQ(scene.cameraIndex, 0) << outOfRange;
        EXPECT_TRUE(
            MatrixNear(scene.view, LookAtRH({100, 0, 5000}, {100, 0, 0}, {0, 1, 0}), 1e-3f));
    }
}

TEST_F(FlightCamera, BuildEndsWithInitialViewAndKeyFramesOfTheFirstTwoSteps) {
    ScopedRandom constant({3});
    scene.text = u"abc";
    scene.Build();
    EXPECT_EQ(scene.cameraIndex, 0);
    EXPECT_EQ(scene.targetA, (Vec3{100, 0, 0}));
    EXPECT_EQ(scene.targetB, (Vec3{300, 0, 0}));
    EXPECT_TRUE(MatrixNear(scene.view, LookAtRH({100, 0, 5000}, {100, 0, 0}, {0, 1, 0}), 1e-3f));
}

TEST_F(FlightCamera, TickMovesForwardOneStep) {
    Lay(100);
    KeyFramesAt(5);
    scene.cameraT = 0.3f;
    scene.cameraSpeed = 0.9f / 0.95f;
    scene.TickCamera();  // t = 1.2
    EXPECT_EQ(scene.cameraIndex, 6);
    EXPECT_NEAR(scene.cameraT, 0.2f, 1e-5f);
    EXPECT_EQ(scene.targetA, (Vec3{1300, 0, 0}));
    EXPECT_EQ(scene.targetB, (Vec3{1500, 0, 0}));
}

TEST_F(FlightCamera, TickMovesBackOneStepAndStopsAtTheStart) {
    Lay(100);
    KeyFramesAt(5);
    TickTo(-0.3f);
    EXPECT_EQ(scene.cameraIndex, 4);
    EXPECT_NEAR(scene.cameraT, 0.7f, 1e-5f);
    EXPECT_EQ(scene.targetA, (Vec3{900, 0, 0}));
    EXPECT_EQ(scene.targetB, (Vec3{1100, 0, 0}));
    EXPECT_LT(scene.cameraSpeed, 0.0f) << "moving back keeps its speed";

    KeyFramesAt(0);
    TickTo(-0.3f);
    EXPECT_EQ(scene.cameraIndex, 0);
    EXPECT_EQ(scene.cameraSpeed, 0.0f);
    EXPECT_EQ(scene.cameraT, 0.0f);
    EXPECT_EQ(scene.targetA, (Vec3{100, 0, 0}));
    EXPECT_EQ(scene.targetB, (Vec3{300, 0, 0}));
}

TEST_F(FlightCamera, ForwardMoveFromTheLastStepWrapsToTheStart) {
    Lay(10);
    KeyFramesAt(8);
    EXPECT_EQ(scene.targetA, scene.targetB) << "on the last step both key frames are equal";
    TickTo(1.1f);
    EXPECT_EQ(scene.cameraIndex, 0);
    EXPECT_EQ(scene.targetA, (Vec3{100, 0, 0}));

    KeyFramesAt(7);
    TickTo(1.1f);
    EXPECT_EQ(scene.cameraIndex, 8);
}

TEST_F(FlightCamera, TickWithinTheStepOnlyAdvancesTheParameterWithDecay) {
    Lay(10);
    KeyFramesAt(3);
    scene.cameraT = 0.25f;
    scene.cameraSpeed = 0.2f;
    const Vec3 eyeA = scene.eyeA;
    scene.TickCamera();
    EXPECT_EQ(scene.cameraIndex, 3);
    EXPECT_FLOAT_EQ(scene.cameraSpeed, 0.2f * 0.95f);
    EXPECT_FLOAT_EQ(scene.cameraT, 0.25f + 0.2f * 0.95f);
    EXPECT_EQ(scene.eyeA, eyeA);
}

TEST_F(FlightCamera, ViewShowsTheStateAtTheStartOfTheTick) {
    Lay(10);
    KeyFramesAt(2);
    scene.cameraT = 0.5f;
    scene.ChangeSpeed(-1200);
    scene.TickCamera();
    // The view is interpolated at t = 0.5: midway between the targets of steps 2 and 3.
    EXPECT_TRUE(MatrixNear(scene.view, LookAtRH({600, 0, 5000}, {600, 0, 0}, {0, 1, 0}), 1e-3f));
    EXPECT_GT(scene.cameraT, 0.5f);
    // The interpolated up vector is not normalised again.
    scene.pathPoints = {{0, 0, 0}, {200, 0, 0}, {200, 200, 0}};
    KeyFramesAt(0);
    scene.cameraT = 0.5f;
    scene.cameraSpeed = 0.0f;
    scene.TickCamera();
    const Matrix expected = LookAtRH({150, 50, 5000}, {150, 50, 0}, {-0.5f, 0.5f, 0.0f});
    EXPECT_TRUE(MatrixNear(scene.view, expected, 1e-3f));
}

TEST_F(FlightCamera, WheelChangesSpeedAndClampsIt) {
    scene.ChangeSpeed(120);
    EXPECT_FLOAT_EQ(scene.cameraSpeed, -0.012f);
    scene.cameraSpeed = 0.495f;
    scene.ChangeSpeed(-120);
    EXPECT_EQ(scene.cameraSpeed, 0.5f);
    scene.cameraSpeed = 0.0f;
    scene.ChangeSpeed(-32768);
    EXPECT_EQ(scene.cameraSpeed, 0.5f);
    scene.ChangeSpeed(32767);
    EXPECT_EQ(scene.cameraSpeed, -0.5f);
    scene.cameraSpeed = 0.0f;
    scene.ChangeSpeed(-15);  // a high-resolution wheel's small step
    EXPECT_FLOAT_EQ(scene.cameraSpeed, 0.0015f);
}

TEST_F(FlightCamera, LongFlightWithRandomWheelStaysOnThePath) {
    ScopedClock clock(1'700'000'000);
    scene.text = std::u16string(300, u'k');
    scene.Build();
    std::srand(7);
    for (int tick = 0; tick < 20000; ++tick) {
        if (tick % 7 == 0) {
            scene.ChangeSpeed(static_cast<std::int16_t>(std::rand() % 2401 - 1200));
        }
        scene.TickCamera();
        ASSERT_GE(scene.cameraIndex, 0);
        ASSERT_LT(scene.cameraIndex, 300);
        ASSERT_GE(scene.cameraT, 0.0f);
        ASSERT_LT(scene.cameraT, 1.0f);
        ASSERT_LE(std::fabs(scene.cameraSpeed), 0.5f);
    }
}

TEST_F(FlightCamera, CruiseRelaxesTowardsItsSpeedAndOffDecaysToRestAgain) {
    Lay(100);
    KeyFramesAt(10);
    scene.cruiseSpeed = 0.1f;
    scene.cameraSpeed = 0.3f;
    scene.cruise = true;
    scene.TickCamera();
    EXPECT_EQ(scene.cameraSpeed, 0.1f + (0.3f - 0.1f) * 0.95f);
    scene.ChangeSpeed(1200);  // pushed back by the wheel, the flight settles at cruise again
    for (int i = 0; i < 400; ++i) {
        scene.TickCamera();
    }
    EXPECT_NEAR(scene.cameraSpeed, 0.1f, 1e-6f);

    scene.SetCruise(false);
    EXPECT_NEAR(scene.cameraSpeed, 0.1f, 1e-6f) << "switching off keeps the speed, then decays";
    const float speed = scene.cameraSpeed;
    scene.TickCamera();
    EXPECT_EQ(scene.cameraSpeed, speed * 0.95f);
    scene.cameraSpeed = -0.4f;
    scene.SetCruise(true);
    EXPECT_EQ(scene.cameraSpeed, 0.1f) << "switching on goes to cruise speed at once";
}

TEST_F(FlightCamera, CruiseOf2point828125CharactersASecondGoes9point05CharactersIn100Ticks) {
    Lay(100);
    KeyFramesAt(0);
    scene.cruiseSpeed = 2.828125f / kTicksPerSecond;
    scene.SetCruise(true);
    for (int i = 0; i < 100; ++i) {
        scene.TickCamera();
    }
    EXPECT_EQ(scene.cameraIndex, 9);
    EXPECT_NEAR(scene.cameraT, 0.05f, 1e-4f);
}

TEST_F(FlightCamera, PlaceCameraKeepsWithinThePathAndShowsThePlaceAtOnce) {
    Lay(100);
    KeyFramesAt(5);
    scene.cameraT = 0.5f;
    scene.cameraSpeed = 0.2f;
    for (const auto& [asked, placed] :
         {std::pair<std::int64_t, std::int32_t>{40, 40}, {-5, 0}, {98, 98}, {1LL << 40, 98}}) {
        scene.PlaceCamera(asked);
        EXPECT_EQ(scene.cameraIndex, placed) << asked;
        EXPECT_EQ(scene.cameraT, 0.0f);
        EXPECT_EQ(scene.targetA.x, 200.0f * static_cast<float>(placed) + 100.0f);
    }
    EXPECT_EQ(scene.cameraSpeed, 0.2f);
    scene.PlaceCamera(40);
    const Matrix placedView = scene.view;
    scene.cameraSpeed = 0.0f;
    scene.TickCamera();
    EXPECT_EQ(scene.view, placedView) << "the next tick shows the same picture";

    Lay(1);
    scene.cameraIndex = 3;
    scene.PlaceCamera(0);
    EXPECT_EQ(scene.cameraIndex, 3) << "no path, nothing to place";
}

TEST_F(FlightCamera, ViewBetweenTicksRunsFromTheLastPictureToTheNext) {
    scene.pathPoints.clear();
    for (int k = 0; k < 12; ++k) {
        scene.pathPoints.push_back({200.0f * static_cast<float>(k),
                                    100.0f * static_cast<float>(k % 3),
                                    30.0f * static_cast<float>(k % 2)});
    }
    KeyFramesAt(0);
    scene.cameraT = 0.6f;
    scene.cameraSpeed = 0.3f / 0.95f;
    // Across a step boundary and within a step.
    for (int tick = 0; tick < 6; ++tick) {
        scene.TickCamera();
        const Matrix shown = scene.view;
        EXPECT_TRUE(MatrixNear(scene.ViewBetweenTicks(0.0f), shown, 1e-3f)) << tick;
        const Matrix next = scene.ViewBetweenTicks(1.0f);
        scene.TickCamera();
        EXPECT_EQ(scene.view, next) << tick;
        scene.cameraSpeed = 0.3f / 0.95f;
    }
}

}  // namespace
