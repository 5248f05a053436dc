// The .ddd reader and writer over bytes from the independent fixture writer, and mesh building: normals,
// quantised positions, triangle groups, recomputed normals and animation frames.
#include "gfx3d/ddd_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <tuple>

#include "gfx3d/animation.h"
#include "gfx3d/mesh_build.h"
#include "gfx3d/normal_table.h"
#include "tests/gfx3d/fixtures.h"

using namespace tarvok;
using gfx3d_test::Fixture;
using gfx3d_test::ReadBytes;

namespace {

MeshObjectX Read(const char* name) {
    MeshObjectX mesh;
    EXPECT_EQ(ReadDdd(ReadBytes(Fixture(name)), mesh), DddStatus::Ok) << name;
    mesh.BuildTriangles();
    return mesh;
}

ExpandedVertex Corner(float x, float y, float z, std::uint32_t colour = 0x00FFFFFF) {
    ExpandedVertex v;
    v.x = x, v.y = y, v.z = z, v.colour = colour;
    return v;
}

// A mesh of one frame from a polygon list, quantised and expanded.
MeshObjectX Built(const std::vector<ExpandedVertex>& polygons) {
    MeshObjectX mesh;
    mesh.frames.resize(1);
    mesh.frames[0].polygons = polygons;
    EXPECT_TRUE(QuantiseMesh(mesh));
    mesh.BuildTriangles();
    return mesh;
}

}  // namespace

TEST(DddFormat, BinaryFileLoadsRecordsFramesAndExpandedVertices) {
    MeshObjectX mesh = Read("frames.ddd");
    ASSERT_EQ(mesh.frames.size(), 2u);
    EXPECT_EQ(mesh.colours, (std::vector<std::uint32_t>{0xFFFFFFFF, 0xFF, 0xFF00}));
    const MeshFrame& f0 = mesh.frames[0];
    ASSERT_TRUE(f0.records.size() == 4 && f0.triangles.size() == 3);
    EXPECT_TRUE(f0.records[1].x == 20 && f0.records[3].normal == 84 && f0.records[1].tangent == 0);
    // position = (q - offset) x scale, v negated: {frame, corner, x, y, z, u, v, colour, normal}.
    const std::tuple<int, int, float, float, float, float, float, std::uint32_t, int> corners[] = {
        {0, 0, (20 - 10) * 0.5f, 30 * 2.0f, 40 + 5.0f, 0, -0.0f, 0xFF, 5},
        {0, 1, (200 - 10) * 0.5f, 0, 255 + 5.0f, 1, -0.25f, 0xFF, 7},
        {0, 2, (0 - 10) * 0.5f, 255 * 2.0f, 128 + 5.0f, 0.5f, -0.75f, 0xFF00, 84},
        {1, 2, 7, 8, 9, 0.5f, -0.75f, 0xFF00, 3}};
    for (const auto& [frame, corner, x, y, z, u, v, colour, normal] : corners) {
        const ExpandedVertex& e = mesh.frames[frame].triangles[corner];
        const float* n = kNormalTable[normal];
        const float got[] = {e.x, e.y, e.z, e.u, e.v, e.nx, e.ny, e.nz, e.red, e.green};
        const float red = (colour & 0xFF) / 255.f, green = (colour >> 8 & 0xFF) / 255.f;
        const float want[] = {x, y, z, u, v, n[0], n[1], n[2], red, green};
        for (int k = 0; k < 10; ++k) EXPECT_NEAR(got[k], want[k], 1e-5 * (1 + std::fabs(want[k]))) << k;
        EXPECT_EQ(e.colour, colour) << corner;
    }

    ComputeBoundingSpheres(mesh);
    const float cx = (5 + 95 - 5) / 3.0f, cy = (60 + 0 + 510) / 3.0f, cz = (45 + 260 + 133) / 3.0f;
    EXPECT_NEAR(std::hypot(f0.centre[0] - cx, f0.centre[1] - cy, f0.centre[2] - cz), 0, 1e-3);
    EXPECT_NEAR(f0.radius, std::hypot(-5 - cx, 510 - cy, 133 - cz), 1e-2);
    // Written back, the bytes are the fixture's.
    EXPECT_EQ(WriteDdd(mesh), ReadBytes(Fixture("frames.ddd")));
}

