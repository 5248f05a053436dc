// Collision maths against hand geometry and brute-force references, the commands, and screen conversions.
#include "gfx3d/collision.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <tuple>

#include "tests/gfx3d/fixtures.h"

using namespace tarvok;

namespace {

Vec3 RandomPoint(std::mt19937& rng, double range) {
    std::uniform_real_distribution<double> d(-range, range);
    return {d(rng), d(rng), d(rng)};
}
Vec3 Along(const Vec3& a, const Vec3& b, const Vec3& c, double s, double u) {
    return {a.x + (b.x - a.x) * s + (c.x - a.x) * u, a.y + (b.y - a.y) * s + (c.y - a.y) * u,
            a.z + (b.z - a.z) * s + (c.z - a.z) * u};
}
double Dot(const Vec3& p, const Vec3& q) { return p.x * q.x + p.y * q.y + p.z * q.z; }
Vec3 Minus(const Vec3& p, const Vec3& q) { return {p.x - q.x, p.y - q.y, p.z - q.z}; }
Vec3 Cross(const Vec3& p, const Vec3& q) {
    return {p.y * q.z - p.z * q.y, p.z * q.x - p.x * q.z, p.x * q.y - p.y * q.x};
}
double Length(const Vec3& p) { return std::sqrt(Dot(p, p)); }
Vec3 Scaled(const Vec3& p, double k) { return {p.x * k, p.y * k, p.z * k}; }

const Vec3 kA{0, 0, 0}, kB{4, 0, 0}, kC{0, 4, 0};

void ExpectAll(std::initializer_list<std::pair<double, double>> results) {
    int row = 0;
    for (const auto& [got, want] : results) EXPECT_NEAR(got, want, 1e-5) << "row " << row++;
}

}  // namespace

