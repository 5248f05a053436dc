// The .ddd reader and writer over bytes written by the independent fixture writer.
#include "gfx3d/ddd_format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <tuple>

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
