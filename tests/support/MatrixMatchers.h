#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "base/Math.h"

inline testing::AssertionResult MatrixNear(const Matrix& actual, const Matrix& expected,
                                           float tolerance) {
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            if (!(std::fabs(actual.m[r][c] - expected.m[r][c]) <= tolerance)) {
                std::ostringstream out;
                out << "element [" << r << "][" << c << "] is " << actual.m[r][c] << ", expected "
                    << expected.m[r][c];
                return testing::AssertionFailure() << out.str();
            }
        }
    }
    return testing::AssertionSuccess();
}

inline testing::AssertionResult VecNear(Vec3 actual, Vec3 expected, float tolerance) {
    if (std::fabs(actual.x - expected.x) <= tolerance &&
        std::fabs(actual.y - expected.y) <= tolerance &&
        std::fabs(actual.z - expected.z) <= tolerance) {
        return testing::AssertionSuccess();
    }
    return testing::AssertionFailure()
           << "(" << actual.x << ", " << actual.y << ", " << actual.z << ") is not near ("
           << expected.x << ", " << expected.y << ", " << expected.z << ")";
}

// The view of a reset scene: a camera at (0, 0, 5000) looking along -z.
inline Matrix ResetView() {
    Matrix m = Matrix::Identity();
    m.m[3][2] = -5000.0f;
    return m;
}
