#include <gtest/gtest.h>

#include <numbers>

#include "base/Color.h"
#include "base/Math.h"
#include "tests/support/MatrixMatchers.h"

namespace {

TEST(MathTest, LookAtOfTheResetCameraIsTheResetView) {
    EXPECT_TRUE(MatrixNear(LookAtRH({0, 0, 5000}, {0, 0, 0}, {0, 1, 0}), ResetView(), 0.0f));
}

TEST(MathTest, LookAtMapsTheEyeToTheOriginAndTheTargetDownNegativeZ) {
    const Vec3 eye{100, 200, 300};
    const Vec3 target{400, -50, 20};
    const Matrix view = LookAtRH(eye, target, {0, 0, 1});
    const auto apply = [&](Vec3 p) {
        Vec3 r;
        r.x = p.x * view.m[0][0] + p.y * view.m[1][0] + p.z * view.m[2][0] + view.m[3][0];
        r.y = p.x * view.m[0][1] + p.y * view.m[1][1] + p.z * view.m[2][1] + view.m[3][1];
        r.z = p.x * view.m[0][2] + p.y * view.m[1][2] + p.z * view.m[2][2] + view.m[3][2];
        return r;
    };
    EXPECT_TRUE(VecNear(apply(eye), {0, 0, 0}, 1e-3f));
    const Vec3 t = apply(target);
    EXPECT_NEAR(t.x, 0.0f, 1e-3f);
    EXPECT_NEAR(t.y, 0.0f, 1e-3f);
    EXPECT_NEAR(t.z, -Length(target - eye), 1e-2f);
}

TEST(MathTest, PerspectiveRowsFollowTheRightHandedFormula) {
    const float fov = 0.5235988f;
    const Matrix p = PerspectiveFovRH(fov, 800.0f / 600.0f, 1.0f, 50000.0f);
    const float yScale = 1.0f / std::tan(fov / 2.0f);
    EXPECT_FLOAT_EQ(p.m[1][1], yScale);
    EXPECT_FLOAT_EQ(p.m[0][0], yScale / 1.3333334f);
    EXPECT_FLOAT_EQ(p.m[2][2], 50000.0f / (1.0f - 50000.0f));
    EXPECT_EQ(p.m[2][3], -1.0f);
    EXPECT_FLOAT_EQ(p.m[3][2], 50000.0f / (1.0f - 50000.0f));
    EXPECT_EQ(p.m[3][3], 0.0f);
    EXPECT_EQ(p.m[0][1], 0.0f);
    EXPECT_EQ(p.m[3][0], 0.0f);
}

TEST(MathTest, MultiplyAppliesTheLeftMatrixFirstToRowVectors) {
    Matrix translate = Matrix::Identity();
    translate.m[3][0] = 5.0f;
    Matrix scale = Matrix::Identity();
    scale.m[0][0] = 2.0f;
    // (1, 0, 0) translated to (6, 0, 0), then scaled to (12, 0, 0).
    const Matrix both = Multiply(translate, scale);
    EXPECT_EQ(both.m[0][0] * 1.0f + both.m[3][0], 12.0f);
    EXPECT_EQ(Transpose(both).m[0][3], both.m[3][0]);
    EXPECT_EQ(Transpose(Transpose(both)), both);
}

TEST(MathTest, NormalizingZeroStaysZero) {
    EXPECT_EQ(Normalize({0, 0, 0}), (Vec3{0, 0, 0}));
    EXPECT_TRUE(VecNear(Normalize({3, 0, 4}), {0.6f, 0, 0.8f}, 1e-6f));
}

TEST(MathTest, ColourChannelsComeFromTheLowByteUp) {
    const ColorRef c = MakeColorRef(0x11, 0x22, 0x33);
    EXPECT_EQ(c, 0x00332211u);
    EXPECT_EQ(RedOf(c), 0x11);
    EXPECT_EQ(GreenOf(c), 0x22);
    EXPECT_EQ(BlueOf(c), 0x33);
    EXPECT_FLOAT_EQ(RedF(0xFF), 1.0f);
    EXPECT_FLOAT_EQ(BlueF(0x800000), 128.0f / 255.0f);
}

}  // namespace