TEST(DddFormat, TextFormsQuantiseToTheBinaryObjectAndFacesAreFans) {
    MeshObjectX text = Read("quad_v10.txt"), binary = Read("quad_v10.ddd");
    EXPECT_EQ(WriteDdd(text), ReadBytes(Fixture("quad_v10.ddd")));
    ASSERT_TRUE(text.frames.size() == 1 && binary.frames.size() == 1);
    ASSERT_EQ(text.frames[0].triangles.size(), 6u);  // a four-corner fan
    for (std::size_t i = 0; i < 6; ++i)
        EXPECT_EQ(std::memcmp(&text.frames[0].triangles[i], &binary.frames[0].triangles[i], 72), 0) << i;
    // The face colour's channels are taken modulo 256; version 1.0 has no normals (index 0).
    EXPECT_EQ(text.frames[0].triangles[0].colour, 10u + 20 * 256 + 44 * 65536);
    EXPECT_EQ(text.frames[0].records[2].normal, 0);

    // Five corners at (0,0) (1,0) (1,1) (0,1) (-1,1) over two frames: a fan of three triangles; x spans 2
    // units over 255 steps; the normal (0, 0, 2) normalised is the table's (0, 0, 1).
    MeshObjectX fan = Read("fan5_v11.txt");
    ASSERT_EQ(fan.frames.size(), 2u);
    const auto& t = fan.frames[0].triangles;
    ASSERT_EQ(t.size(), 9u);
    const float xs[5] = {0, 1, 1, 0, -1}, ys[5] = {0, 0, 1, 1, 1};
    const int expected[9] = {0, 1, 2, 0, 2, 3, 0, 3, 4};
    for (int i = 0; i < 9; ++i) {
        EXPECT_NEAR(t[i].x, xs[expected[i]], 2.0f / 255) << i;
        EXPECT_NEAR(t[i].y, ys[expected[i]], 1.0f / 255) << i;
        EXPECT_FLOAT_EQ(t[i].nz, 1.0f);
    }
    EXPECT_NEAR(fan.frames[1].triangles[8].x, -2, 4.0f / 255);
    EXPECT_FLOAT_EQ(fan.frames[1].triangles[8].z, 10);  // one z: scale 1
}

TEST(DddFormat, BadFilesLeaveTheMeshEmpty) {
    MeshObjectX mesh;
    EXPECT_EQ(ReadDdd(ReadBytes(Fixture("bad_version.ddd")), mesh), DddStatus::WrongVersion);
    EXPECT_TRUE(mesh.frames.empty() && mesh.colours.empty());
    for (const char* name :
         {"bad_frame_count.ddd", "bad_uv_count.ddd", "bad_negative_count.ddd", "bad_colour_table.ddd",
          "bad_colour_index.ddd", "bad_normal_index.ddd", "bad_short_uv.ddd", "bad_nan_offset.ddd",
          "bad_text_version.txt", "bad_text_token.txt", "bad_text_missing.txt", "bad_text_vertex.txt",
          "bad_text_uv.txt", "bad_text_nan.txt"}) {
        EXPECT_EQ(ReadDdd(ReadBytes(Fixture(name)), mesh), DddStatus::ReadError) << name;
        EXPECT_TRUE(mesh.frames.empty() && mesh.colours.empty() && mesh.uList.empty()) << name;
    }
    EXPECT_EQ(ReadDdd({}, mesh), DddStatus::ReadError);
    // Every truncation of a good file is refused.
    const std::vector<std::uint8_t> good = ReadBytes(Fixture("frames.ddd"));
    for (std::size_t n = 0; n < good.size(); ++n)
        EXPECT_NE(ReadDdd(std::span(good.data(), n), mesh), DddStatus::Ok) << n;
}

TEST(MeshBuild, NormalTableQuantisationAndGroupMarkers) {
    // Each table entry is its own nearest; zero or NaN gives the first; near (0, 0, 1) the largest dot wins.
    for (int i = 0; i < kNormalCount; ++i)
        EXPECT_EQ(NearestNormalIndex(kNormalTable[i][0], kNormalTable[i][1], kNormalTable[i][2]), i);
    EXPECT_EQ(NearestNormalIndex(0, 0, 0), 0);
    EXPECT_EQ(NearestNormalIndex(NAN, 0, 0), 0);
    EXPECT_FLOAT_EQ(kNormalTable[NearestNormalIndex(0.05f, 0.0f, 0.99875f)][2], 1.0f);

    // Positions span 0..255 between the bounds of the real corners (markers and the reserved colour excluded,
    // the top landing on the last step, 127.5 truncated, outside clamped); a flat axis gets scale 1. The
    // reserved colour draws as a white vertex.
    MeshObjectX mesh = Built({Corner(1000, 1000, 1000, kStripMarker), Corner(-1, 2, 7), Corner(1, 2, 7),
                              Corner(0, 2, 7), Corner(3, 2, 7, 0xFFFFFFFC)});
    const MeshFrame& f = mesh.frames[0];
    EXPECT_FLOAT_EQ(f.scale[0], 2.0f / 255);
    EXPECT_TRUE(f.scale[1] == 1 && f.offset[1] == -2 && f.offset[2] == -7);
    const int xs[] = {0, 255, 127, 255};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(f.records[i + 1].x, xs[i]) << i;
    EXPECT_EQ(mesh.colours, (std::vector<std::uint32_t>{kStripMarker, 0x00FFFFFF, 0xFFFFFFFC}));
    EXPECT_EQ(mesh.uList.size(), 5u);
    ASSERT_EQ(f.triangles.size(), 6u);
    EXPECT_TRUE(f.triangles[5].red == 1 && f.triangles[5].y == 2);

    // Strip of 5: (0,1,2) (2,1,3) (2,3,4). Separate: (6,7,8), the ninth alone dropped. Fan: (a,b,c) (a,c,d).
    std::vector<ExpandedVertex> list;
    for (const auto& [marker, first, count] : {std::array<std::uint32_t, 3>{kStripMarker, 0, 5},
                                               {kTrianglesMarker, 10, 4}, {kFanMarker, 20, 4}}) {
        list.push_back(Corner(0, 0, 0, marker));
        for (std::uint32_t i = first; i < first + count; ++i) list.push_back(Corner(float(i), 0, 0));
    }
    MeshObjectX groups = Built(list);
    std::vector<std::size_t> order;
    ForEachTriangle(groups, groups.frames[0], [&](auto... corner) { (order.push_back(corner), ...); });
    EXPECT_EQ(order, (std::vector<std::size_t>{1, 2, 3, 3, 2, 4, 3, 4, 5, 7, 8, 9, 12, 13, 14, 12, 14, 15}));
    EXPECT_EQ(groups.frames[0].triangles.size(), order.size());
}

