// Matrices, frustum planes and the transform stack.
#include "gfx3d/transform.h"

#include <algorithm>
#include <cmath>

namespace tarvok {

namespace {

constexpr float kDegreesToRadians = 0.017453292f;

float& At(Mat4& m, int row, int column) { return m[column * 4 + row]; }
float At(const Mat4& m, int row, int column) { return m[column * 4 + row]; }

void NormaliseIfLong(float v[3]) {
    const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (length != 0.0f)
        for (int i = 0; i < 3; ++i) v[i] /= length;
}

void Cross(const float a[3], const float b[3], float out[3]) {
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

}  // namespace

Mat4 IdentityMatrix() { return Mat4{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}; }

Mat4 Multiply(const Mat4& a, const Mat4& b) {
    Mat4 out{};
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r) {
            float sum = 0;
            for (int k = 0; k < 4; ++k) sum += At(a, r, k) * At(b, k, c);
            At(out, r, c) = sum;
        }
    return out;
}

Mat4 TranslationMatrix(float x, float y, float z) {
    Mat4 m = IdentityMatrix();
    m[12] = x;
    m[13] = y;
    m[14] = z;
    return m;
}

Mat4 ScalingMatrix(float x, float y, float z) {
    Mat4 m = IdentityMatrix();
    m[0] = x;
    m[5] = y;
    m[10] = z;
    return m;
}

bool RotationMatrix(float angle, float x, float y, float z, Mat4& out) {
    float axis[3] = {x, y, z};
    const int nonZero = (x != 0.0f) + (y != 0.0f) + (z != 0.0f);
    if (nonZero == 1) {
        for (float& a : axis) a = a > 0.0f ? 1.0f : a < 0.0f ? -1.0f : 0.0f;
    } else {
        const float length = std::sqrt(x * x + y * y + z * z);
        if (!(length > 0.0001f)) return false;
        for (float& a : axis) a /= length;
    }
    const float radians = angle * kDegreesToRadians;
    const float c = std::cos(radians), s = std::sin(radians), t = 1.0f - c;
    const float ax = axis[0], ay = axis[1], az = axis[2];
    out = IdentityMatrix();
    At(out, 0, 0) = ax * ax * t + c;
    At(out, 0, 1) = ax * ay * t - az * s;
    At(out, 0, 2) = ax * az * t + ay * s;
    At(out, 1, 0) = ay * ax * t + az * s;
    At(out, 1, 1) = ay * ay * t + c;
    At(out, 1, 2) = ay * az * t - ax * s;
    At(out, 2, 0) = az * ax * t - ay * s;
    At(out, 2, 1) = az * ay * t + ax * s;
    At(out, 2, 2) = az * az * t + c;
    return true;
}

Mat4 FrustumMatrix(float left, float right, float bottom, float top, float zNear, float zFar) {
    Mat4 m{};
    At(m, 0, 0) = 2 * zNear / (right - left);
    At(m, 0, 2) = (right + left) / (right - left);
    At(m, 1, 1) = 2 * zNear / (top - bottom);
    At(m, 1, 2) = (top + bottom) / (top - bottom);
    At(m, 2, 2) = -(zFar + zNear) / (zFar - zNear);
    At(m, 2, 3) = -2 * zFar * zNear / (zFar - zNear);
    At(m, 3, 2) = -1;
    return m;
}

Mat4 OrthoMatrix(float left, float right, float bottom, float top, float zNear, float zFar) {
    Mat4 m = IdentityMatrix();
    At(m, 0, 0) = 2 / (right - left);
    At(m, 1, 1) = 2 / (top - bottom);
    At(m, 2, 2) = -2 / (zFar - zNear);
    At(m, 0, 3) = -(right + left) / (right - left);
    At(m, 1, 3) = -(top + bottom) / (top - bottom);
    At(m, 2, 3) = -(zFar + zNear) / (zFar - zNear);
    return m;
}

Mat4 LookAtMatrix(const float eye[3], const float target[3], const float up[3]) {
    float f[3] = {eye[0] - target[0], eye[1] - target[1], eye[2] - target[2]};
    NormaliseIfLong(f);
    float s[3], u[3];
    Cross(up, f, s);
    NormaliseIfLong(s);
    Cross(f, s, u);
    NormaliseIfLong(u);
    Mat4 rows = IdentityMatrix();
    for (int i = 0; i < 3; ++i) {
        At(rows, 0, i) = s[i];
        At(rows, 1, i) = u[i];
        At(rows, 2, i) = f[i];
    }
    return Multiply(rows, TranslationMatrix(-eye[0], -eye[1], -eye[2]));
}

std::array<float, 4> Transform(const Mat4& m, float x, float y, float z, float w) {
    std::array<float, 4> out{};
    for (int r = 0; r < 4; ++r) out[r] = At(m, r, 0) * x + At(m, r, 1) * y + At(m, r, 2) * z + At(m, r, 3) * w;
    return out;
}

std::array<Plane, 6> FrustumPlanes(const Mat4& projection, const Mat4& modelview) {
    const Mat4 clip = Multiply(projection, modelview);
    const auto row = [&](int r) {
        return std::array<float, 4>{At(clip, r, 0), At(clip, r, 1), At(clip, r, 2), At(clip, r, 3)};
    };
    const auto r3 = row(3);
    // right r3 - r0, left r3 + r0, bottom r3 + r1, top r3 - r1, far r3 - r2, near r3 + r2
    constexpr int kRow[6] = {0, 0, 1, 1, 2, 2};
    constexpr float kSign[6] = {-1, 1, 1, -1, -1, 1};
    std::array<Plane, 6> planes{};
    for (int i = 0; i < 6; ++i) {
        const auto other = row(kRow[i]);
        float p[4];
        for (int j = 0; j < 4; ++j) p[j] = r3[j] + kSign[i] * other[j];
        float length = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
        if (length == 0.0f) length = 1.0f;
        planes[i] = Plane{p[0] / length, p[1] / length, p[2] / length, p[3] / length};
    }
    return planes;
}

bool SphereOutside(const std::array<Plane, 6>& planes, const Mat4& transform, const float centre[3], float radius) {
    const auto c = Transform(transform, centre[0], centre[1], centre[2]);
    float shortest = 1.0f;
    bool identity = true;
    for (int col = 0; col < 3; ++col)
        for (int row = 0; row < 3; ++row)
            if (At(transform, row, col) != (row == col ? 1.0f : 0.0f)) identity = false;
    if (!identity) {
        shortest = INFINITY;
        for (int col = 0; col < 3; ++col) {
            const float x = At(transform, 0, col), y = At(transform, 1, col), z = At(transform, 2, col);
            shortest = std::min(shortest, std::sqrt(x * x + y * y + z * z));
        }
    }
    const float r = radius * shortest;
    return std::any_of(planes.begin(), planes.end(),
                       [&](const Plane& p) { return p.a * c[0] + p.b * c[1] + p.c * c[2] + p.d <= -r; });
}

void TransformStack::Reset() {
    level_ = 0;
    levels_[0] = TransformLevel{};
}

void TransformStack::Restart() {
    TransformLevel& level = levels_[level_];
    level.matrix = level_ == 0 ? IdentityMatrix() : levels_[level_ - 1].matrix;
    level.rotationCount = 0;
    level.matrixCount = 0;
    level.current = false;
}

void TransformStack::SetMovement(float x, float y, float z) {
    Restart();
    TransformLevel& level = levels_[level_];
    level.translation[0] = x;
    level.translation[1] = y;
    level.translation[2] = z;
}

void TransformStack::SetScaling(float x, float y, float z) {
    Restart();
    TransformLevel& level = levels_[level_];
    level.scale[0] = x;
    level.scale[1] = y;
    level.scale[2] = z;
}

void TransformStack::AddRotation(float angle, float x, float y, float z) {
    TransformLevel& level = levels_[level_];
    level.current = false;
    if (level.rotationCount < kLevelListSize) level.rotations[level.rotationCount++] = {angle, x, y, z};
}

void TransformStack::MultMatrix(const Mat4& m) {
    TransformLevel& level = levels_[level_];
    if (level.matrixCount >= kLevelListSize) return;
    level.matrices[level.matrixCount++] = m;
    level.current = false;
}

const Mat4& TransformStack::Current() {
    TransformLevel& level = levels_[level_];
    if (level.current) return level.matrix;
    Mat4 m = level.matrix;
    for (int i = 0; i < level.matrixCount; ++i) m = Multiply(m, level.matrices[i]);
    const float* t = level.translation;
    if (t[0] != 0.0f || t[1] != 0.0f || t[2] != 0.0f) m = Multiply(m, TranslationMatrix(t[0], t[1], t[2]));
    for (int i = level.rotationCount - 1; i >= 0; --i) {
        const auto& r = level.rotations[i];
        Mat4 rotation;
        if (RotationMatrix(r[0], r[1], r[2], r[3], rotation)) m = Multiply(m, rotation);
    }
    const float* s = level.scale;
    if (s[0] != 1.0f || s[1] != 1.0f || s[2] != 1.0f) m = Multiply(m, ScalingMatrix(s[0], s[1], s[2]));
    level.matrix = m;
    level.current = true;
    return level.matrix;
}

void TransformStack::Push() {
    if (level_ + 1 >= kTransformLevels) return;
    const Mat4 parent = Current();
    ++level_;
    levels_[level_] = TransformLevel{};
    levels_[level_].matrix = parent;
}

void TransformStack::Pop() {
    if (level_ == 0) Reset();
    else --level_;
}

}  // namespace tarvok
