// Maths of cel shading, bump mapping and shadow volumes, checked against hand-worked values and against
// the defining properties (a shadow volume is a closed surface).
#include "gfx3d/effects.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>
#include <tuple>

#include "gfx3d/gfx3d.h"
#include "gfx3d/scene.h"
#include "gfx3d/tangents.h"

using namespace tarvok;

namespace {

ExpandedVertex At(float x, float y, float z) {
    ExpandedVertex v;
    v.x = x, v.y = y, v.z = z;
    return v;
}

std::uint8_t Texel(const ShadeTexture& t, int x, int row, int channel) {
    return t.rgba[(static_cast<std::size_t>(row) * t.width + x) * 4 + channel];
}

// The 12 triangles of the cube -1..1, each wound clockwise seen from outside (the engine's winding:
// the face normal (c - b) x (b - a) points outward).
std::vector<ExpandedVertex> Cube() {
    const float p[8][3] = {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
                           {-1, -1, 1},  {1, -1, 1},  {1, 1, 1},  {-1, 1, 1}};
    // Each face counter-clockwise from outside, then reversed.
    const int faces[6][4] = {{4, 5, 6, 7}, {1, 0, 3, 2}, {5, 1, 2, 6},
                             {0, 4, 7, 3}, {7, 6, 2, 3}, {0, 1, 5, 4}};
    std::vector<ExpandedVertex> out;
    for (const auto& f : faces)
        for (const std::array<int, 3>& tri : {std::array<int, 3>{0, 1, 2}, std::array<int, 3>{0, 2, 3}})
            for (int k = 2; k >= 0; --k) out.push_back(At(p[f[tri[k]]][0], p[f[tri[k]]][1], p[f[tri[k]]][2]));
    return out;
}

// Neighbours by the defining search: for every triangle t and every later triangle u, edges with the
// same two corner positions are neighbours; each edge keeps the first one found.
std::vector<std::int32_t> NeighboursByPairs(const std::vector<ExpandedVertex>& t) {
    const std::size_t n = t.size() / 3;
    std::vector<std::int32_t> out(n * 3, -1);
    const auto same = [](const ExpandedVertex& a, const ExpandedVertex& b) {
        return a.x == b.x && a.y == b.y && a.z == b.z;
    };
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t j = i + 1; j < n; ++j)
            for (int e = 0; e < 3; ++e)
                for (int f = 0; f < 3; ++f) {
                    const ExpandedVertex &a = t[i * 3 + e], &b = t[i * 3 + (e + 1) % 3];
                    const ExpandedVertex &c = t[j * 3 + f], &d = t[j * 3 + (f + 1) % 3];
                    if (!((same(a, c) && same(b, d)) || (same(a, d) && same(b, c)))) continue;
                    if (out[i * 3 + e] < 0) out[i * 3 + e] = static_cast<std::int32_t>(j);
                    if (out[j * 3 + f] < 0) out[j * 3 + f] = static_cast<std::int32_t>(i);
                }
    return out;
}

}  // namespace

