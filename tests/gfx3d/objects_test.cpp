// Object slot commands without a window: loading, saving, scenes, building, triangles, bad slots and files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "gfx3d/gfx3d.h"
#include "gfx3d/normal_table.h"
#include "gfx3d/scene.h"
#include "runtime/program_end.h"
#include "tests/gfx3d/fixtures.h"

using namespace tarvok;
using gfx3d_test::Fixture;
using gfx3d_test::ReadBytes;
using gfx3d_test::SceneScope;

namespace {

RtString Text(const std::string& s) { return RtString(s.c_str()); }

void Build(double slot, std::initializer_list<std::array<double, 6>> vertices) {
    StartObject(slot);
    for (const auto& v : vertices) AddVertex(v[0], v[1], v[2], v[3], v[4], v[5]);
    EndObject();
}

}  // namespace

TEST(Objects, LoadSaveScenesAndTheBadSlotsAndFiles) {
    SceneScope scope;
    EXPECT_EQ(LoadObject(Text(Fixture("frames.ddd")), 7), 1);
    const std::string saved = std::string(std::getenv("TMPDIR")) + "/saved.ddd";
    EXPECT_EQ(SaveObject(Text(saved), 7), 1);
    EXPECT_EQ(ReadBytes(saved), ReadBytes(Fixture("frames.ddd")));

    for (double slot : {-1.0, 4096.0, -0.5e10}) {
        EXPECT_EQ(LoadObject(Text(Fixture("frames.ddd")), slot), 0);
        EXPECT_EQ(SaveObject(Text(saved), slot), 0);
        StartObject(slot);
        EXPECT_EQ(scope.scene().buildSlot, -1);
    }
    std::filesystem::remove(saved);
    EXPECT_EQ(SaveObject(Text(saved), 100), 0);  // empty slot: nothing written
    EXPECT_FALSE(std::filesystem::exists(saved));

    EXPECT_EQ(LoadObject(Text(Fixture("nothing_here.ddd")), 7), 0);
    EXPECT_TRUE(scope.scene().slots[7].loaded);  // an unresolved name leaves the slot alone
    // A failed load empties the slot it was given; the log names the reason and the file.
    std::filesystem::remove(ErrorLogPath().CText());
    EXPECT_EQ(LoadObject(Text(Fixture("bad_version.ddd")), 7), 0);
    EXPECT_TRUE(!scope.scene().slots[7].loaded && scope.scene().slots[7].meshes.empty());
    std::string shown = Fixture("bad_version.ddd");
    std::replace(shown.begin(), shown.end(), '/', '\\');
    const std::vector<std::uint8_t> log = ReadBytes(ErrorLogPath().CText());
    EXPECT_EQ(std::string(log.begin(), log.end()),
              "Wrong .ddd version.\r\n# read error\r\n" + shown + "\r\n");

    static std::vector<std::string> uploads;
    g_gfx3dServices.loadTexture = [](const std::string& path) -> std::uint32_t {
        uploads.push_back(path);
        return 0;  // no GL context here: the names stay empty
    };
    // Missing textures upload nothing, a missing object is an empty mesh, no "ta"/"tb" keys no textures.
    ASSERT_EQ(LoadObject(Text(Fixture("scene.ini")), 20), 1);
    const ObjectSlot& slot = scope.scene().slots[20];
    EXPECT_TRUE(slot.loaded && slot.scene);
    ASSERT_EQ(slot.meshes.size(), 3u);
    EXPECT_EQ(slot.textures.size(), 2u);
    EXPECT_TRUE(uploads.empty());
    const auto& m = slot.meshes;
    EXPECT_TRUE(m[0].frames.size() == 2 && m[0].textureA == 1 && m[0].textureB == 0);
    EXPECT_TRUE(m[1].frames.empty());
    EXPECT_TRUE(m[2].frames[0].triangles.size() == 6 && m[2].textureA == -1 && m[2].textureB == -1);

    // Present textures are resolved against the description's directory and uploaded.
    std::ofstream(Fixture("tex2.bmp")) << "x";
    ASSERT_EQ(LoadObject(Text(Fixture("scene.ini")), 20), 1);
    EXPECT_EQ(uploads, std::vector<std::string>{Fixture("tex2.bmp")});
    std::filesystem::remove(Fixture("tex2.bmp"));

    EXPECT_EQ(LoadObject(Text(Fixture("scene_empty.ini")), 21), 0);
    EXPECT_FALSE(scope.scene().slots[21].loaded);
}

