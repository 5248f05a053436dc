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
        // Slot 3: a square of two triangles in z = 0 over -2..2, which quantises exactly. Slot 5: the closed
        // cube -1..1 of 12 triangles.
        StartObject(3);
        AddVertex(0, 0, 0, 0, 0, -1);
        for (const auto& p : {std::array<double, 2>{-2, -2}, {-2, 2}, {2, 2}, {-2, -2}, {2, 2}, {2, -2}})
            AddVertex(p[0], p[1], 0, 0, 0, 0xFFFFFF);
        EndObject();
        const double p[8][3] = {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
                                {-1, -1, 1},  {1, -1, 1},  {1, 1, 1},  {-1, 1, 1}};
        const int faces[6][4] = {{4, 5, 6, 7}, {1, 0, 3, 2}, {5, 1, 2, 6},
                                 {0, 4, 7, 3}, {7, 6, 2, 3}, {0, 1, 5, 4}};
        StartObject(5);
        AddVertex(0, 0, 0, 0, 0, -1);
        for (const auto& f : faces)
            for (int k : {0, 1, 2, 0, 2, 3}) AddVertex(p[f[k]][0], p[f[k]][1], p[f[k]][2], 0, 0, 0xFFFFFF);
        EndObject();
        ASSERT_TRUE(g_engine.scene->slots[3].loaded && g_engine.scene->slots[5].loaded);
    }
    void TearDown() override { DestroyScene3D(); }

    // The largest x of a slot's stored triangles: quantisation may move the walls a little.
    static float Edge(int slot) {
        float edge = 0;
        for (const auto& v : g_engine.scene->slots[slot].meshes[0].frames[0].triangles)
            edge = std::max(edge, std::fabs(v.x));
        return edge;
    }
    static void ExpectAll(std::initializer_list<std::pair<double, double>> results) {
        int row = 0;
        for (const auto& [got, want] : results) EXPECT_NEAR(got, want, 1e-5) << "row " << row++;
    }
};

}  // namespace

TEST_F(ObjectCollision, SphereBoxAndRayAgainstASquareInPlaceAndMoved) {
    const float edge = Edge(3);
    ExpectAll({
        {SphereCollision(3, 0, 1, 0, 0, 0.9), 1},
        {SphereCollision(3, 0, 1, 0, 0, 1.1), 0},
        {SphereCollision(3, 0, 1, 0, 0, 50), 0},  // far outside the bounding sphere
        {SphereCollision(3, 0, 0.5, edge + 0.45, 0, 0), 1},
        {SphereCollision(3, 0, 0.5, edge + 0.55, 0, 0), 0},
        {SphereCollision(3, 1, 1, 0, 0, 0), 0},  // frames beyond the last and negative ones, bad slots
        {SphereCollision(3, -1, 1, 0, 0, 0), 0},
        {SphereCollision(4, 0, 1, 0, 0, 0), 0},
        {SphereCollision(-1, 0, 1, 0, 0, 0), 0},
        {SphereCollision(4096, 0, 1, 0, 0, 0), 0},
        {ObjectBoxCollision(3, 0, 0, 0, 0.4, 1, 1, 1), 1},
        {ObjectBoxCollision(3, 0, 0, 0, 0.6, 1, 1, 1), 0},
        {ObjectBoxCollision(3, 0, 0, 0, 0.6, 1, 1, 1.4), 1},  // depth runs along z
        {ObjectBoxCollision(3, 0, edge + 0.4, 0, 0, 1, 1, 1), 1},
        {ObjectBoxCollision(3, 0, edge + 0.6, 0, 0, 1, 1, 1), 0},
        {ObjectBoxCollision(7, 0, 0, 0, 0, 1, 1, 1), 0},
        {RayCollision(3, 0, 0.5, 0.5, 5, 0, 0, -3), 5},  // direction normalised
        {RayCollision(3, 0, 0.5, 0.5, 5, 0, 0, 1), -5},  // only behind the start
        {RayCollision(3, 0, -5, 0, 0, 1, 0, 0), 0},      // along the plane
        {RayCollision(3, 0, 0, 0, 5, 0, 0, 0), 0},       // no direction
        {RayCollision(3, 0, 9, 9, 5, 0, 0, -1), 0},      // beside the object
        {RayCollision(9, 0, 0, 0, 5, 0, 0, -1), 0},
    });
    // Moved to x = 10 and turned to stand in the plane x = 10: the tests happen in the object's space, the
    // box's width runs along world x and the sphere-box test's depth (object z) too.
    SetMovement(10, 0, 0);
    AddRotation(90, 0, 1, 0);
    ExpectAll({
        {SphereCollision(3, 0, 1, 0, 0, 0), 0},
        {SphereCollision(3, 0, 1, 10.9, 0, 0), 1},
        {RayCollision(3, 0, 0, 0.5, 0.5, 1, 0, 0), 10},
        {ObjectBoxCollision(3, 0, 10, 0, 0, 0.2, 0.2, 0.2), 1},
        {ObjectBoxCollision(3, 0, 10.3, 0, 0, 0.2, 0.2, 0.2), 0},
        {ObjectBoxCollision(3, 0, 10.3, 0, 0, 0.8, 0.2, 0.2), 1},
        {SphereBoxCollision(10, 0, 2.9, 1, 2, 2, 2), 0},
        {SphereBoxCollision(10, 0, 1.9, 1, 2, 2, 2), 1},
        {SphereBoxCollision(13, 0, 0, 1, 2, 2, 6), 1},
        {SphereBoxCollision(13, 0, 0, 1, 6, 2, 2), 0},
    });
}

TEST_F(ObjectCollision, InsideAClosedCube) {
    // Rays from inside hit the wall ahead (the one behind loses), also through an edge; from outside pointing
    // away only hits behind count, the nearest of them. A small sphere or box inside touches nothing; grown
    // to the walls they do.
    const float high = Edge(5);
    ExpectAll({
        {RayCollision(5, 0, 0, 0, 0, 1, 0, 0), high},
        {RayCollision(5, 0, 0.5, 0, 0, -1, 0, 0), 0.5 + high},
        {RayCollision(5, 0, 0, 0, 0, 1, 1, 0), high * std::sqrt(2.0)},
        {RayCollision(5, 0, 3, 0, 0, 1, 0, 0), high - 3},
        {SphereCollision(5, 0, 0.5, 0, 0, 0), 0},
        {SphereCollision(5, 0, 1.0, 0, 0, 0), 1},
        {ObjectBoxCollision(5, 0, 0, 0, 0, 1, 1, 1), 0},
        {ObjectBoxCollision(5, 0, 0, 0, 0, 2, 1, 1), 1},
    });
}
