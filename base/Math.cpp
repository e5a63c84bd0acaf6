#include "base/Math.h"

#include <cmath>

float Length(Vec3 v) {
    return std::sqrt(Dot(v, v));
}

Vec3 Normalize(Vec3 v) {
    const float len = Length(v);
    if (len == 0.0f) {
        return {};
    }
    return v / len;
}

Matrix Matrix::Identity() {
    Matrix r;
    for (int i = 0; i < 4; ++i) {
        r.m[i][i] = 1.0f;
    }
    return r;
}

Matrix Multiply(const Matrix& a, const Matrix& b) {
    Matrix r;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) {
                sum += a.m[i][k] * b.m[k][j];
            }
            r.m[i][j] = sum;
        }
    }
    return r;
}

Matrix Transpose(const Matrix& a) {
    Matrix r;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            r.m[i][j] = a.m[j][i];
        }
    }
    return r;
}

Matrix LookAtRH(Vec3 eye, Vec3 target, Vec3 up) {
    const Vec3 zaxis = Normalize(eye - target);
    const Vec3 xaxis = Normalize(Cross(up, zaxis));
    const Vec3 yaxis = Cross(zaxis, xaxis);
    Matrix r;
    r.m[0][0] = xaxis.x;
    r.m[0][1] = yaxis.x;
    r.m[0][2] = zaxis.x;
    r.m[1][0] = xaxis.y;
    r.m[1][1] = yaxis.y;
    r.m[1][2] = zaxis.y;
    r.m[2][0] = xaxis.z;
    r.m[2][1] = yaxis.z;
    r.m[2][2] = zaxis.z;
    r.m[3][0] = -Dot(xaxis, eye);
    r.m[3][1] = -Dot(yaxis, eye);
    r.m[3][2] = -Dot(zaxis, eye);
    r.m[3][3] = 1.0f;
    return r;
}

Matrix PerspectiveFovRH(float fovY, float aspect, float zNear, float zFar) {
    const float yScale = 1.0f / std::tan(fovY / 2.0f);
    const float xScale = yScale / aspect;
    Matrix r;
    r.m[0][0] = xScale;
    r.m[1][1] = yScale;
    r.m[2][2] = zFar / (zNear - zFar);
    r.m[2][3] = -1.0f;
    r.m[3][2] = zNear * zFar / (zNear - zFar);
    return r;
}
