// Maths of cel shading, bump mapping, shadow volumes (a closed surface) and tangents.
#include "gfx3d/effects.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <random>

#include "gfx3d/tangents.h"
#include "tests/gfx3d/fixtures.h"

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

// The 12 triangles of the cube -1..1, each wound so that the face normal (c - b) x (b - a) points out.
std::vector<ExpandedVertex> Cube() {
    const float p[8][3] = {{-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1},
                           {-1, -1, 1},  {1, -1, 1},  {1, 1, 1},  {-1, 1, 1}};
    const int faces[6][4] = {{4, 5, 6, 7}, {1, 0, 3, 2}, {5, 1, 2, 6},
                             {0, 4, 7, 3}, {7, 6, 2, 3}, {0, 1, 5, 4}};
    std::vector<ExpandedVertex> out;
    for (const auto& f : faces)
        for (int k : {2, 1, 0, 3, 2, 0}) out.push_back(At(p[f[k]][0], p[f[k]][1], p[f[k]][2]));
    return out;
}

// Neighbours by the defining search: edges of two triangles with the same corner positions are neighbours,
// each keeping the first found (edge e of triangle t runs from corner 3t + e to the next corner of t).
std::vector<std::int32_t> NeighboursByPairs(const std::vector<ExpandedVertex>& t) {
    const auto at = [&](std::size_t i) { return std::array{t[i].x, t[i].y, t[i].z}; };
    const auto next = [](std::size_t i) { return i / 3 * 3 + (i + 1) % 3; };
    std::vector<std::int32_t> out(t.size(), -1);
    for (std::size_t a = 0; a < t.size(); ++a)
        for (std::size_t c = (a / 3 + 1) * 3; c < t.size(); ++c) {
            const std::size_t b = next(a), d = next(c);
            if (!((at(a) == at(c) && at(b) == at(d)) || (at(a) == at(d) && at(b) == at(c)))) continue;
            if (out[a] < 0) out[a] = static_cast<std::int32_t>(c / 3);
            if (out[c] < 0) out[c] = static_cast<std::int32_t>(a / 3);
        }
    return out;
}

}  // namespace

TEST(CelAndBump, ShadeTextureAndLightVectors) {
    const std::vector<std::uint32_t> colours = {0x0000FF, 0x00FF00, 0x804020};
    const ShadeTexture t = BuildShadeTexture(colours, DefaultShadeRamp());
    ASSERT_EQ(t.rgba.size(), 64u * 4 * 4);
    // {x, row, channel, value}: texel x takes ramp[x * 16 / 64] (100 for x 0..3, 160 for 4..27, 207 for
    // 28..31, then 255); row 2 is 0x804020 scaled down, rounded down; the row past the table repeats entry 0.
    const int texels[][4] = {{0, 0, 0, 100},  {3, 0, 0, 100},  {4, 0, 0, 160},  {30, 0, 0, 207},
                             {63, 0, 0, 255}, {63, 0, 1, 0},   {10, 1, 1, 160}, {10, 2, 0, 0x20 * 160 / 255},
                             {10, 2, 1, 0x40 * 160 / 255},     {10, 2, 2, 0x80 * 160 / 255},
                             {10, 2, 3, 255}, {0, 3, 0, 100}};
    for (const auto& e : texels)
        EXPECT_EQ(Texel(t, e[0], e[1], e[2]), e[3]) << e[0] << "," << e[1] << "," << e[2];
    // {ramp length, colours, width, height}: the width follows the ramp, the height the table (or one row).
    const std::array<int, 4> sizes[] = {{16, 3, 64, 4}, {17, 3, 128, 4}, {40, 5, 256, 8},
                                        {1000, 256, 512, 256}, {1, 0, 64, 1}};
    for (const auto& [length, count, width, height] : sizes) {
        const ShadeTexture s =
            BuildShadeTexture(std::vector<std::uint32_t>(count), std::vector<std::uint8_t>(length));
        EXPECT_TRUE(s.width == width && s.height == height) << length << " " << count;
    }
    // One ramp value: every texel of a row is the row's colour; an empty ramp counts as [255].
    const ShadeTexture flat = BuildShadeTexture(colours, {255});
    for (int x = 0; x < flat.width; ++x) EXPECT_EQ(Texel(flat, x, 2, 0), 0x20);
    EXPECT_EQ(Texel(BuildShadeTexture(colours, {}), 5, 1, 1), 255);
    EXPECT_EQ(Texel(BuildShadeTexture({}, {128}), 0, 0, 2), 128);

    // Bump: L in tangent space, mapped from -1..1 to 0..1; a light on the vertex leaves L at zero. Cel: L . D
    // with D = normalised (position - normal), -z here, clamped to 0.05..0.95.
    ExpandedVertex v = At(0, 0, 0);
    v.nz = 1;
    const float above[3] = {0, 0, 10}, side[3] = {10, 0, 0}, onTop[3] = {0, 0, 0}, below[3] = {0, 0, -10};
    const float across[3] = {10, 0, -10}, tangent[3] = {1, 0, 0}, binormal[3] = {0, 1, 0};
    EXPECT_EQ(BumpLightVector(v, tangent, binormal, above), (std::array<float, 3>{0.5f, 0.5f, 1.0f}));
    EXPECT_EQ(BumpLightVector(v, tangent, binormal, side), (std::array<float, 3>{1.0f, 0.5f, 0.5f}));
    EXPECT_EQ(BumpLightVector(v, tangent, binormal, onTop), (std::array<float, 3>{0.5f, 0.5f, 0.5f}));
    EXPECT_FLOAT_EQ(CelShade(v, above), 0.05f);
    EXPECT_FLOAT_EQ(CelShade(v, below), 0.95f);
    EXPECT_NEAR(CelShade(v, across), std::sqrt(0.5f), 1e-6);
}

