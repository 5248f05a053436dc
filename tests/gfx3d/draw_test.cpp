// 3D drawing on a real window (Xvfb, llvmpipe): objects land on the pixels that the projection maths, worked
// out here from the camera and field of view, predicts.
#include <cstdint>

#include "tests/gfx3d/fixtures.h"
#include "tests/gfx3d/gl_fixture.h"

using namespace tarvok;
using namespace gfx3d_test;

namespace {

class Draw3D : public Window3D {
protected:
    // A triangle (-2,-1) (2,-1) (0,2) in the z = 0 plane, of one colour, in the slot.
    static void Triangle(double slot, double colour) {
        StartObject(slot);
        AddVertex(-2, -1, 0, 0, 0, colour);
        AddVertex(2, -1, 0, 1, 0, colour);
        AddVertex(0, 2, 0, 0.5, 1, colour);
        EndObject();
    }
};

constexpr std::uint32_t kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kWhite = 0xFFFFFF;

}  // namespace

TEST_F(Draw3D, TriangleLandsOnTheProjectedPixelsWithAndWithoutBuffers) {
    Triangle(1, kRed);
    const GlExtensions saved = g_gl;
    for (bool buffers : {true, false}) {
        if (!buffers) {  // as on a driver without vertex buffer objects
            g_gl.glGenBuffersARB = nullptr;
            g_gl.glBindBufferARB = nullptr;
            g_gl.glBufferDataARB = nullptr;
        }
        Clear();
        DrawObject(1, 0);
        SCOPED_TRACE(buffers);
        // Inside the triangle; below its base, beside its apex and right of it: empty.
        ExpectColoursAt({{0, 0, 0, kRed}, {-1.8, -0.9, 0, kRed}, {0, 1.8, 0, kRed}, {0, -1.2, 0, 0u},
                         {1.5, 1.5, 0, 0u}, {2.3, -0.9, 0, 0u}});
    }
    EXPECT_NE(g_engine.scene->slots[1].meshes[0].staticBuffer != 0u, saved.glGenBuffersARB == nullptr);
    g_gl = saved;
}

TEST_F(Draw3D, TransformsCullingAndTheViewVolume) {
    Triangle(1, kGreen);
    SetMovement(3, 0, 0);
    DrawObject(1, 0);
    ExpectColoursAt({{3, 0, 0, kGreen}, {0, 0, 0, 0u}});
    // A child turned upside down (apex at (3, 0)); popped, the parent's transform again.
    Clear();
    PushTransform();
    SetMovement(0, 2, 0);
    AddRotation(180, 0, 0, 1);
    DrawObject(1, 0);
    ExpectColoursAt({{3, 2.9, 0, kGreen}, {3, 0.3, 0, kGreen}, {3, -0.3, 0, 0u}});
    PopTransform();
    Clear();
    DrawObject(1, 0);
    ExpectColoursAt({{3, 0, 0, kGreen}, {3, 2.9, 0, 0u}});

    // The triangle is counter-clockwise seen from the camera: a back face when clockwise faces are front.
    Clear();
    SetCulling(1);
    DrawObject(1, 0);
    EXPECT_EQ(PixelAt(3, 0, 0), 0u);
    SetCulling(-0.5);
    DrawObject(1, 0);
    EXPECT_EQ(PixelAt(3, 0, 0), kGreen);

    // At z = 0 the view spans x = +-7.7: moved to x = 30 the object is never sent to GL; moved to 8.5 its
    // sphere's centre is outside but the left corner reaches in and is drawn.
    Triangle(2, kBlue);
    SetMovement(30, 0, 0);
    DrawObject(2, 0);
    EXPECT_EQ(g_engine.scene->slots[2].meshes[0].staticBuffer, 0u);
    SetMovement(8.5, 0, 0);
    DrawObject(2, 0);
    EXPECT_EQ(PixelAt(7.0, -0.9, 0), kBlue);
}

