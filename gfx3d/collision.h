// Collision and picking maths over memory: spheres, boxes and rays against triangles, the rigid inverse
// that brings world points into an object's space, and the world <-> screen conversions.
#pragma once

#include <array>

#include "gfx3d/transform.h"

namespace tarvok {

struct Vec3 {
    double x = 0, y = 0, z = 0;
};

// Inverse of a transform taken as the transpose of its 3x3 part and -(transpose x translation): exact
// for rotations and translations only, so a scaled transform does not rescale sizes.
Vec3 ToObjectPoint(const Mat4& m, const Vec3& p);
Vec3 ToObjectDirection(const Mat4& m, const Vec3& d);

// Whether a sphere touches the triangle (a distance equal to the radius touches). The centre's foot on
// the triangle's plane is inside when the angles it sees between consecutive corners add up to at least
// 0.99 x 2 pi; otherwise an edge within the radius touches. A triangle without area is only its edges.
bool SphereTouchesTriangle(const Vec3& centre, double radius, const Vec3& a, const Vec3& b, const Vec3& c);

// Whether the box (a parallelepiped: centre and three half axes) and the triangle share a point, by the
// separating axis test (touching counts as overlapping).
bool BoxOverlapsTriangle(const Vec3& centre, const std::array<Vec3, 3>& halfAxes, const Vec3& a,
                         const Vec3& b, const Vec3& c);

// Whether a sphere touches the axis-aligned box -halfSize..halfSize around the origin.
bool SphereTouchesBox(const Vec3& centre, double radius, const Vec3& halfSize);

// The ray start + t x dir meets the triangle (edges included) at t; false for a ray parallel to its
// plane or a triangle without area. t is negative for a hit behind the start.
bool RayHitsTriangle(const Vec3& start, const Vec3& dir, const Vec3& a, const Vec3& b, const Vec3& c,
                     double& t);

// Collects ray hits: the smallest positive distance wins, else the negative one closest to 0, else 0.
class NearestHit {
public:
    void Add(double t);
    double Result() const;
    bool Any() const { return front_ || behind_; }

private:
    bool front_ = false, behind_ = false;
    double nearestFront_ = 0, nearestBehind_ = 0;
};

// The viewport as GL gives it: x, y (from the bottom), width, height.
using Viewport = std::array<int, 4>;

// Screen position (x from the left, y from the top of the viewport height) and depth 0..1 of a world
// point; false (out left unchanged) when the clip w is 0.
bool WorldToScreenPoint(const Mat4& projection, const Mat4& modelview, const Viewport& viewport,
                        const Vec3& p, Vec3& out);
// The world point under a screen position (y from the top of a display of that height) at a depth 0..1;
// false when the matrices cannot be inverted or the result's w is 0.
bool ScreenToWorldPoint(const Mat4& projection, const Mat4& modelview, const Viewport& viewport,
                        int displayHeight, const Vec3& screen, Vec3& out);

// The inverse of a 4x4 matrix in double precision; false when it is singular.
bool InvertMatrix(const std::array<double, 16>& m, std::array<double, 16>& out);

}  // namespace tarvok
