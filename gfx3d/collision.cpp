// Collision and picking maths: every test works in double precision on float vertex data.
#include "gfx3d/collision.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace tarvok {

namespace {

constexpr double kTinySquared = 0.0000001;
constexpr double kFullTurn = 6.2203536;  // 0.99 x 2 pi

Vec3 operator-(const Vec3& a, const Vec3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec3 operator+(const Vec3& a, const Vec3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
Vec3 operator*(const Vec3& a, double s) { return {a.x * s, a.y * s, a.z * s}; }
double Dot(const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec3 Cross(const Vec3& a, const Vec3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// The vector scaled to unit length; a vector shorter than the tiny length becomes zero.
Vec3 UnitOrZero(const Vec3& v) {
    const double squared = Dot(v, v);
    return squared < kTinySquared ? Vec3{} : v * (1.0 / std::sqrt(squared));
}

double AngleBetween(const Vec3& u, const Vec3& v) { return std::acos(std::clamp(Dot(u, v), -1.0, 1.0)); }

double SegmentDistanceSquared(const Vec3& p, const Vec3& a, const Vec3& b) {
    const Vec3 ab = b - a;
    const double length = Dot(ab, ab);
    const double t = length > 0 ? std::clamp(Dot(p - a, ab) / length, 0.0, 1.0) : 0.0;
    const Vec3 d = p - (a + ab * t);
    return Dot(d, d);
}

std::array<double, 16> ToDouble(const Mat4& m) {
    std::array<double, 16> out{};
    for (int i = 0; i < 16; ++i) out[i] = m[i];
    return out;
}

std::array<double, 16> MultiplyDouble(const std::array<double, 16>& a, const std::array<double, 16>& b) {
    std::array<double, 16> out{};
    for (int c = 0; c < 4; ++c)
        for (int r = 0; r < 4; ++r)
            for (int k = 0; k < 4; ++k) out[c * 4 + r] += a[k * 4 + r] * b[c * 4 + k];
    return out;
}

std::array<double, 4> Apply(const std::array<double, 16>& m, const std::array<double, 4>& v) {
    std::array<double, 4> out{};
    for (int r = 0; r < 4; ++r)
        for (int k = 0; k < 4; ++k) out[r] += m[k * 4 + r] * v[k];
    return out;
}

}  // namespace

Vec3 ToObjectDirection(const Mat4& m, const Vec3& d) {
    // Transpose of the 3x3 part: row i of the result is column i of the matrix.
    return {m[0] * d.x + m[1] * d.y + m[2] * d.z, m[4] * d.x + m[5] * d.y + m[6] * d.z,
            m[8] * d.x + m[9] * d.y + m[10] * d.z};
}

Vec3 ToObjectPoint(const Mat4& m, const Vec3& p) {
    return ToObjectDirection(m, p) - ToObjectDirection(m, Vec3{m[12], m[13], m[14]});
}

bool SphereTouchesTriangle(const Vec3& centre, double radius, const Vec3& a, const Vec3& b, const Vec3& c) {
    const Vec3 normal = Cross(c - b, b - a);
    const double length = std::sqrt(Dot(normal, normal));
    if (length > 0) {
        const Vec3 n = normal * (1.0 / length);
        const double distance = Dot(centre - a, n);
        if (std::fabs(distance) > radius) return false;
        const Vec3 foot = centre - n * distance;
        const Vec3 va = UnitOrZero(a - foot), vb = UnitOrZero(b - foot), vc = UnitOrZero(c - foot);
        if (AngleBetween(va, vb) + AngleBetween(vb, vc) + AngleBetween(vc, va) >= kFullTurn) return true;
    }
    const double r2 = radius * radius;
    return SegmentDistanceSquared(centre, a, b) <= r2 || SegmentDistanceSquared(centre, b, c) <= r2 ||
           SegmentDistanceSquared(centre, c, a) <= r2;
}

bool BoxOverlapsTriangle(const Vec3& centre, const std::array<Vec3, 3>& halfAxes, const Vec3& a,
                         const Vec3& b, const Vec3& c) {
    const Vec3 edges[3] = {b - a, c - b, a - c};
    // Candidate separating axes: the box's face normals, the triangle's normal and every box edge
    // direction crossed with every triangle edge. Zero-length candidates separate nothing.
    Vec3 axes[13];
    int count = 0;
    for (int i = 0; i < 3; ++i) axes[count++] = Cross(halfAxes[(i + 1) % 3], halfAxes[(i + 2) % 3]);
    axes[count++] = Cross(edges[0], edges[1]);
    for (const Vec3& h : halfAxes)
        for (const Vec3& e : edges) axes[count++] = Cross(h, e);
    for (const Vec3& axis : axes) {
        const double scale = Dot(axis, axis);
        if (scale < 1e-18) continue;
        const double boxCentre = Dot(centre, axis);
        double boxRadius = 0;
        for (const Vec3& h : halfAxes) boxRadius += std::fabs(Dot(h, axis));
        const double pa = Dot(a, axis), pb = Dot(b, axis), pc = Dot(c, axis);
        const double low = std::min({pa, pb, pc}), high = std::max({pa, pb, pc});
        // A relative slack keeps exact contacts from being lost to rounding.
        const double slack = 1e-12 * (std::fabs(boxCentre) + boxRadius + std::fabs(low) + std::fabs(high));
        if (low > boxCentre + boxRadius + slack || high < boxCentre - boxRadius - slack) return false;
    }
    return true;
}

bool SphereTouchesBox(const Vec3& centre, double radius, const Vec3& halfSize) {
    double sum = 0;
    const double p[3] = {centre.x, centre.y, centre.z}, h[3] = {halfSize.x, halfSize.y, halfSize.z};
    for (int i = 0; i < 3; ++i) {
        const double outside = std::max({p[i] - std::fabs(h[i]), -std::fabs(h[i]) - p[i], 0.0});
        sum += outside * outside;
    }
    return sum <= radius * radius;
}

bool RayHitsTriangle(const Vec3& start, const Vec3& dir, const Vec3& a, const Vec3& b, const Vec3& c,
                     double& t) {
    const Vec3 ab = b - a, ac = c - a;
    const Vec3 n = Cross(ab, ac);
    const double facing = Dot(n, dir);
    if (facing == 0) return false;
    const double distance = -Dot(n, start - a) / facing;
    const Vec3 w = start + dir * distance - a;
    // Barycentric coordinates of the hit point along the edges from a.
    const double d00 = Dot(ab, ab), d01 = Dot(ab, ac), d11 = Dot(ac, ac);
    const double d20 = Dot(w, ab), d21 = Dot(w, ac);
    const double denominator = d00 * d11 - d01 * d01;
    if (denominator == 0) return false;
    const double s = (d11 * d20 - d01 * d21) / denominator;
    const double u = (d00 * d21 - d01 * d20) / denominator;
    if (!(s >= 0 && u >= 0 && s <= 1 && s + u <= 1)) return false;
    t = distance;
    return std::isfinite(t);
}

void NearestHit::Add(double t) {
    if (t > 0) {
        if (!front_ || t < nearestFront_) nearestFront_ = t;
        front_ = true;
    } else if (t < 0) {
        if (!behind_ || t > nearestBehind_) nearestBehind_ = t;
        behind_ = true;
    }
}

double NearestHit::Result() const { return front_ ? nearestFront_ : behind_ ? nearestBehind_ : 0.0; }

bool WorldToScreenPoint(const Mat4& projection, const Mat4& modelview, const Viewport& viewport,
                        const Vec3& p, Vec3& out) {
    const auto clip = Apply(MultiplyDouble(ToDouble(projection), ToDouble(modelview)), {p.x, p.y, p.z, 1.0});
    if (clip[3] == 0) return false;
    const double nx = clip[0] / clip[3], ny = clip[1] / clip[3], nz = clip[2] / clip[3];
    out.x = viewport[0] + viewport[2] * (nx + 1) / 2;
    out.y = viewport[3] - (viewport[1] + viewport[3] * (ny + 1) / 2);
    out.z = (nz + 1) / 2;
    return true;
}

bool ScreenToWorldPoint(const Mat4& projection, const Mat4& modelview, const Viewport& viewport,
                        int displayHeight, const Vec3& screen, Vec3& out) {
    if (viewport[2] == 0 || viewport[3] == 0) return false;
    std::array<double, 16> inverse{};
    if (!InvertMatrix(MultiplyDouble(ToDouble(projection), ToDouble(modelview)), inverse)) return false;
    const double sy = (displayHeight - 1) - screen.y;
    const auto world = Apply(inverse, {2 * (screen.x - viewport[0]) / viewport[2] - 1,
                                       2 * (sy - viewport[1]) / viewport[3] - 1, 2 * screen.z - 1, 1.0});
    if (world[3] == 0) return false;
    out = {world[0] / world[3], world[1] / world[3], world[2] / world[3]};
    return true;
}

bool InvertMatrix(const std::array<double, 16>& m, std::array<double, 16>& out) {
    // Gauss-Jordan elimination with partial pivoting on rows of [m | identity].
    double rows[4][8] = {};
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) rows[r][c] = m[c * 4 + r];
        rows[r][4 + r] = 1;
    }
    for (int col = 0; col < 4; ++col) {
        int pivot = col;
        for (int r = col + 1; r < 4; ++r)
            if (std::fabs(rows[r][col]) > std::fabs(rows[pivot][col])) pivot = r;
        if (!(std::fabs(rows[pivot][col]) > 0)) return false;
        std::swap(rows[pivot], rows[col]);
        const double scale = 1.0 / rows[col][col];
        for (double& v : rows[col]) v *= scale;
        for (int r = 0; r < 4; ++r) {
            if (r == col) continue;
            const double factor = rows[r][col];
            for (int k = 0; k < 8; ++k) rows[r][k] -= factor * rows[col][k];
        }
    }
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) out[c * 4 + r] = rows[r][4 + c];
    return true;
}

}  // namespace tarvok
