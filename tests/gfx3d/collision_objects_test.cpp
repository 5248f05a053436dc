// The collision commands on built objects, in the object space of the current transform; the maths under
// them is checked in collision_test.cpp.
#include <gtest/gtest.h>

#include "tests/gfx3d/fixtures.h"

namespace {

void ExpectAll(std::initializer_list<std::pair<double, double>> results) {
    int row = 0;
    for (const auto& [got, want] : results) EXPECT_NEAR(got, want, 1e-5) << "row " << row++;
}

}  // namespace

TEST(ObjectCollision, CommandsInPlaceMovedAndOnBadSlotsAndFrames) {
    // Slot 3: a square of two triangles in z = 0 over -2..2 (which quantises exactly); slot 5: two such
    // squares in z = -1 and z = 1.
    gfx3d_test::SceneScope scope;
    for (const auto& [slot, planes] : {std::pair{3, std::vector{0.0}}, {5, std::vector{-1.0, 1.0}}}) {
        StartObject(slot);
        AddVertex(0, 0, 0, 0, 0, -1);
        for (double z : planes)
            for (const auto& p : {std::array{-2, -2}, {-2, 2}, {2, 2}, {-2, -2}, {2, 2}, {2, -2}})
                AddVertex(p[0], p[1], z, 0, 0, 0xFFFFFF);
        EndObject();
    }
    // Sphere (x, y, z, radius), box (x, y, z, width, height, depth) and ray (start, direction, normalised)
    // against the square; a ray hits behind the start only when nothing lies ahead. Slots without an object,
    // frames past the last and negative ones give 0.
    ExpectAll({{SphereCollision(3, 0, 1, 0, 0, 0.9), 1},
               {SphereCollision(3, 0, 1, 0, 0, 1.1), 0},
               {SphereCollision(3, 0, 1, 0, 0, 50), 0},
               {ObjectBoxCollision(3, 0, 0, 0, 0.4, 1, 1, 1), 1},
               {ObjectBoxCollision(3, 0, 0, 0, 0.6, 1, 1, 1), 0},
               {ObjectBoxCollision(3, 0, 0, 0, 0.6, 1, 1, 1.4), 1},
               {RayCollision(3, 0, 0.5, 0.5, 5, 0, 0, -3), 5},
               {RayCollision(3, 0, 0.5, 0.5, 5, 0, 0, 1), -5},
               {RayCollision(3, 0, 0, 0, 5, 0, 0, 0), 0}});
    for (const auto& [slot, frame] : {std::pair{3, 1}, {3, -1}, {4, 0}, {-1, 0}, {4096, 0}}) {
        EXPECT_EQ(SphereCollision(slot, frame, 1, 0, 0, 0), 0) << slot << " " << frame;
        EXPECT_EQ(ObjectBoxCollision(slot, frame, 0, 0, 0, 1, 1, 1), 0) << slot << " " << frame;
        EXPECT_EQ(RayCollision(slot, frame, 0, 0, 5, 0, 0, -1), 0) << slot << " " << frame;
    }
    // The nearest of several triangles' hits: ahead of a ray from between the squares, behind one from above.
    ExpectAll({{RayCollision(5, 0, 0, 0, 0, 0, 0, 1), 1}, {RayCollision(5, 0, 0, 0, 3, 0, 0, 1), -2}});

    // Moved to x = 10 and turned to stand in the plane x = 10: the tests happen in the object's space, the
    // box's width runs along world x; the sphere-box test is around the current origin with the box's depth
    // (object z) along world x too.
    SetMovement(10, 0, 0);
    AddRotation(90, 0, 1, 0);
    ExpectAll({{SphereCollision(3, 0, 1, 0, 0, 0), 0},
               {SphereCollision(3, 0, 1, 10.9, 0, 0), 1},
               {RayCollision(3, 0, 0, 0.5, 0.5, 1, 0, 0), 10},
               {ObjectBoxCollision(3, 0, 10, 0, 0, 0.2, 0.2, 0.2), 1},
               {ObjectBoxCollision(3, 0, 10.3, 0, 0, 0.2, 0.2, 0.2), 0},
               {ObjectBoxCollision(3, 0, 10.3, 0, 0, 0.8, 0.2, 0.2), 1},
               {SphereBoxCollision(10, 0, 2.9, 1, 2, 2, 2), 0},
               {SphereBoxCollision(10, 0, 1.9, 1, 2, 2, 2), 1},
               {SphereBoxCollision(13, 0, 0, 1, 2, 2, 6), 1},
               {SphereBoxCollision(13, 0, 0, 1, 6, 2, 2), 0}});
}
