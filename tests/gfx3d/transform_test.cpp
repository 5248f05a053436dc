// Matrix maths: the transform stack, rotations, projections, the camera, frustum planes and sphere culling.
#include "gfx3d/transform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

using namespace tarvok;

namespace {

void ExpectPoint(const Mat4& m, std::array<float, 3> in, std::array<float, 3> expected) {
    const auto out = Transform(m, in[0], in[1], in[2]);
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(out[i], expected[i], 1e-4) << i;
}

void ExpectSame(const Mat4& a, const Mat4& b) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(a[i], b[i], 1e-5) << i;
}

}  // namespace

TEST(TransformStack, OrderOfOperationsLevelsFullListsAndRotations) {
    // Scale, then the rotations in order, then the translation, then the matrix list, then the parent.
    TransformStack stack;
    stack.Reset();
    stack.SetMovement(10, 0, 0);
    stack.SetScaling(2, 2, 2);       // keeps the translation
    stack.AddRotation(90, 0, 0, 1);  // first: (1,0,0) -> (0,1,0)
    stack.AddRotation(90, 1, 0, 0);  // then about x: (0,1,0) -> (0,0,1)
    ExpectPoint(stack.Current(), {1, 0, 0}, {10, 0, 2});
    stack.SetMovement(10, 0, 0);  // drops both rotations, keeps the scale
    stack.MultMatrix(TranslationMatrix(0, 100, 0));
    ExpectPoint(stack.Current(), {1, 0, 0}, {12, 100, 0});

    // A child starts from the parent's full matrix; popping restores the parent's.
    const Mat4 parent = stack.Current();
    stack.Push();
    EXPECT_EQ(stack.Level(), 1);
    ExpectSame(stack.Current(), parent);
    stack.SetMovement(0, 0, 5);
    ExpectPoint(stack.Current(), {0, 0, 0}, {10, 100, 10});  // parent scale 2 applies to the child's move
    stack.Pop();
    ExpectSame(stack.Current(), parent);
    stack.Pop();  // on level 0: reset to identity
    EXPECT_EQ(stack.Level(), 0);
    ExpectSame(stack.Current(), IdentityMatrix());

    // A rotation about no axis holds a place; the 17th rotation or matrix is ignored; levels end at the last.
    stack.AddRotation(45, 0, 0, 0);
    ExpectSame(stack.Current(), IdentityMatrix());
    stack.SetMovement(0, 0, 0);
    for (int i = 0; i < 17; ++i) stack.AddRotation(90, 0, 0, 1);  // four full turns and one ignored
    ExpectPoint(stack.Current(), {1, 0, 0}, {1, 0, 0});
    stack.SetMovement(0, 0, 0);
    for (int i = 0; i < 17; ++i) stack.MultMatrix(TranslationMatrix(1, 0, 0));
    ExpectPoint(stack.Current(), {0, 0, 0}, {16, 0, 0});
    for (int i = 0; i < 20; ++i) stack.Push();
    EXPECT_EQ(stack.Level(), kTransformLevels - 1);
    ExpectPoint(stack.Current(), {0, 0, 0}, {16, 0, 0});

    // The axis is normalised; a negative axis turns the other way; a third of a turn about the diagonal takes
    // x to y and y to z; an axis of (almost) no length gives no matrix.
    Mat4 a, b;
    ASSERT_TRUE(RotationMatrix(90, 0, 0, -5, a));
    ASSERT_TRUE(RotationMatrix(-90, 0, 0, 1, b));
    ExpectSame(a, b);
    EXPECT_FALSE(RotationMatrix(45, 0, 0, 0, a));
    EXPECT_FALSE(RotationMatrix(45, 0.00005f, 0.00005f, 0, a));
    ASSERT_TRUE(RotationMatrix(120, 1, 1, 1, a));
    ExpectPoint(a, {1, 0, 0}, {0, 1, 0});
    ExpectPoint(a, {0, 1, 0}, {0, 0, 1});
}

TEST(Camera, LookAtProjectionsAndFrustumPlanes) {
    const float eye[3] = {0, 0, 5}, target[3] = {0, 0, 0}, up[3] = {0, 1, 0}, side[3] = {5, 0, 0};
    const Mat4 view = LookAtMatrix(eye, target, up);
    ExpectPoint(view, {0, 0, 0}, {0, 0, -5});
    ExpectPoint(view, {1, 2, 0}, {1, 2, -5});
    ExpectPoint(LookAtMatrix(side, target, up), {0, 0, -1}, {1, 0, -5});  // looking along -x: -z is right

    // An orthographic box maps its corner to (1, -1, 1); the window tests check the frustum pixel by pixel.
    const auto box = Transform(OrthoMatrix(-200, 200, -100, 100, 1, 50), 200, -100, -50);
    EXPECT_TRUE(std::fabs(box[0] - 1) < 1e-5 && std::fabs(box[1] + 1) < 1e-5 && std::fabs(box[2] - 1) < 1e-5);
    const Mat4 projection = FrustumMatrix(-2, 2, -1, 1, 1, 100);

    // Looking down -z from z = 5: the near plane is z = 4, the far plane z = -95, the right plane
    // x = 2 (5 - z) and the top plane y = 5 - z, both through the eye; normals of unit length.
    const auto planes = FrustumPlanes(projection, view);
    const std::tuple<int, float, float, float, float> distances[] = {
        {kNearPlane, 0, 0, 3, 1},   {kFarPlane, 0, 0, -94, 1},   {kRightPlane, 10, 0, 0, 0},
        {kLeftPlane, -10, 0, 0, 0}, {kTopPlane, 0, 5, 0, 0},     {kBottomPlane, 0, -5, 0, 0},
        {kRightPlane, 0, 0, 0, 10 / std::sqrt(5.0f)}, {kTopPlane, 0, 5 + std::sqrt(2.0f) * 5, 0, -5}};
    for (const auto& [plane, x, y, z, distance] : distances) {
        const Plane& p = planes[plane];
        EXPECT_NEAR(p.a * x + p.b * y + p.c * z + p.d, distance, 1e-3) << plane << " " << x;
    }

    // Spheres just outside and overlapping the right plane; a transform scales the radius by its least axis.
    const float inside[3] = {0, 0, 0}, outside[3] = {13, 0, 0};
    const float gap = (13 - 10) / std::sqrt(5.0f);  // distance of (13,0,0) from the plane x + 2 z = 10
    const Mat4 placed = Multiply(TranslationMatrix(13, 0, 0), ScalingMatrix(2, 3, 4));
    EXPECT_FALSE(SphereOutside(planes, IdentityMatrix(), inside, 1));
    EXPECT_TRUE(SphereOutside(planes, IdentityMatrix(), outside, gap - 0.01f));
    EXPECT_FALSE(SphereOutside(planes, IdentityMatrix(), outside, gap + 0.01f));
    EXPECT_FALSE(SphereOutside(planes, placed, inside, gap / 2 + 0.01f));
    EXPECT_TRUE(SphereOutside(planes, placed, inside, gap / 2 - 0.01f));
    EXPECT_TRUE(SphereOutside(planes, TranslationMatrix(0, 0, 10), inside, 5.9f));
}