TEST_F(Draw3D, AnimationBlendsFramesAndTexturesModulate) {
    // Frame 0 spans x 0..1 at z = 0; frame 1 x 0..2 at z = 10 (corners (0,0) (1,0) (1,1) (0,1) (-1,1)).
    ASSERT_EQ(LoadObject(gfx3d_test::Fixture("fan5_v11.txt").c_str(), 2), 1);
    SetCamera(0, 0, 30, 0, 0, 0);
    // Half way (x 0..1.5 at z = 5), by factor and by p = 0.5 between frames 0 and 1; past the last frame the
    // last.
    for (const double mode : {0, 1}) {
        Clear();
        DrawAnimation(2, 0, 1, 0.5, mode);
        ExpectColoursAt({{1.4, 0.1, 5, kWhite}, {1.6, 0.1, 5, 0u}}, 30);
    }
    Clear();
    DrawObject(2, 7);
    EXPECT_EQ(PixelAt(1.9, 0.1, 10, 30), kWhite);

    // Two textures multiply: yellow x cyan = green; Start3D drops them.
    MakeSolidTextures({0x00FFFF, 0xFFFF00});
    SetCamera(0, 0, 10, 0, 0, 0);
    Triangle(1, kWhite);
    Clear();
    SetTexture(0, -1);
    DrawObject(1, 0);
    EXPECT_EQ(PixelAt(0, 0, 0), 0x00FFFFu);
    Clear();
    SetTexture(0, 1);
    DrawObject(1, 0);
    EXPECT_EQ(PixelAt(0, 0, 0), kGreen);
    Start3D(1, 100, 60);
    SetCamera(0, 0, 10, 0, 0, 0);
    Clear();
    DrawObject(1, 0);
    EXPECT_EQ(PixelAt(0, 0, 0), kWhite);
}

TEST_F(Draw3D, DebugPointsLinesAndPrint3D) {
    DrawPoint3D(1, 1, 0, 9, kBlue);
    EXPECT_EQ(PixelAt(1, 1, 0), kBlue);
    DrawLine3D(-3, -2, 0, 3, -2, 0, 0, kRed);  // width 0 draws with 1
    const Spot s = Project(0, -2, 0);
    EXPECT_TRUE(Pixel(s.x, s.y) == kRed || Pixel(s.x, s.y - 1) == kRed || Pixel(s.x, s.y + 1) == kRed);
    float width = 0;
    glGetFloatv(GL_LINE_WIDTH, &width);
    EXPECT_EQ(width, 1.0f);
    EXPECT_FALSE(glIsEnabled(GL_LINE_SMOOTH));

    // A font of 8 x 8 cells whose texture is white everywhere.
    MakeSolidTextures({kWhite});
    g_gfx3dServices.bindCurrentFont = [](int& cw, int& ch, int& rows, float& sStep, float& tStep) {
        glBindTexture(GL_TEXTURE_2D, g_solidTextures[0]);
        glEnable(GL_TEXTURE_2D);
        cw = ch = rows = 8;
        sStep = 1.0f / 16;
        tStep = 1.0f / 8;
        return true;
    };
    Clear();
    Print3D("AB", -2, 0, 0,
            0);  // 16 x 8 pixels centred over the point, standing on it
    const Spot p = Project(-2, 0, 0);
    EXPECT_TRUE(Pixel(p.x - 7, p.y - 4) == kWhite && Pixel(p.x + 6, p.y - 1) == kWhite);
    EXPECT_TRUE(Pixel(p.x - 10, p.y - 4) == 0u && Pixel(p.x, p.y + 2) == 0u);
    Clear();
    Print3D("AB", 0, 0, 20, 0);  // behind the camera and on its plane: nothing
    Print3D("AB", 0, 0, 10, 0);
    for (int y = 0; y < kHeight; y += 4)
        for (int x = 0; x < kWidth; x += 4) ASSERT_EQ(Pixel(x, y), 0u) << x << "," << y;
    // Size 0.25: each character a square of 2 units facing the camera, the text centred on the point.
    Print3D("AB", 0, 0, 0, 0.25);
    ExpectColoursAt({{-1.8, 1.8, 0, kWhite}, {1.8, 0.2, 0, kWhite}, {2.3, 1, 0, 0u}, {0, 2.3, 0, 0u}});

    // The screen flip leaves 3D mode.
    Leave3DMode();
    EXPECT_FALSE(g_engine.scene->active || glIsEnabled(GL_DEPTH_TEST));
}