TEST(Collision3D, HandGeometryAndExactContacts) {
    // Spheres on the face from either side, grazing an edge and a corner, beyond the long edge (6 / sqrt 2
    // from (5, 5, 0)); a triangle without area is its segment or point.
    const Vec3 p{0, 0, 0}, q{2, 0, 0}, r{4, 0, 0};
    const std::tuple<Vec3, double, Vec3, Vec3, Vec3, bool> spheres[] = {
        {{1, 1, 2}, 2, kA, kB, kC, true},        {{1, 1, 2}, 1.999, kA, kB, kC, false},
        {{1, 1, -2}, 2, kA, kB, kC, true},       {{2, -0.5, 0}, 0.5, kA, kB, kC, true},
        {{2, -0.5, 0}, 0.49, kA, kB, kC, false}, {{-3, -4, 0}, 5, kA, kB, kC, true},
        {{-3, -4, 0}, 4.99, kA, kB, kC, false},  {{5, 5, 0}, 4.2, kA, kB, kC, false},
        {{5, 5, 0}, 4.25, kA, kB, kC, true},     {{1, 1, 0}, 1, p, q, r, true},
        {{1, 1, 0}, 0.9, p, q, r, false},        {{1, 1, 1}, 1, p, p, p, false},
        {{0, 1, 0}, 1, p, p, p, true}};
    for (const auto& [centre, radius, a, b, c, touches] : spheres)
        EXPECT_EQ(SphereTouchesTriangle(centre, radius, a, b, c), touches) << centre.x << " " << radius;

    // The unit cube and a triangle on its top face and a hair above, around it, a corner poking in, planes
    // x + y = s by the edge x = y = 1, triangles in z = 0 whose edge x + y = s passes that edge (only the
    // cross of z and that edge separates), far away, without area through and beside.
    using Box = std::tuple<Vec3, Vec3, Vec3, bool>;
    const auto diagonal = [](double s, bool overlaps) {
        return Box{{s + 10, -10, -10}, {s - 10, 10, -10}, {s, 0, 10}, overlaps};
    };
    const auto skew = [](double s, bool overlaps) { return Box{{s, 0, 0}, {0, s, 0}, {3, 3, 0}, overlaps}; };
    const Box boxes[] = {{{-5, -5, 1}, {5, -5, 1}, {0, 5, 1}, true},
                         {{-5, -5, 1.0001}, {5, -5, 1.0001}, {0, 5, 1.0001}, false},
                         {{-10, -10, 0}, {10, -10, 0}, {0, 10, 0}, true},
                         {{0.9, 0.9, 0.9}, {5, 5, 5}, {5, 6, 5}, true},
                         diagonal(1.9, true), diagonal(2.0, true), diagonal(2.01, false),
                         skew(1.95, true),    skew(2.05, false),
                         {{5, 5, 5}, {6, 5, 5}, {5, 6, 5}, false},
                         {{-3, 0, 0}, {3, 0, 0}, {0, 0, 0}, true},
                         {{-3, 2, 0}, {3, 2, 0}, {0, 2, 0}, false}};
    const std::array<Vec3, 3> unit = {Vec3{1, 0, 0}, Vec3{0, 1, 0}, Vec3{0, 0, 1}};
    for (const auto& [a, b, c, overlaps] : boxes)
        EXPECT_EQ(BoxOverlapsTriangle({}, unit, a, b, c), overlaps) << a.x << " " << a.z;
    // A face that the arithmetic puts a hair short (0.7 + 0.1 is 0.7999999999999999) still touches.
    EXPECT_TRUE(BoxOverlapsTriangle({0.7, 0, 0}, {Vec3{0.1, 0, 0}, Vec3{0, 1, 0}, Vec3{0, 0, 1}},
                                    {0.8, -5, -5}, {0.8, 5, -5}, {0.8, 0, 5}));

    // Spheres against boxes: touching a face and a corner, a point inside, a flat box's bottom face.
    const std::tuple<Vec3, double, Vec3, bool> sphereBoxes[] = {
        {{3, 0, 0}, 2, {1, 1, 1}, true},      {{3, 0, 0}, 1.99, {1, 1, 1}, false},
        {{2, 2, 2}, 1.73, {1, 1, 1}, false},  {{2, 2, 2}, std::sqrt(3.0) + 1e-12, {1, 1, 1}, true},
        {{0.5, 0, 0}, 0, {1, 1, 1}, true},    {{0, 0, -1.5}, 0.5, {2, 3, 1}, true},
        {{0, 0, -1.5}, 0.49, {2, 3, 1}, false}};
    for (const auto& [centre, radius, half, touches] : sphereBoxes)
        EXPECT_EQ(SphereTouchesBox(centre, radius, half), touches) << centre.x << " r " << radius;
}

TEST(Collision3D, TurnedBoxesAgreeWithSampledSignedDistances) {
    // The signed distance from a turned box to a dense grid of the triangle decides all but near contacts.
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> angle(0, 6.283185307179586), size(0.3, 3);
    int decided = 0;
    for (int n = 0; n < 400; ++n) {
        const Vec3 a = RandomPoint(rng, 5), b = RandomPoint(rng, 5), c = RandomPoint(rng, 5);
        const Vec3 centre = RandomPoint(rng, 2);
        const double a1 = angle(rng), a2 = angle(rng), h[3] = {size(rng), size(rng), size(rng)};
        const Vec3 u{std::cos(a1), std::sin(a1), 0};
        const Vec3 v{-std::sin(a1) * std::cos(a2), std::cos(a1) * std::cos(a2), std::sin(a2)};
        const Vec3 frame[3] = {u, v, Cross(u, v)};
        constexpr int kSteps = 120;
        double distance = 1e300;
        for (int i = 0; i <= kSteps; ++i)
            for (int j = 0; i + j <= kSteps; ++j) {
                const Vec3 p = Along(a, b, c, double(i) / kSteps, double(j) / kSteps);
                double outside = 0, inside = -1e300;
                for (int k = 0; k < 3; ++k) {
                    const double q = std::fabs(Dot(Minus(p, centre), frame[k])) - h[k];
                    outside += std::max(q, 0.0) * std::max(q, 0.0);
                    inside = std::max(inside, q);
                }
                distance = std::min(distance, std::sqrt(outside) + std::min(inside, 0.0));
            }
        const double longest = std::max({Length(Minus(a, b)), Length(Minus(b, c)), Length(Minus(c, a))});
        if (distance >= 0 && distance <= longest / kSteps) continue;
        const std::array<Vec3, 3> axes = {Scaled(u, h[0]), Scaled(v, h[1]), Scaled(frame[2], h[2])};
        EXPECT_EQ(BoxOverlapsTriangle(centre, axes, a, b, c), distance < 0) << n;
        ++decided;
    }
    EXPECT_GT(decided, 300);
}

