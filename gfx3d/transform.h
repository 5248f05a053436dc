// Matrix maths of the 3D scene: 4x4 matrices in OpenGL column-major order, the projection and look-at
// matrices, the six frustum planes, sphere culling and the stack of object transforms. Pure functions.
#pragma once

#include <array>
#include <cstdint>

namespace tarvok {

using Mat4 = std::array<float, 16>;  // column-major: element (row r, column c) at index c * 4 + r

Mat4 IdentityMatrix();
// a . b
Mat4 Multiply(const Mat4& a, const Mat4& b);
Mat4 TranslationMatrix(float x, float y, float z);
Mat4 ScalingMatrix(float x, float y, float z);
// Rotation by angle degrees about the axis; false (and nothing to apply) when the axis is too short.
// An axis with exactly one non-zero component turns about that coordinate axis, by +angle when the
// component is positive and -angle when it is negative, whatever its magnitude.
bool RotationMatrix(float angle, float x, float y, float z, Mat4& out);
// The projection matrices glFrustum and glOrtho build.
Mat4 FrustumMatrix(float left, float right, float bottom, float top, float zNear, float zFar);
Mat4 OrthoMatrix(float left, float right, float bottom, float top, float zNear, float zFar);
// Camera at eye looking at target: rows s, u, f with f = eye - target, s = up x f, u = f x s (each
// normalised unless of zero length), then the translation by -eye.
Mat4 LookAtMatrix(const float eye[3], const float target[3], const float up[3]);
// m . (x, y, z, w)
std::array<float, 4> Transform(const Mat4& m, float x, float y, float z, float w = 1.0f);

// A plane a x + b y + c z + d = 0 with (a, b, c) of unit length; inside where the sum is positive.
struct Plane {
    float a = 0, b = 0, c = 0, d = 0;
};
enum FrustumSide { kRightPlane, kLeftPlane, kBottomPlane, kTopPlane, kFarPlane, kNearPlane };
// The six planes (right, left, bottom, top, far, near) of projection . modelview.
std::array<Plane, 6> FrustumPlanes(const Mat4& projection, const Mat4& modelview);
// Whether a sphere under the transform lies wholly outside one plane: its centre is transformed, its radius
// scaled by the shortest of the matrix's three axis columns, and it is outside when the signed distance
// is at most -radius.
bool SphereOutside(const std::array<Plane, 6>& planes, const Mat4& transform, const float centre[3], float radius);

constexpr int kTransformLevels = 16;
constexpr int kLevelListSize = 16;  // rotations and matrices per level

struct TransformLevel {
    float translation[3] = {0, 0, 0};
    float scale[3] = {1, 1, 1};
    std::array<std::array<float, 4>, kLevelListSize> rotations{};  // angle, axis x, y, z
    std::int32_t rotationCount = 0;
    std::array<Mat4, kLevelListSize> matrices{};
    std::int32_t matrixCount = 0;
    Mat4 matrix = IdentityMatrix();
    bool current = true;  // matrix holds the level's composed transform
};

class TransformStack {
public:
    // Level 0 in its identity state.
    void Reset();
    // A new transform on the current level starting from the parent's matrix, with this translation.
    void SetMovement(float x, float y, float z);
    // The same restart, with this scale.
    void SetScaling(float x, float y, float z);
    // Appends a rotation (a 17th is ignored).
    void AddRotation(float angle, float x, float y, float z);
    // Appends a matrix (ignored on a full list).
    void MultMatrix(const Mat4& m);
    // A child level starting from the current matrix (ignored on the last level).
    void Push();
    // Back to the parent level; level 0 is reset instead.
    void Pop();
    // The current level's composed matrix, computed when it is not current.
    const Mat4& Current();
    int Level() const { return level_; }
    // The matrix stored on a level 0..Level() (the current level's once Current() has computed it).
    const Mat4& LevelMatrix(int level) const { return levels_[level].matrix; }

private:
    void Restart();
    std::array<TransformLevel, kTransformLevels> levels_{};
    int level_ = 0;
};

}  // namespace tarvok
