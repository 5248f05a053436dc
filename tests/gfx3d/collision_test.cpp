// Collision maths against hand geometry and brute-force sampling, and the world <-> screen conversions.
#include "gfx3d/collision.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

using namespace tarvok;

namespace {

Vec3 Lerp3(const Vec3& a, const Vec3& b, const Vec3& c, double s, double t) {
    return {a.x + (b.x - a.x) * s + (c.x - a.x) * t, a.y + (b.y - a.y) * s + (c.y - a.y) * t,
            a.z + (b.z - a.z) * s + (c.z - a.z) * t};
}
double Distance(const Vec3& p, const Vec3& q) { return std::hypot(p.x - q.x, p.y - q.y, p.z - q.z); }
double LongestEdge(const Vec3& a, const Vec3& b, const Vec3& c) {
    return std::max({Distance(a, b), Distance(b, c), Distance(c, a)});
}

// Calls f(point) on a dense grid of points of the triangle; returns the spacing bound of the grid.
template <typename F>
double SampleTriangle(const Vec3& a, const Vec3& b, const Vec3& c, int steps, F f) {
    for (int i = 0; i <= steps; ++i)
        for (int j = 0; i + j <= steps; ++j) f(Lerp3(a, b, c, double(i) / steps, double(j) / steps));
    return LongestEdge(a, b, c) / steps;
}

Vec3 RandomPoint(std::mt19937& rng, double range) {
    std::uniform_real_distribution<double> d(-range, range);
    return {d(rng), d(rng), d(rng)};
}

const Vec3 kA{0, 0, 0}, kB{4, 0, 0}, kC{0, 4, 0};

}  // namespace

TEST(SphereTriangle, HandGeometry) {
    // Resting on the face from either side, just above it, grazing an edge and a corner; beyond the long
    // edge x + y = 4 (distance 6 / sqrt 2 from (5, 5, 0)); a triangle without area is its segment or point.
    const Vec3 p{0, 0, 0}, q{2, 0, 0}, r{4, 0, 0};
    const struct {
        Vec3 centre;
        double radius;
        Vec3 a, b, c;
        bool touches;
    } cases[] = {
        {{1, 1, 2}, 2, kA, kB, kC, true},        {{1, 1, 2}, 1.999, kA, kB, kC, false},
        {{1, 1, -2}, 2, kA, kB, kC, true},       {{2, -0.5, 0}, 0.5, kA, kB, kC, true},
        {{2, -0.5, 0}, 0.49, kA, kB, kC, false}, {{-3, -4, 0}, 5, kA, kB, kC, true},
        {{-3, -4, 0}, 4.99, kA, kB, kC, false},  {{5, 5, 0}, 4.2, kA, kB, kC, false},
        {{5, 5, 0}, 4.25, kA, kB, kC, true},     {{1, 1, 0}, 1, p, q, r, true},
        {{1, 1, 0}, 0.9, p, q, r, false},        {{1, 1, 1}, 1, p, p, p, false},
        {{0, 1, 0}, 1, p, p, p, true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SphereTouchesTriangle(c.centre, c.radius, c.a, c.b, c.c), c.touches)
            << c.centre.x << "," << c.centre.y << "," << c.centre.z << " r " << c.radius;
    }
}

TEST(SphereTriangle, AgreesWithSampledDistance) {
    std::mt19937 rng(11);
    int decided = 0;
    for (int n = 0; n < 400; ++n) {
        const Vec3 a = RandomPoint(rng, 5), b = RandomPoint(rng, 5), c = RandomPoint(rng, 5);
        const Vec3 centre = RandomPoint(rng, 6);
        const double radius = std::uniform_real_distribution<double>(0.1, 4)(rng);
        double nearest = 1e300;
        const double spacing = SampleTriangle(
            a, b, c, 120, [&](const Vec3& p) { nearest = std::min(nearest, Distance(p, centre)); });
        // Where the sphere's centre projects just outside an edge, the angle-sum rule counts it inside
        // (the edge then subtends more than 0.99 x 180 degrees): those cases are left out here.
        const double ex = (b.y - a.y) * (c.z - a.z) - (b.z - a.z) * (c.y - a.y);
        const double ey = (b.z - a.z) * (c.x - a.x) - (b.x - a.x) * (c.z - a.z);
        const double ez = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
        const double length = std::hypot(ex, ey, ez);
        const double plane =
            std::fabs(ex * (centre.x - a.x) + ey * (centre.y - a.y) + ez * (centre.z - a.z)) / length;
        const double inPlane = std::sqrt(std::max(0.0, nearest * nearest - plane * plane));
        if (plane <= radius && inPlane > spacing && inPlane < 0.02 * LongestEdge(a, b, c)) continue;
        const bool hit = SphereTouchesTriangle(centre, radius, a, b, c);
        if (nearest < radius - 1e-9) {
            EXPECT_TRUE(hit) << n;
            ++decided;
        } else if (nearest - spacing > radius + 1e-9) {
            EXPECT_FALSE(hit) << n;
            ++decided;
        }
    }
    EXPECT_GT(decided, 300);
}

