#pragma once

// Vectors and 4x4 matrices in 32-bit floats. Matrices are stored row by row and applied to row
// vectors (p' = p * M), right-handed, so a combined transform reads world * view * projection.

struct Vec3 {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
};

constexpr Vec3 operator+(Vec3 a, Vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
constexpr Vec3 operator-(Vec3 a, Vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
constexpr Vec3 operator*(Vec3 a, float s) {
    return {a.x * s, a.y * s, a.z * s};
}
constexpr Vec3 operator/(Vec3 a, float s) {
    return {a.x / s, a.y / s, a.z / s};
}
constexpr bool operator==(Vec3 a, Vec3 b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

constexpr float Dot(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
constexpr Vec3 Cross(Vec3 a, Vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
float Length(Vec3 v);
// A zero vector stays zero rather than turning into NaNs, so a degenerate step cannot poison the
// view matrix.
Vec3 Normalize(Vec3 v);

struct Matrix {
    float m[4][4] = {};

    static Matrix Identity();
    friend bool operator==(const Matrix&, const Matrix&) = default;
};

Matrix Multiply(const Matrix& a, const Matrix& b);
Matrix Transpose(const Matrix& a);
// Right-handed look-at: zaxis = normalize(eye - target), xaxis = normalize(up x zaxis),
// yaxis = zaxis x xaxis; the rows hold the axes as columns and the translation in row 3.
Matrix LookAtRH(Vec3 eye, Vec3 target, Vec3 up);
// Right-handed perspective with a vertical field of view; depth maps to [0, 1].
Matrix PerspectiveFovRH(float fovY, float aspect, float zNear, float zFar);