TEST(RayTriangle, HandGeometryAndNearestHit) {
    // Down, from below (behind the start), from the face, along the plane, through an edge and a corner,
    // beside the edge, obliquely (sqrt 18 to (1, 1, 0)), at a flat triangle, with no direction; -100: none.
    const double k = 1 / std::sqrt(18.0);
    const Vec3 flat{8, 0, 0};
    const std::tuple<Vec3, Vec3, Vec3, double> cases[] = {
        {{1, 1, 5}, {0, 0, -1}, kC, 5},    {{1, 1, -5}, {0, 0, -1}, kC, -5}, {{1, 1, 0}, {0, 0, 1}, kC, 0},
        {{-1, 1, 0}, {1, 0, 0}, kC, -100}, {{2, 0, 3}, {0, 0, -1}, kC, 3},   {{2, 2, 3}, {0, 0, -1}, kC, 3},
        {{4, 0, 3}, {0, 0, -1}, kC, 3},      {{2, -0.001, 3}, {0, 0, -1}, kC, -100},
        {{0, 0, 4}, {k, k, -4 * k}, kC, std::sqrt(18.0)},
        {{1, 0, 5}, {0, 0, -1}, flat, -100}, {{1, 1, 5}, {0, 0, 0}, kC, -100}};
    for (const auto& [start, dir, c, expected] : cases) {
        double t = -100;
        EXPECT_EQ(RayHitsTriangle(start, dir, kA, kB, c, t), expected > -99) << start.x << " " << expected;
        EXPECT_TRUE(expected < -99 || std::fabs(t - expected) < 1e-12) << start.x << " " << t;
    }
    // The nearest hit in front wins, else the one behind closest to the start, else 0.
    for (const auto& [hits, nearest] : std::initializer_list<std::pair<std::vector<double>, double>>{
             {{}, 0}, {{3, -1, 2, -0.5, 7}, 2}, {{-5, -1, -3}, -1}}) {
        NearestHit hit;
        for (double d : hits) hit.Add(d);
        EXPECT_EQ(hit.Result(), nearest);
    }
}

TEST(RayTriangle, AgreesWithRaysBuiltThroughKnownPoints) {
    // Rays built to pass at t through a + s (b - a) + u (c - a) hit exactly when that point is inside.
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> weight(-0.4, 1.4), along(-3, 3);
    int hits = 0;
    for (int n = 0; n < 5000; ++n) {
        const Vec3 a = RandomPoint(rng, 3), b = RandomPoint(rng, 3), c = RandomPoint(rng, 3);
        const Vec3 start = RandomPoint(rng, 6);
        const double s = weight(rng), u = weight(rng), t = along(rng);
        const Vec3 p = Along(a, b, c, s, u), normal = Cross(Minus(b, a), Minus(c, a));
        const Vec3 dir = Scaled(Minus(p, start), 1 / t);
        const double margin = 1e-6;
        if (std::fabs(s) < margin || std::fabs(u) < margin || std::fabs(s + u - 1) < margin) continue;
        if (std::fabs(t) < 0.05 || std::fabs(Dot(normal, dir)) < 1e-3 * Length(normal) * Length(dir))
            continue;
        const bool inside = s > 0 && u > 0 && s + u < 1;
        double got = 0;
        ASSERT_EQ(RayHitsTriangle(start, dir, a, b, c, got), inside) << n;
        if (!inside) continue;
        EXPECT_NEAR(got, t, 1e-6 * (1 + std::fabs(t))) << n;
        ++hits;
    }
    EXPECT_GT(hits, 500);
}

