// The collision commands on built objects, in the object space of the current transform.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "gfx3d/gfx3d.h"
#include "gfx3d/scene.h"

namespace {

class ObjectCollision : public testing::Test {
protected:
    void SetUp() override {
        tarvok::g_gfx3dServices = tarvok::Gfx3dServices{};
        CreateScene3D();
        // A square of two triangles in z = 0 over -2..2 (positions that quantise exactly: the grid
        // 0..255 maps -2..2 with the ends landing on -2 and 2).
        StartObject(3);
        AddVertex(0, 0, 0, 0, 0, -1);
        for (const auto& p : {std::array<double, 2>{-2, -2}, {-2, 2}, {2, 2}, {-2, -2}, {2, 2}, {2, -2}})
            AddVertex(p[0], p[1], 0, 0, 0, 0xFFFFFF);
        EndObject();
        ASSERT_TRUE(g_engine.scene->slots[3].loaded);
    }
    void TearDown() override { DestroyScene3D(); }
};

}  // namespace

TEST_F(ObjectCollision, SphereBoxAndRayAgainstASquare) {
    const auto& tri = g_engine.scene->slots[3].meshes[0].frames[0].triangles;
    ASSERT_EQ(tri.size(), 6u);
    float edge = 0;
    for (const auto& v : tri) edge = std::max(edge, std::fabs(v.x));

    EXPECT_EQ(SphereCollision(3, 0, 1, 0, 0, 0.9), 1);
    EXPECT_EQ(SphereCollision(3, 0, 1, 0, 0, 1.1), 0);
    EXPECT_EQ(SphereCollision(3, 0, 1, 0, 0, 50), 0);             // far outside the bounding sphere
    EXPECT_EQ(SphereCollision(3, 0, 0.5, edge + 0.45, 0, 0), 1);  // beside an edge, within the radius
    EXPECT_EQ(SphereCollision(3, 0, 0.5, edge + 0.55, 0, 0), 0);
    // Frames beyond the last, negative frames, empty and invalid slots: 0.
    EXPECT_EQ(SphereCollision(3, 1, 1, 0, 0, 0), 0);
    EXPECT_EQ(SphereCollision(3, -1, 1, 0, 0, 0), 0);
    EXPECT_EQ(SphereCollision(4, 0, 1, 0, 0, 0), 0);
    EXPECT_EQ(SphereCollision(-1, 0, 1, 0, 0, 0), 0);
    EXPECT_EQ(SphereCollision(4096, 0, 1, 0, 0, 0), 0);

    EXPECT_EQ(ObjectBoxCollision(3, 0, 0, 0, 0.4, 1, 1, 1), 1);
    EXPECT_EQ(ObjectBoxCollision(3, 0, 0, 0, 0.6, 1, 1, 1), 0);
    EXPECT_EQ(ObjectBoxCollision(3, 0, 0, 0, 0.6, 1, 1, 1.4), 1);  // depth runs along z
    EXPECT_EQ(ObjectBoxCollision(3, 0, edge + 0.4, 0, 0, 1, 1, 1), 1);
    EXPECT_EQ(ObjectBoxCollision(3, 0, edge + 0.6, 0, 0, 1, 1, 1), 0);
    EXPECT_EQ(ObjectBoxCollision(7, 0, 0, 0, 0, 1, 1, 1), 0);

    EXPECT_DOUBLE_EQ(RayCollision(3, 0, 0.5, 0.5, 5, 0, 0, -3), 5);  // direction normalised
    EXPECT_DOUBLE_EQ(RayCollision(3, 0, 0.5, 0.5, 5, 0, 0, 1), -5);  // only behind the start
    EXPECT_EQ(RayCollision(3, 0, -5, 0, 0, 1, 0, 0), 0);             // along the plane
    EXPECT_EQ(RayCollision(3, 0, 0, 0, 5, 0, 0, 0), 0);              // no direction
    EXPECT_EQ(RayCollision(3, 0, 9, 9, 5, 0, 0, -1), 0);             // beside the object
    EXPECT_EQ(RayCollision(9, 0, 0, 0, 5, 0, 0, -1), 0);

    // The object moved and turned: tests happen in its space.
    SetMovement(10, 0, 0);
    AddRotation(90, 0, 1, 0);  // the square now stands in the plane x = 10
    EXPECT_EQ(SphereCollision(3, 0, 1, 0, 0, 0), 0);
    EXPECT_EQ(SphereCollision(3, 0, 1, 10.9, 0, 0), 1);
    EXPECT_NEAR(RayCollision(3, 0, 0, 0.5, 0.5, 1, 0, 0), 10, 1e-5);
    EXPECT_EQ(ObjectBoxCollision(3, 0, 10, 0, 0, 0.2, 0.2, 0.2), 1);
    EXPECT_EQ(ObjectBoxCollision(3, 0, 10.3, 0, 0, 0.2, 0.2, 0.2), 0);
    EXPECT_EQ(ObjectBoxCollision(3, 0, 10.3, 0, 0, 0.8, 0.2, 0.2), 1);  // width runs along world x

    // The sphere-box test around the current origin (10, 0, 0), with sizes in the turned axes.
    EXPECT_EQ(SphereBoxCollision(10, 0, 2.9, 1, 2, 2, 2), 0);
    EXPECT_EQ(SphereBoxCollision(10, 0, 1.9, 1, 2, 2, 2), 1);
    EXPECT_EQ(SphereBoxCollision(13, 0, 0, 1, 2, 2, 6), 1);  // depth (object z) lies along world x now
    EXPECT_EQ(SphereBoxCollision(13, 0, 0, 1, 6, 2, 2), 0);
}