TEST(Objects, BuildingVertexByVertexAndGetTriangle) {
    SceneScope scope;
    SetNormalMode(0);
    Build(3, {{0, 0, 0, 0, 0.5, 0x0000FF}, {2, 0, 0, 1, 0.5, 0x0000FF}, {0, 2, 0, 0, 1, 0x00FF00},
              {2, 2, 0, 1, 1, 0x00FF00}});
    ASSERT_TRUE(scope.scene().slots[3].loaded);

    // The second strip triangle (third, second, fourth vertex) within a quantisation step; mode 0: normal 0.
    RtArray<double> t;
    GetTriangle(3, 0, 1, t);
    EXPECT_EQ(t.Dims(), (std::array<std::int32_t, 4>{3, 9, 0, 0}));
    const double n = kNormalTable[0][0], expected[3][7] = {
        {0, 2, 0, 0, -1, 0x00FF00, n}, {2, 0, 0, 1, -0.5, 0x0000FF, n}, {2, 2, 0, 1, -1, 0x00FF00, n}};
    for (int k = 0; k < 3; ++k)
        for (int j = 0; j < 7; ++j)
            EXPECT_NEAR(t.ElementAt(k, j), expected[k][j], j < 3 ? 2.0 / 255 : 1e-6) << k << "," << j;
    for (const auto& [frame, index] : {std::pair{0, 2}, {5, 0}}) {  // past the last triangle or frame
        GetTriangle(3, frame, index, t);
        double written = 0;
        for (int i = 0; i < 27; ++i) written += std::fabs(t.ElementAt(i / 9, i % 9));
        EXPECT_EQ(written, 0) << frame << " " << index;
    }

    // Mode 5 is mode 2, recomputing normals at EndObject; -1, -2, -3 are group markers drawing white.
    SetNormalMode(5);
    Build(4, {{0, 0, 0, 0, 0, -1}, {0, 0, 0, 0, 0, 0}, {1, 0, 0, 0, 0, 0}, {0, 1, 0, 0, 0, 0}});
    GetTriangle(4, 0, 0, t);
    EXPECT_DOUBLE_EQ(t.ElementAt(0, 8), -1.0);
    EXPECT_EQ(scope.scene().slots[4].meshes[0].colours[1], 0xFFFFFFFFu);

    // Too few vertices release the mesh; commands without an open slot do nothing.
    Build(5, {{1, 1, 1, 0, 0, 0}});
    EXPECT_FALSE(scope.scene().slots[5].loaded);
    AddVertex(1, 1, 1, 0, 0, 0);
    NewGroup();
    EndObject();
    EXPECT_TRUE(scope.scene().slots[5].meshes.empty());

    // Non-finite coordinates quantise without harm; 300 colours cannot be indexed by a byte.
    const double inf = INFINITY;
    Build(6, {{NAN, 0, NAN, 0, 0, 0}, {inf, 0, inf, 0, 0, 0}, {1, 0, 1, 0, 0, 0}, {-inf, 0, -inf, 0, 0, 0}});
    StartObject(6);
    for (int c = 0; c < 300; ++c) AddVertex(c, 0, 0, 0, 0, c);
    EndObject();
    EXPECT_FALSE(scope.scene().slots[6].loaded);
}

TEST(ObjectsDeathTest, MultMatrixWantsSixteenNumbersInOneDimension) {
    SceneScope scope;
    RtArray<double> good, square, short15;
    good.Dim(16);
    MultMatrix(good);
    square.Dim(4, 4);
    EXPECT_EXIT(MultMatrix(square), testing::ExitedWithCode(0), "");
    short15.Dim(15);
    EXPECT_EXIT(MultMatrix(short15), testing::ExitedWithCode(0), "");
}