TEST(ObjectCollision, CommandsInPlaceMovedAndOnBadSlotsAndFrames) {
    // Slot 3: a square of two triangles in z = 0 over -2..2 (quantised exactly); slot 5: squares at z = +-1.
    gfx3d_test::SceneScope scope;
    for (const auto& [slot, planes] : {std::pair{3, std::vector{0.0}}, {5, std::vector{-1.0, 1.0}}}) {
        StartObject(slot);
        AddVertex(0, 0, 0, 0, 0, -1);
        for (double z : planes)
            for (const auto& p : {std::array{-2, -2}, {-2, 2}, {2, 2}, {-2, -2}, {2, 2}, {2, -2}})
                AddVertex(p[0], p[1], z, 0, 0, 0xFFFFFF);
        EndObject();
    }
    // Sphere (x, y, z, r), box (x, y, z, width, height, depth), ray (start, direction); bad slots give 0.
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

    // Moved and turned into the plane x = 10: tests in object space, sphere-box at the current origin.
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

TEST(ScreenConversion, TargetAtCentreAndInverseWithinOnePixel) {
    const float eye[3] = {3, 4, 10}, target[3] = {1, -1, 0}, up[3] = {0, 1, 0};
    const Mat4 view = LookAtMatrix(eye, target, up);
    const float h = std::tan(30 * 3.14159265f / 180);
    const Mat4 projection = FrustumMatrix(-h * 4 / 3, h * 4 / 3, -h, h, 1, 100);
    const Viewport viewport = {0, 0, 640, 480};
    Vec3 screen;
    ASSERT_TRUE(WorldToScreenPoint(projection, view, viewport, {1, -1, 0}, screen));
    EXPECT_TRUE(std::fabs(screen.x - 320) < 1e-3 && std::fabs(screen.y - 240) < 1e-3 && screen.z > 0 &&
                screen.z < 1);

    std::mt19937 rng(3);
    for (int n = 0; n < 200; ++n) {
        Vec3 s, world, again;
        ASSERT_TRUE(WorldToScreenPoint(projection, view, viewport, RandomPoint(rng, 4), s));
        ASSERT_TRUE(ScreenToWorldPoint(projection, view, viewport, 480, s, world));
        ASSERT_TRUE(WorldToScreenPoint(projection, view, viewport, world, again));
        EXPECT_TRUE(std::fabs(again.x - s.x) < 1e-3 && std::fabs(again.y - s.y) <= 1.001 &&
                    std::fabs(again.z - s.z) < 1e-6)
            << n;
    }
    // A point in the eye's plane (clip w 0), an empty viewport and a singular projection: nothing written.
    Vec3 untouched{-7, -7, -7};
    Mat4 flat = IdentityMatrix();
    flat[10] = 0;
    EXPECT_FALSE(WorldToScreenPoint(projection, IdentityMatrix(), viewport, {2, 1, 0}, untouched));
    EXPECT_FALSE(ScreenToWorldPoint(projection, view, {0, 0, 0, 0}, 480, {1, 1, 0.5}, untouched));
    EXPECT_FALSE(ScreenToWorldPoint(flat, view, viewport, 480, {1, 1, 0.5}, untouched));
    EXPECT_TRUE(untouched.x == -7 && untouched.y == -7 && untouched.z == -7);
}