TEST(BoxTriangle, HandGeometry) {
    const std::array<Vec3, 3> unit = {Vec3{1, 0, 0}, Vec3{0, 1, 0}, Vec3{0, 0, 1}};
    const Vec3 origin{0, 0, 0};
    // A large triangle in the plane z = 1 lies on the top face; a hair above it misses.
    EXPECT_TRUE(BoxOverlapsTriangle(origin, unit, {-5, -5, 1}, {5, -5, 1}, {0, 5, 1}));
    EXPECT_FALSE(BoxOverlapsTriangle(origin, unit, {-5, -5, 1.0001}, {5, -5, 1.0001}, {0, 5, 1.0001}));
    // A face that the arithmetic puts a hair short: 0.7 + 0.1 is 0.7999999999999999, yet the triangle in
    // x = 0.8 lies on the box's face and touches it.
    EXPECT_TRUE(BoxOverlapsTriangle({0.7, 0, 0}, {Vec3{0.1, 0, 0}, Vec3{0, 1, 0}, Vec3{0, 0, 1}}, {0.8, -5, -5},
                                    {0.8, 5, -5}, {0.8, 0, 5}));
    // A triangle around the box in z = 0 without a corner inside it.
    EXPECT_TRUE(BoxOverlapsTriangle(origin, unit, {-10, -10, 0}, {10, -10, 0}, {0, 10, 0}));
    // One corner poking into the box.
    EXPECT_TRUE(BoxOverlapsTriangle(origin, unit, {0.9, 0.9, 0.9}, {5, 5, 5}, {5, 6, 5}));
    // Planes x + y = s, vertical, near the box's edge at x = y = 1: only an edge-cross axis separates.
    const auto diagonal = [&](double s) {
        return BoxOverlapsTriangle(origin, unit, {s + 10, -10, -10}, {s - 10, 10, -10}, {s, 0, 10});
    };
    EXPECT_TRUE(diagonal(1.9));
    EXPECT_TRUE(diagonal(2.0));
    EXPECT_FALSE(diagonal(2.01));
    // Far away, and a triangle without area crossing the box.
    EXPECT_FALSE(BoxOverlapsTriangle(origin, unit, {5, 5, 5}, {6, 5, 5}, {5, 6, 5}));
    EXPECT_TRUE(BoxOverlapsTriangle(origin, unit, {-3, 0, 0}, {3, 0, 0}, {0, 0, 0}));
    EXPECT_FALSE(BoxOverlapsTriangle(origin, unit, {-3, 2, 0}, {3, 2, 0}, {0, 2, 0}));
}