TEST(ShadowVolume, NeighboursLitFacesSilhouetteAndClosedSurface) {
    // Triangles over a small grid of positions, so that many edges are shared, some by three triangles.
    std::mt19937 rng(4);
    std::uniform_int_distribution<int> coordinate(0, 2);
    std::vector<ExpandedVertex> triangles;
    for (int n = 0; n < 180; ++n) triangles.push_back(At(float(coordinate(rng)), float(coordinate(rng)), 0));
    EXPECT_EQ(FindTriangleNeighbours(triangles), NeighboursByPairs(triangles));
    const std::vector<std::int32_t> closed = FindTriangleNeighbours(Cube());
    EXPECT_EQ(closed, NeighboursByPairs(Cube()));
    EXPECT_EQ(std::count(closed.begin(), closed.end(), -1), 0);
    EXPECT_EQ(FindTriangleNeighbours({At(0, 0, 0), At(1, 0, 0), At(0, 1, 0)}),
              (std::vector<std::int32_t>{-1, -1, -1}));
    EXPECT_TRUE(FindTriangleNeighbours({}).empty());
    // -0 and 0 are the same position.
    const auto pair = FindTriangleNeighbours(
        {At(0, 0, 0), At(1, 0, 0), At(0, 1, 0), At(1, 0, 0), At(-0.0f, 0, 0), At(0, -1, 0)});
    EXPECT_TRUE(pair[0] == 1 && pair[3] == 0);

    // A square facing +z lit from below (no sides, caps at infinity) and above (four sides pointing away).
    const std::vector<ExpandedVertex> square = {At(0, 0, 0), At(0, 1, 0), At(1, 1, 0),
                                                At(0, 0, 0), At(1, 1, 0), At(1, 0, 0)};
    const float above[3] = {0.5f, 0.5f, 5}, below[3] = {0.5f, 0.5f, -5};
    EXPECT_EQ(LitTriangles(square, above), (std::vector<std::uint8_t>{1, 1}));
    EXPECT_EQ(LitTriangles(square, below), (std::vector<std::uint8_t>{0, 0}));
    ShadowVolume volume;
    for (const float* light : {below, above}) {
        BuildShadowVolume(square, FindTriangleNeighbours(square), light, volume);
        EXPECT_EQ(volume.sides.size(), light == above ? 16u : 0u);
        ASSERT_EQ(volume.caps.size(), 6u);
        for (const auto& corner : volume.caps) EXPECT_EQ(corner[3], light == above ? 1 : 0);
    }
    EXPECT_TRUE(volume.sides[2][3] == 0 && volume.sides[2][2] < 0);

    // A closed mesh gives a closed volume: each directed edge of sides and caps has its reverse as often.
    const float light[3] = {3, 4, 5};
    BuildShadowVolume(Cube(), FindTriangleNeighbours(Cube()), light, volume);
    EXPECT_FALSE(volume.sides.empty());
    using Point = std::array<float, 4>;
    std::map<std::pair<Point, Point>, int> edges;
    const auto add = [&](const std::vector<Point>& list, std::size_t group) {
        for (std::size_t i = 0; i + group <= list.size(); i += group)
            for (std::size_t k = 0; k < group; ++k) ++edges[{list[i + k], list[i + (k + 1) % group]}];
    };
    add(volume.sides, 4);
    add(volume.caps, 3);
    for (const auto& [edge, count] : edges) EXPECT_EQ((edges[{edge.second, edge.first}]), count);
}

TEST(Tangents, FollowTheTextureCoordinates) {
    // u grows along x and the stored V along y; drawing uses v = -V, so the binormal points along -y.
    gfx3d_test::SceneScope scope;
    StartObject(1);
    AddVertex(0, 0, 0, 0, 0, -1);
    for (const auto& c : {std::array<double, 2>{0, 0}, {1, 1}, {1, 0}, {0, 0}, {0, 1}, {1, 1}})
        AddVertex(c[0] * 4 - 2, c[1] * 4 - 2, 0, c[0], c[1], 0xFFFFFF);
    EndObject();
    MeshObjectX& mesh = g_engine.scene->slots[1].meshes[0];
    ComputeTangents(mesh, 2);
    mesh.BuildTriangles();
    for (const ExpandedVertex& v : mesh.frames[0].triangles) EXPECT_TRUE(v.tx > 0.9f && v.by < -0.9f);
    // Already computed: a second call keeps what is stored.
    mesh.frames[0].records[1].tangent = 77;
    ComputeTangents(mesh, 2);
    EXPECT_EQ(mesh.frames[0].records[1].tangent, 77);
}
