// Mesh building: normals, quantised positions, triangle groups, recomputed normals and animation frames.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "gfx3d/animation.h"
#include "gfx3d/mesh_build.h"
#include "gfx3d/normal_table.h"

using namespace tarvok;

namespace {

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