TEST(ShadeTexture, SizesAndTexels) {
    const std::vector<std::uint32_t> colours = {0x0000FF, 0x00FF00, 0x804020};
    const ShadeTexture t = BuildShadeTexture(colours, DefaultShadeRamp());
    ASSERT_EQ(t.width, 64);
    ASSERT_EQ(t.height, 4);
    ASSERT_EQ(t.rgba.size(), 64u * 4 * 4);
    // Ramp value of texel x: ramp[x * 16 / 64]: 100 for x 0..3, 160 for 4..27, 207 for 28..31, then 255.
    // {x, row, channel, value}: row 2 is 0x804020 scaled down (rounded down); the row past the table
    // repeats entry 0.
    const int texels[][4] = {{0, 0, 0, 100},  {3, 0, 0, 100},  {4, 0, 0, 160},  {30, 0, 0, 207},
                             {63, 0, 0, 255}, {63, 0, 1, 0},   {10, 1, 1, 160}, {10, 2, 0, 0x20 * 160 / 255},
                             {10, 2, 1, 0x40 * 160 / 255},     {10, 2, 2, 0x80 * 160 / 255},
                             {10, 2, 3, 255}, {0, 3, 0, 100}};
    for (const auto& e : texels) {
        EXPECT_EQ(Texel(t, e[0], e[1], e[2]), e[3]) << e[0] << "," << e[1] << "," << e[2];
    }

    // The width follows the ramp's length: {ramp length, width}.
    for (const auto& [length, width] : {std::pair{16, 64}, {17, 128}, {40, 256}, {1000, 512}}) {
        EXPECT_EQ(BuildShadeTexture(colours, std::vector<std::uint8_t>(length, 1)).width, width) << length;
    }
    EXPECT_EQ(BuildShadeTexture(std::vector<std::uint32_t>(5, 0), {255}).height, 8);
    EXPECT_EQ(BuildShadeTexture(std::vector<std::uint32_t>(256, 0), {255}).height, 256);

    // One ramp value: every texel of a row is the row's colour (flat shading per colour).
    const ShadeTexture flat = BuildShadeTexture(colours, {255});
    for (int x = 0; x < flat.width; ++x) EXPECT_EQ(Texel(flat, x, 2, 0), 0x20);
    // An empty ramp counts as [255]; an empty table gives one white row.
    EXPECT_EQ(Texel(BuildShadeTexture(colours, {}), 5, 1, 1), 255);
    const ShadeTexture empty = BuildShadeTexture({}, {128});
    ASSERT_EQ(empty.height, 1);
    EXPECT_EQ(Texel(empty, 0, 0, 2), 128);
}

TEST(LightVectors, BumpAndCel) {
    ExpandedVertex v = At(0, 0, 0);
    v.nz = 1;
    const float light[3] = {0, 0, 10}, tangent[3] = {1, 0, 0}, binormal[3] = {0, 1, 0};
    const auto l = BumpLightVector(v, tangent, binormal, light);
    EXPECT_FLOAT_EQ(l[0], 0.5f);
    EXPECT_FLOAT_EQ(l[1], 0.5f);
    EXPECT_FLOAT_EQ(l[2], 1.0f);
    const float side[3] = {10, 0, 0};
    EXPECT_FLOAT_EQ(BumpLightVector(v, tangent, binormal, side)[0], 1.0f);
    // A light on the vertex leaves L at zero: the middle value.
    const float onTop[3] = {0, 0, 0};
    EXPECT_FLOAT_EQ(BumpLightVector(v, tangent, binormal, onTop)[2], 0.5f);

    // Cel: D = normalised (position - normal); with the position at the origin and the normal +z, D is -z.
    EXPECT_FLOAT_EQ(CelShade(v, light), 0.05f);  // L . D = -1, clamped
    const float below[3] = {0, 0, -10};
    EXPECT_FLOAT_EQ(CelShade(v, below), 0.95f);  // L . D = 1, clamped
    const float across[3] = {10, 0, -10};
    EXPECT_NEAR(CelShade(v, across), std::sqrt(0.5f), 1e-6);
}

TEST(ShadowVolume, NeighboursMatchTheDefiningSearch) {
    std::mt19937 rng(4);
    // Triangles over a small grid of positions, so that many edges are shared, some by three triangles.
    std::uniform_int_distribution<int> coordinate(0, 2);
    std::vector<ExpandedVertex> triangles;
    for (int n = 0; n < 60 * 3; ++n)
        triangles.push_back(At(static_cast<float>(coordinate(rng)), static_cast<float>(coordinate(rng)), 0));
    EXPECT_EQ(FindTriangleNeighbours(triangles), NeighboursByPairs(triangles));
    const std::vector<ExpandedVertex> cube = Cube();
    const std::vector<std::int32_t> neighbours = FindTriangleNeighbours(cube);
    EXPECT_EQ(neighbours, NeighboursByPairs(cube));
    for (std::int32_t n : neighbours) EXPECT_GE(n, 0);  // closed
    EXPECT_EQ(FindTriangleNeighbours({At(0, 0, 0), At(1, 0, 0), At(0, 1, 0)}),
              (std::vector<std::int32_t>{-1, -1, -1}));
    EXPECT_TRUE(FindTriangleNeighbours({}).empty());
    // -0 and 0 are the same position.
    const auto pair = FindTriangleNeighbours(
        {At(0, 0, 0), At(1, 0, 0), At(0, 1, 0), At(1, 0, 0), At(-0.0f, 0, 0), At(0, -1, 0)});
    EXPECT_EQ(pair[0], 1);
    EXPECT_EQ(pair[3], 0);
}

