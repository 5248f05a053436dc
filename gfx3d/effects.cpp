// Maths of bump mapping, cel shading and shadow volumes.
#include "gfx3d/effects.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>

namespace tarvok {

namespace {

constexpr float kTinySquared = 0.0000001f;

std::array<float, 3> Normalised(float x, float y, float z) {
    const float squared = x * x + y * y + z * z;
    if (squared <= kTinySquared) return {x, y, z};
    const float length = std::sqrt(squared);
    return {x / length, y / length, z / length};
}

float Dot(const std::array<float, 3>& a, const float b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

int PowerOfTwoAtLeast(std::size_t n, int from, int limit) {
    int p = from;
    while (static_cast<std::size_t>(p) < n && p < limit) p *= 2;
    return p;
}

// Identical positions share one key (0 and -0 compare equal, so they are folded together first).
std::uint32_t Bits(float f) {
    if (f == 0) f = 0;
    std::uint32_t bits = 0;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}

struct PositionKey {
    std::uint32_t x, y, z;
    bool operator==(const PositionKey&) const = default;
};
struct PositionHash {
    std::size_t operator()(const PositionKey& k) const {
        return (static_cast<std::size_t>(k.x) * 73856093u) ^ (static_cast<std::size_t>(k.y) * 19349663u) ^
               (static_cast<std::size_t>(k.z) * 83492791u);
    }
};

std::array<float, 4> AtInfinity(const ExpandedVertex& v, const float light[3]) {
    return {v.x - light[0], v.y - light[1], v.z - light[2], 0};
}
std::array<float, 4> AsIs(const ExpandedVertex& v) { return {v.x, v.y, v.z, 1}; }

}  // namespace

std::vector<std::uint8_t> DefaultShadeRamp() {
    return {100, 160, 160, 160, 160, 160, 160, 207, 255, 255, 255, 255, 255, 255, 255, 255};
}

ShadeTexture BuildShadeTexture(const std::vector<std::uint32_t>& colours,
                               const std::vector<std::uint8_t>& ramp) {
    static const std::vector<std::uint8_t> kFlat = {255};
    const std::vector<std::uint8_t>& shades = ramp.empty() ? kFlat : ramp;
    ShadeTexture out;
    out.height = PowerOfTwoAtLeast(colours.size(), 1, 32768);
    out.width = 4 * shades.size() > 64 ? PowerOfTwoAtLeast(4 * shades.size(), 64, 512) : 64;
    out.rgba.resize(static_cast<std::size_t>(out.width) * out.height * 4);
    for (int row = 0; row < out.height; ++row) {
        const std::size_t entry = static_cast<std::size_t>(row) < colours.size() ? row : 0;
        const std::uint32_t colour = entry < colours.size() ? colours[entry] : 0xFFFFFF;
        for (int x = 0; x < out.width; ++x) {
            const std::uint32_t shade = shades[static_cast<std::size_t>(x) * shades.size() / out.width];
            std::uint8_t* texel = &out.rgba[(static_cast<std::size_t>(row) * out.width + x) * 4];
            for (int channel = 0; channel < 3; ++channel)
                texel[channel] = static_cast<std::uint8_t>(((colour >> (8 * channel)) & 0xFF) * shade / 255);
            texel[3] = 255;
        }
    }
    return out;
}

std::array<float, 3> LightDirection(const ExpandedVertex& v, const float light[3]) {
    return Normalised(light[0] - v.x, light[1] - v.y, light[2] - v.z);
}

std::array<float, 3> BumpLightVector(const ExpandedVertex& v, const float tangent[3], const float binormal[3],
                                     const float light[3]) {
    const std::array<float, 3> l = LightDirection(v, light);
    const float normal[3] = {v.nx, v.ny, v.nz};
    return {Dot(l, tangent) * 0.5f + 0.5f, Dot(l, binormal) * 0.5f + 0.5f, Dot(l, normal) * 0.5f + 0.5f};
}

float CelShade(const ExpandedVertex& v, const float light[3]) {
    const std::array<float, 3> l = LightDirection(v, light);
    const std::array<float, 3> d = Normalised(v.x - v.nx, v.y - v.ny, v.z - v.nz);
    const float s = l[0] * d[0] + l[1] * d[1] + l[2] * d[2];
    return std::isnan(s) ? 0.05f : std::clamp(s, 0.05f, 0.95f);
}

std::vector<std::int32_t> FindTriangleNeighbours(const std::vector<ExpandedVertex>& triangles) {
    const std::size_t count = triangles.size() / 3;
    std::unordered_map<PositionKey, std::uint32_t, PositionHash> ids;
    std::vector<std::uint32_t> corner(count * 3);
    for (std::size_t i = 0; i < count * 3; ++i) {
        const ExpandedVertex& v = triangles[i];
        corner[i] = ids.try_emplace(PositionKey{Bits(v.x), Bits(v.y), Bits(v.z)},
                                    static_cast<std::uint32_t>(ids.size()))
                        .first->second;
    }
    // For every undirected edge, the triangles that have it, in triangle order. An edge's neighbour is
    // the first other triangle with it: that is the first found by a search over all later triangles,
    // or the earlier triangle that found this edge first.
    std::unordered_map<std::uint64_t, std::vector<std::int32_t>> owners;
    const auto key = [&](std::size_t t, int k) {
        const std::uint64_t a = corner[t * 3 + k], b = corner[t * 3 + (k + 1) % 3];
        return std::min(a, b) << 32 | std::max(a, b);
    };
    for (std::size_t t = 0; t < count; ++t)
        for (int k = 0; k < 3; ++k) {
            std::vector<std::int32_t>& list = owners[key(t, k)];
            // The first two distinct owners decide every neighbour of the edge.
            if (list.size() < 2 && (list.empty() || list.back() != static_cast<std::int32_t>(t)))
                list.push_back(static_cast<std::int32_t>(t));
        }
    std::vector<std::int32_t> neighbours(count * 3, -1);
    for (std::size_t t = 0; t < count; ++t)
        for (int k = 0; k < 3; ++k)
            for (const std::int32_t other : owners[key(t, k)])
                if (other != static_cast<std::int32_t>(t)) {
                    neighbours[t * 3 + k] = other;
                    break;
                }
    return neighbours;
}

std::vector<std::uint8_t> LitTriangles(const std::vector<ExpandedVertex>& triangles, const float light[3]) {
    const std::size_t count = triangles.size() / 3;
    std::vector<std::uint8_t> lit(count);
    for (std::size_t t = 0; t < count; ++t) {
        const ExpandedVertex &a = triangles[t * 3], &b = triangles[t * 3 + 1], &c = triangles[t * 3 + 2];
        const float e1[3] = {c.x - b.x, c.y - b.y, c.z - b.z}, e2[3] = {b.x - a.x, b.y - a.y, b.z - a.z};
        const std::array<float, 3> n = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                                        e1[0] * e2[1] - e1[1] * e2[0]};
        const float toLight[3] = {light[0] - (a.x + b.x + c.x) / 3, light[1] - (a.y + b.y + c.y) / 3,
                                  light[2] - (a.z + b.z + c.z) / 3};
        lit[t] = Dot(n, toLight) >= 0;
    }
    return lit;
}

void BuildShadowVolume(const std::vector<ExpandedVertex>& triangles,
                       const std::vector<std::int32_t>& neighbours, const float light[3], ShadowVolume& out) {
    out.sides.clear();
    out.caps.clear();
    const std::size_t count = std::min(triangles.size() / 3, neighbours.size() / 3);
    const std::vector<std::uint8_t> lit = LitTriangles(triangles, light);
    for (std::size_t t = 0; t < count; ++t) {
        if (!lit[t]) continue;
        for (int k = 0; k < 3; ++k) {
            const std::int32_t other = neighbours[t * 3 + k];
            if (other >= 0 && static_cast<std::size_t>(other) < count && lit[static_cast<std::size_t>(other)])
                continue;
            const ExpandedVertex &a = triangles[t * 3 + k], &b = triangles[t * 3 + (k + 1) % 3];
            out.sides.push_back(AsIs(b));
            out.sides.push_back(AsIs(a));
            out.sides.push_back(AtInfinity(a, light));
            out.sides.push_back(AtInfinity(b, light));
        }
    }
    for (std::size_t t = 0; t < count; ++t)
        for (int k = 0; k < 3; ++k)
            out.caps.push_back(lit[t] ? AsIs(triangles[t * 3 + k]) : AtInfinity(triangles[t * 3 + k], light));
}

}  // namespace tarvok