TEST_F(ObjectCollision, InsideAClosedCube) {
    // The cube -1..1 as 12 triangles; the tests see its surface only.
    const double p[8][3] = {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
                            {-1, -1, 1},  {1, -1, 1},  {1, 1, 1},  {-1, 1, 1}};
    const int faces[6][4] = {{4, 5, 6, 7}, {1, 0, 3, 2}, {5, 1, 2, 6},
                             {0, 4, 7, 3}, {7, 6, 2, 3}, {0, 1, 5, 4}};
    StartObject(5);
    AddVertex(0, 0, 0, 0, 0, -1);
    for (const auto& f : faces)
        for (int k : {0, 1, 2, 0, 2, 3}) AddVertex(p[f[k]][0], p[f[k]][1], p[f[k]][2], 0, 0, 0xFFFFFF);
    EndObject();
    // Quantisation moves the walls a little: take them from the stored triangles.
    float low = 0, high = 0;
    for (const auto& v : g_engine.scene->slots[5].meshes[0].frames[0].triangles)
        low = std::min(low, v.x), high = std::max(high, v.x);
    // A ray from the centre hits the wall ahead (the one behind loses).
    EXPECT_NEAR(RayCollision(5, 0, 0, 0, 0, 1, 0, 0), high, 1e-5);
    EXPECT_NEAR(RayCollision(5, 0, 0.5, 0, 0, -1, 0, 0), 0.5 - low, 1e-5);
    EXPECT_NEAR(RayCollision(5, 0, 0, 0, 0, 1, 1, 0), high * std::sqrt(2.0), 1e-5);  // through an edge
    // From outside, pointing away: only hits behind; the nearest of them.
    EXPECT_NEAR(RayCollision(5, 0, 3, 0, 0, 1, 0, 0), high - 3, 1e-5);
    // A small sphere or box inside touches nothing; grown to the walls they do.
    EXPECT_EQ(SphereCollision(5, 0, 0.5, 0, 0, 0), 0);
    EXPECT_EQ(SphereCollision(5, 0, 1.0, 0, 0, 0), 1);
    EXPECT_EQ(ObjectBoxCollision(5, 0, 0, 0, 0, 1, 1, 1), 0);
    EXPECT_EQ(ObjectBoxCollision(5, 0, 0, 0, 0, 2, 1, 1), 1);
}