TEST(BoxTriangle, AgreesWithSampledSignedDistance) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> angle(0, 6.283185307179586), size(0.3, 3);
    int decided = 0;
    for (int n = 0; n < 400; ++n) {
        // An orthonormal frame from two rotations, the box's half sizes along it.
        const double a1 = angle(rng), a2 = angle(rng);
        const Vec3 u{std::cos(a1), std::sin(a1), 0};
        const Vec3 v{-std::sin(a1) * std::cos(a2), std::cos(a1) * std::cos(a2), std::sin(a2)};
        const Vec3 w{u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
        const double h[3] = {size(rng), size(rng), size(rng)};
        const Vec3 centre = RandomPoint(rng, 2);
        const std::array<Vec3, 3> axes = {Vec3{u.x * h[0], u.y * h[0], u.z * h[0]},
                                          Vec3{v.x * h[1], v.y * h[1], v.z * h[1]},
                                          Vec3{w.x * h[2], w.y * h[2], w.z * h[2]}};
        const Vec3 a = RandomPoint(rng, 5), b = RandomPoint(rng, 5), c = RandomPoint(rng, 5);
        double nearest = 1e300;
        const double spacing = SampleTriangle(a, b, c, 120, [&](const Vec3& p) {
            const Vec3 d{p.x - centre.x, p.y - centre.y, p.z - centre.z};
            const Vec3 frame[3] = {u, v, w};
            double outside = 0, inside = -1e300;
            for (int k = 0; k < 3; ++k) {
                const double q = std::fabs(d.x * frame[k].x + d.y * frame[k].y + d.z * frame[k].z) - h[k];
                outside += std::max(q, 0.0) * std::max(q, 0.0);
                inside = std::max(inside, q);
            }
            nearest = std::min(nearest, std::sqrt(outside) + std::min(inside, 0.0));
        });
        const bool hit = BoxOverlapsTriangle(centre, axes, a, b, c);
        if (nearest <= 0) {
            EXPECT_TRUE(hit) << n;
            ++decided;
        } else if (nearest > spacing) {
            EXPECT_FALSE(hit) << n;
            ++decided;
        }
    }
    EXPECT_GT(decided, 300);
}

TEST(SphereBox, HandGeometry) {
    // Touching a face and a corner, a point inside, a flat box's bottom face and missing it from below.
    const struct {
        Vec3 centre;
        double radius;
        Vec3 half;
        bool touches;
    } cases[] = {{{3, 0, 0}, 2, {1, 1, 1}, true},   {{3, 0, 0}, 1.99, {1, 1, 1}, false},
                 {{2, 2, 2}, std::sqrt(3.0) + 1e-12, {1, 1, 1}, true},
                 {{2, 2, 2}, 1.73, {1, 1, 1}, false}, {{0.5, 0, 0}, 0, {1, 1, 1}, true},
                 {{0, 0, -1.5}, 0.5, {2, 3, 1}, true},  {{0, 0, -1.5}, 0.49, {2, 3, 1}, false}};
    for (const auto& c : cases) {
        EXPECT_EQ(SphereTouchesBox(c.centre, c.radius, c.half), c.touches) << c.centre.x << " r " << c.radius;
    }
}

TEST(RayTriangle, HandGeometryAndNearestHit) {
    // Straight down, from below (behind the start), starting on the face, along the plane, through an edge
    // and a corner, just beside the edge, obliquely (to (1, 1, 0) at distance sqrt 18), against a triangle
    // without area and with a zero direction. t < -99: no hit.
    const double k = 1 / std::sqrt(18.0);
    const Vec3 flat{8, 0, 0};
    const struct {
        Vec3 start, dir;
        const Vec3& c;
        double t;
    } cases[] = {
        {{1, 1, 5}, {0, 0, -1}, kC, 5},           {{1, 1, -5}, {0, 0, -1}, kC, -5},
        {{1, 1, 0}, {0, 0, 1}, kC, 0},            {{-1, 1, 0}, {1, 0, 0}, kC, -100},
        {{2, 0, 3}, {0, 0, -1}, kC, 3},           {{2, 2, 3}, {0, 0, -1}, kC, 3},
        {{4, 0, 3}, {0, 0, -1}, kC, 3},           {{2, -0.001, 3}, {0, 0, -1}, kC, -100},
        {{0, 0, 4}, {k, k, -4 * k}, kC, std::sqrt(18.0)},
        {{1, 0, 5}, {0, 0, -1}, flat, -100},      {{1, 1, 5}, {0, 0, 0}, kC, -100},
    };
    for (const auto& c : cases) {
        double t = -100;
        SCOPED_TRACE(testing::Message() << c.start.x << "," << c.start.y << "," << c.start.z);
        EXPECT_EQ(RayHitsTriangle(c.start, c.dir, kA, kB, c.c, t), c.t > -99);
        if (c.t > -99) {
            EXPECT_NEAR(t, c.t, 1e-12);
        }
    }

    NearestHit none;
    EXPECT_EQ(none.Result(), 0);
    NearestHit mixed;
    for (double d : {3.0, -1.0, 2.0, -0.5, 7.0}) mixed.Add(d);
    EXPECT_EQ(mixed.Result(), 2);
    NearestHit behind;
    for (double d : {-5.0, -1.0, -3.0}) behind.Add(d);
    EXPECT_EQ(behind.Result(), -1);
}