TEST(MeshBuild, RecomputedNormals) {
    // Two strip triangles in z = 0: n = (c - b) x (b - a) is -z for both (the strip alternates its winding).
    const std::vector<ExpandedVertex> quad{Corner(0, 0, 0, kStripMarker), Corner(0, 0, 0), Corner(1, 0, 0),
                                           Corner(0, 1, 0), Corner(1, 1, 0)};
    for (int mode : {1, 2}) {
        MeshObjectX mesh = Built(quad);
        RecomputeNormals(mesh, mode);
        EXPECT_TRUE(mesh.normalsComputed);
        for (std::size_t i = 1; i < 5; ++i)
            EXPECT_FLOAT_EQ(kNormalTable[mesh.frames[0].records[i].normal][2], -1.0f);
    }
    // Mode 2 smooths corners at one position across faces that meet at an angle.
    const std::vector roof{Corner(0, 0, 0, kTrianglesMarker), Corner(0, 0, 0), Corner(1, 0, 0),
                           Corner(0, 1, 0), Corner(0, 0, 0), Corner(0, 1, 0), Corner(0, 0, 1)};
    MeshObjectX faces = Built(roof), smooth = Built(roof);
    RecomputeNormals(faces, 1);
    RecomputeNormals(smooth, 2);
    EXPECT_NE(faces.frames[0].records[1].normal, faces.frames[0].records[4].normal);
    EXPECT_EQ(smooth.frames[0].records[1].normal, smooth.frames[0].records[4].normal);
    const float* n = kNormalTable[smooth.frames[0].records[1].normal];  // (0,0,-1) + (-1,0,0), normalised
    EXPECT_TRUE(std::fabs(n[0] + 0.7071) < 0.15 && std::fabs(n[2] + 0.7071) < 0.15) << n[0] << " " << n[2];
}

TEST(Animation, FrameChoiceAndBlending) {
    // {from, to, factor, mode, first, second, weight} over 5 frames: frame 2 exactly; 0.6 x frame 2 + 0.4 x
    // frame 3; 1.25 and -0.25 taken as 0.25; p = 1.6 backwards; one frame; mode 0 takes the factor as the
    // weight; beyond the last frame the last; p = -3 clamps both to 0.
    const std::tuple<int, int, double, int, int, int, float> choices[] = {
        {0, 4, 0.5, 1, 2, 3, 1.0f},  {0, 4, 0.6, 1, 2, 3, 0.6f}, {0, 4, 1.25, 1, 1, 2, 1.0f},
        {0, 4, -0.25, 1, 1, 2, 1.0f}, {4, 0, 0.6, 1, 2, 1, 0.6f}, {3, 3, 0.7, 1, 3, 3, 0.0f},
        {1, 2, 0.3, 0, 1, 2, 0.3f},   {9, 9, 0, 0, 4, 4, 0.0f},   {-3, 2000000000, NAN, 1, 0, 0, 1.0f}};
    for (const auto& [from, to, factor, mode, first, second, weight] : choices) {
        const FramePair p = ChooseFrames(from, to, factor, mode, 5);
        EXPECT_TRUE(p.first == first && p.second == second && std::fabs(p.weight - weight) < 1e-6)
            << from << " " << to << " " << factor << ": " << p.first << " " << p.second;
    }
    // Weight w: w x first + (1 - w) x second; the texture offset is added to the first frame's, once.
    MeshFrame a, b;
    a.triangles = {Corner(2, 4, 6)};
    b.triangles = {Corner(12, 14, 16)};
    a.triangles[0].u = 0.25f;
    std::vector<ExpandedVertex> out;
    for (int twice = 0; twice < 2; ++twice) {
        BlendFrames(a, b, 0.6f, 0.5f, 0, out);
        EXPECT_FLOAT_EQ(out[0].x, 0.6f * 2 + 0.4f * 12);
        EXPECT_FLOAT_EQ(out[0].z, 0.6f * 6 + 0.4f * 16);
        EXPECT_FLOAT_EQ(out[0].u, 0.75f);
    }
    BlendFrames(a, b, 0, 0, 0, out);
    EXPECT_FLOAT_EQ(out[0].x, 2);
}