TEST(ShadowVolume, LitFacesSilhouetteAndClosedSurface) {
    // A square in z = 0 of two clockwise-from-above triangles (normal +z), light above it.
    const std::vector<ExpandedVertex> square = {At(0, 0, 0), At(0, 1, 0), At(1, 1, 0),
                                                At(0, 0, 0), At(1, 1, 0), At(1, 0, 0)};
    const float above[3] = {0.5f, 0.5f, 5}, below[3] = {0.5f, 0.5f, -5};
    EXPECT_EQ(LitTriangles(square, above), (std::vector<std::uint8_t>{1, 1}));
    EXPECT_EQ(LitTriangles(square, below), (std::vector<std::uint8_t>{0, 0}));
    ShadowVolume volume;
    BuildShadowVolume(square, FindTriangleNeighbours(square), above, volume);
    EXPECT_EQ(volume.sides.size(), 4u * 4);  // the four outer edges, not the diagonal
    ASSERT_EQ(volume.caps.size(), 6u);
    for (const auto& corner : volume.caps) EXPECT_EQ(corner[3], 1);
    // The far corners point away from the light.
    EXPECT_EQ(volume.sides[2][3], 0);
    EXPECT_LT(volume.sides[2][2], 0);
    BuildShadowVolume(square, FindTriangleNeighbours(square), below, volume);
    EXPECT_TRUE(volume.sides.empty());
    for (const auto& corner : volume.caps) EXPECT_EQ(corner[3], 0);

    // A closed mesh gives a closed, consistently oriented volume: every directed edge of the sides and
    // caps is matched by the same edge in the other direction.
    const std::vector<ExpandedVertex> cube = Cube();
    const float light[3] = {3, 4, 5};
    BuildShadowVolume(cube, FindTriangleNeighbours(cube), light, volume);
    EXPECT_FALSE(volume.sides.empty());
    using Point = std::array<float, 4>;
    std::map<std::pair<Point, Point>, int> edges;
    const auto add = [&](const std::vector<Point>& list, std::size_t group) {
        for (std::size_t i = 0; i + group <= list.size(); i += group)
            for (std::size_t k = 0; k < group; ++k) ++edges[{list[i + k], list[i + (k + 1) % group]}];
    };
    add(volume.sides, 4);
    add(volume.caps, 3);
    for (const auto& [edge, count] : edges) {
        const auto reverse = edges.find({edge.second, edge.first});
        ASSERT_NE(reverse, edges.end());
        EXPECT_EQ(reverse->second, count);
    }
}

TEST(Tangents, FollowTheTextureCoordinates) {
    CreateScene3D();
    // A square in z = 0 with u growing along x and the stored V along y; drawing uses v = -V, so the
    // binormal (where v grows) points along -y.
    StartObject(1);
    AddVertex(0, 0, 0, 0, 0, -1);
    const double corners[6][2] = {{0, 0}, {1, 1}, {1, 0}, {0, 0}, {0, 1}, {1, 1}};
    for (const auto& c : corners) AddVertex(c[0] * 4 - 2, c[1] * 4 - 2, 0, c[0], c[1], 0xFFFFFF);
    EndObject();
    MeshObjectX& mesh = g_engine.scene->slots[1].meshes[0];
    ComputeTangents(mesh, 2);
    mesh.BuildTriangles();
    for (const ExpandedVertex& v : mesh.frames[0].triangles) {
        EXPECT_GT(v.tx, 0.9f);
        EXPECT_LT(v.by, -0.9f);
    }
    // Already computed: a second call keeps what is stored.
    mesh.frames[0].records[1].tangent = 77;
    ComputeTangents(mesh, 2);
    EXPECT_EQ(mesh.frames[0].records[1].tangent, 77);
    DestroyScene3D();
}
