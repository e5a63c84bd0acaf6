#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "scene/Scene.h"
#include "tests/support/MatrixMatchers.h"
#include "tests/support/ScopedRandom.h"

namespace {

// Heading and climb of step k of the path, in degrees.
double HeadingOf(const Scene& scene, std::size_t k) {
    const Vec3 d = scene.pathPoints[k + 1] - scene.pathPoints[k];
    return std::atan2(d.y, d.x) * 180.0 / std::numbers::pi;
}
double ClimbOf(const Scene& scene, std::size_t k) {
    const Vec3 d = scene.pathPoints[k + 1] - scene.pathPoints[k];
    return std::asin(d.z / 200.0) * 180.0 / std::numbers::pi;
}

// A rand script giving the heading rate the difference dh and the climb rate dc for one step.
std::vector<int> Step(int dh, int dc) {
    return {dh >= 0 ? dh : 0, dh >= 0 ? 0 : -dh, dc >= 0 ? dc : 0, dc >= 0 ? 0 : -dc};
}

std::vector<int> Script(std::initializer_list<std::pair<int, int>> steps) {
    std::vector<int> values;
    for (auto [dh, dc] : steps) {
        const std::vector<int> one = Step(dh, dc);
        values.insert(values.end(), one.begin(), one.end());
    }
    return values;
}

TEST(Path, EmptyTextGivesTheOriginAloneAndDrawsNothing) {
    ScopedRandom random({5});
    Scene scene;
    scene.Build();
    ASSERT_EQ(scene.pathPoints.size(), 1u);
    EXPECT_EQ(scene.pathPoints[0], (Vec3{0.0f, 0.0f, 0.0f}));
    EXPECT_TRUE(scene.segments.empty());
    EXPECT_EQ(scene.materials.size(), 1u);
    EXPECT_EQ(random.draws(), 0u);
    EXPECT_EQ(scene.view, ResetView()) << "without a step the view of Reset stays";
}

TEST(Path, FirstStepAlwaysEndsAt200OnX) {
    ScopedRandom random({99, 0, 99, 0});
    Scene scene;
    scene.text = u"x";
    scene.Build();
    ASSERT_EQ(scene.pathPoints.size(), 2u);
    EXPECT_EQ(scene.pathPoints[1], (Vec3{200.0f, 0.0f, 0.0f}));
    EXPECT_EQ(random.draws(), 4u);
}

TEST(Path, OnePointPerCodeUnitPlusOneWhateverTheCharacters) {
    ScopedRandom random({17, 4, 60, 33});
    Scene scene;
    scene.text = u"\t\u3000a\U0001F600z";
    scene.Build();
    EXPECT_EQ(scene.text.size(), 6u);
    EXPECT_EQ(scene.pathPoints.size(), 7u) << "the surrogate pair counts as two";
    EXPECT_EQ(random.draws(), 24u);
    for (std::size_t k = 0; k + 1 < scene.pathPoints.size(); ++k) {
        const Vec3 d = scene.pathPoints[k + 1] - scene.pathPoints[k];
        EXPECT_NEAR(std::hypot(d.x, d.y), 200.0, 1e-3) << "step " << k;
    }
}

TEST(Path, ConstantRandomSequenceGivesAStraightLine) {
    ScopedRandom random({12345});
    Scene scene;
    scene.text = std::u16string(500, u'a');
    scene.Build();
    ASSERT_EQ(scene.pathPoints.size(), 501u);
    for (std::size_t k = 0; k < scene.pathPoints.size(); ++k) {
        EXPECT_EQ(scene.pathPoints[k], (Vec3{200.0f * static_cast<float>(k), 0.0f, 0.0f}))
            << "point " << k;
    }
}

TEST(Path, HeadingDrawsComeFirstAndClimbDrawsSecond) {
    // Step 0: heading rate +1.0, climb rate +0.5; step 1: both rates grow by 0.2.
    ScopedRandom random(Script({{10, 5}, {2, 2}, {0, 0}}));
    Scene scene;
    scene.text = u"abc";
    scene.Build();
    EXPECT_NEAR(HeadingOf(scene, 0), 0.0, 1e-4);
    EXPECT_NEAR(HeadingOf(scene, 1), 1.0, 1e-4);
    EXPECT_NEAR(ClimbOf(scene, 1), 0.5, 1e-4);
    EXPECT_NEAR(HeadingOf(scene, 2), 1.0 + 1.2, 1e-4);
    EXPECT_NEAR(ClimbOf(scene, 2), 0.5 + 0.7, 1e-4);
    const Vec3 second = scene.pathPoints[2];
    EXPECT_FLOAT_EQ(second.x,
                    200.0f + 200.0f * static_cast<float>(std::cos(1.0 * std::numbers::pi / 180)));
    EXPECT_FLOAT_EQ(second.z, 200.0f * static_cast<float>(std::sin(0.5 * std::numbers::pi / 180)));
}

TEST(Path, NegativeDifferencesTurnTheOtherWay) {
    ScopedRandom random(Script({{-30, -20}, {0, 0}}));
    Scene scene;
    scene.text = u"ab";
    scene.Build();
    EXPECT_NEAR(HeadingOf(scene, 1), -3.0, 1e-4);
    EXPECT_NEAR(ClimbOf(scene, 1), -2.0, 1e-4);
}

TEST(Path, RateExactlyAtItsBoundStaysAndBeyondItResets) {
    // 6.5 four times reaches exactly 26 for the heading; 5.0 five times reaches exactly 25 for
    // the climb. One more tenth goes beyond, resets the rate and leaves the angle for that step.
    ScopedRandom random(
        Script({{65, 50}, {65, 50}, {65, 50}, {65, 50}, {1, 50}, {0, 1}, {3, 4}, {0, 0}}));
    Scene scene;
    scene.text = std::u16string(9, u'q');
    scene.Build();
    const double headings[] = {0, 6.5, 19.5, 39, 65, 65, 65, 65.3, 65.6};
    const double climbs[] = {0, 5, 15, 30, 50, 75, 75, 75.4, 75.8};
    for (std::size_t k = 0; k < 9; ++k) {
        EXPECT_NEAR(HeadingOf(scene, k), headings[k], 1e-3) << "step " << k;
        // asin folds climbs beyond 90 degrees back; compare through the sine.
        const Vec3 d = scene.pathPoints[k + 1] - scene.pathPoints[k];
        EXPECT_NEAR(d.z, 200.0 * std::sin(climbs[k] * std::numbers::pi / 180.0), 2e-3)
            << "step " << k;
    }
}

TEST(Path, SameSeedGivesTheSamePathWithTheLibraryGenerator) {
    ScopedClock clock(1'650'000'000);
    Scene first;
    first.text = std::u16string(1000, u'x');
    first.Build();
    Scene second;
    second.text = std::u16string(1000, u'y');
    second.Build();
    ASSERT_EQ(first.pathPoints.size(), second.pathPoints.size());
    for (std::size_t k = 0; k < first.pathPoints.size(); ++k) {
        ASSERT_EQ(first.pathPoints[k], second.pathPoints[k]) << "point " << k;
    }
    // The walk really turns: a path from the library's generator is not a straight line.
    EXPECT_NE(first.pathPoints.back().y, 0.0f);
}

TEST(Path, RatesStayBoundedOverALongWalk) {
    ScopedClock clock(1'600'000'000);
    Scene scene;
    scene.text = std::u16string(20000, u'x');
    scene.Build();
    double previousHeading = 0.0;
    for (std::size_t k = 0; k + 1 < scene.pathPoints.size(); ++k) {
        const Vec3 d = scene.pathPoints[k + 1] - scene.pathPoints[k];
        ASSERT_TRUE(std::isfinite(d.x) && std::isfinite(d.y) && std::isfinite(d.z));
        ASSERT_GE(std::hypot(d.x, d.y), 199.9);
        ASSERT_LE(std::fabs(d.z), 200.0f);
        const double heading = std::atan2(d.y, d.x) * 180.0 / std::numbers::pi;
        double turn = std::remainder(heading - previousHeading, 360.0);
        ASSERT_LE(std::fabs(turn), 26.01) << "step " << k;
        previousHeading = heading;
    }
}

}  // namespace