TEST(RayTriangle, AgreesWithCramersRule) {
    std::mt19937 rng(5);
    int hits = 0;
    for (int n = 0; n < 5000; ++n) {
        const Vec3 a = RandomPoint(rng, 3), b = RandomPoint(rng, 3), c = RandomPoint(rng, 3);
        const Vec3 start = RandomPoint(rng, 6), dir = RandomPoint(rng, 1);
        // start + t dir = a + s (b - a) + u (c - a): columns dir, a - b, a - c, right side a - start.
        const double m[3][3] = {
            {dir.x, a.x - b.x, a.x - c.x}, {dir.y, a.y - b.y, a.y - c.y}, {dir.z, a.z - b.z, a.z - c.z}};
        const double r[3] = {a.x - start.x, a.y - start.y, a.z - start.z};
        const auto det = [](const double q[3][3]) {
            return q[0][0] * (q[1][1] * q[2][2] - q[1][2] * q[2][1]) -
                   q[0][1] * (q[1][0] * q[2][2] - q[1][2] * q[2][0]) +
                   q[0][2] * (q[1][0] * q[2][1] - q[1][1] * q[2][0]);
        };
        const double d = det(m);
        if (std::fabs(d) < 1e-6) continue;
        double solution[3];
        for (int col = 0; col < 3; ++col) {
            double q[3][3];
            for (int i = 0; i < 3; ++i)
                for (int j = 0; j < 3; ++j) q[i][j] = j == col ? r[i] : m[i][j];
            solution[col] = det(q) / d;
        }
        const double s = solution[1], u = solution[2];
        const double margin = 1e-7;
        if (std::fabs(s) < margin || std::fabs(u) < margin || std::fabs(s + u - 1) < margin) continue;
        const bool expected = s > 0 && u > 0 && s + u < 1;
        double t = 0;
        ASSERT_EQ(RayHitsTriangle(start, dir, a, b, c, t), expected) << n;
        if (expected) {
            EXPECT_NEAR(t, solution[0], 1e-6 * (1 + std::fabs(t)));
            ++hits;
        }
    }
    EXPECT_GT(hits, 50);
}

TEST(ScreenConversion, TargetAtCentreAndInverseWithinOnePixel) {
    const float eye[3] = {3, 4, 10}, target[3] = {1, -1, 0}, up[3] = {0, 1, 0};
    const Mat4 view = LookAtMatrix(eye, target, up);
    const float h = std::tan(30 * 3.14159265f / 180);
    const Mat4 projection = FrustumMatrix(-h * 4 / 3, h * 4 / 3, -h, h, 1, 100);
    const Viewport viewport = {0, 0, 640, 480};
    Vec3 screen;
    ASSERT_TRUE(WorldToScreenPoint(projection, view, viewport, {1, -1, 0}, screen));
    EXPECT_NEAR(screen.x, 320, 1e-3);
    EXPECT_NEAR(screen.y, 240, 1e-3);
    EXPECT_GT(screen.z, 0);
    EXPECT_LT(screen.z, 1);

    std::mt19937 rng(3);
    for (int n = 0; n < 200; ++n) {
        const Vec3 p = RandomPoint(rng, 4);
        Vec3 s, world, again;
        ASSERT_TRUE(WorldToScreenPoint(projection, view, viewport, p, s));
        ASSERT_TRUE(ScreenToWorldPoint(projection, view, viewport, 480, s, world));
        ASSERT_TRUE(WorldToScreenPoint(projection, view, viewport, world, again));
        EXPECT_NEAR(again.x, s.x, 1e-3);
        EXPECT_LE(std::fabs(again.y - s.y), 1.001);
        EXPECT_NEAR(again.z, s.z, 1e-6);
    }
    // A point in the eye's plane has clip w 0: nothing is written.
    Vec3 untouched{-7, -7, -7};
    EXPECT_FALSE(WorldToScreenPoint(projection, IdentityMatrix(), viewport, {2, 1, 0}, untouched));
    EXPECT_EQ(untouched.x, -7);
    EXPECT_FALSE(ScreenToWorldPoint(projection, view, {0, 0, 0, 0}, 480, {1, 1, 0.5}, untouched));
    Mat4 flat = IdentityMatrix();
    flat[10] = 0;
    EXPECT_FALSE(ScreenToWorldPoint(flat, view, viewport, 480, {1, 1, 0.5}, untouched));
    EXPECT_EQ(untouched.z, -7);
}
