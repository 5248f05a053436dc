// 3D drawing and effects on a 160 x 120 window (near 1, far 100, field of view 60, the camera on the z axis
// at 10 looking at the origin); expected pixels come from the projection and the geometry worked out here.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <tuple>

#include "frame/display.h"
#include "frame/gl_extensions.h"
#include "tests/gfx3d/fixtures.h"

using namespace tarvok;
using gfx3d_test::Fixture;

namespace {

constexpr int kWidth = 160, kHeight = 120;
constexpr double kPi = 3.14159265358979323846, kEyeZ = 10, kFov = 60;
constexpr std::uint32_t kRed = 0x0000FF, kGreen = 0x00FF00, kBlue = 0xFF0000, kWhite = 0xFFFFFF;

// The back buffer's pixel at (x, y), y from the top, as red + green x 256 + blue x 65536.
std::uint32_t Pixel(int x, int y) {
    std::uint8_t p[4] = {};
    glReadPixels(x, kHeight - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return p[0] | p[1] << 8 | p[2] << 16;
}
struct Rgb {
    int r, g, b;
};
Rgb Channels(std::uint32_t c) { return {int(c & 0xFF), int((c >> 8) & 0xFF), int(c >> 16)}; }
int Grey(const Rgb& p) { return (p.r + p.g + p.b) / 3; }

// Half the view's height at a distance in front of the eye.
double HalfHeightAt(double depth) { return std::tan(kFov / 2 * kPi / 180) * depth; }

// Where a world point lands (column, row from the top) with the camera on the z axis at eyeZ.
std::pair<int, int> Project(double x, double y, double z, double eyeZ = kEyeZ) {
    const double half = HalfHeightAt(eyeZ - z), halfWidth = half * kWidth / kHeight;
    return {static_cast<int>(std::floor((x / halfWidth + 1) / 2 * kWidth)),
            static_cast<int>(std::floor((1 - y / half) / 2 * kHeight))};
}
std::uint32_t PixelAt(double x, double y, double z, double eyeZ = kEyeZ) {
    const auto [column, row] = Project(x, y, z, eyeZ);
    return Pixel(column, row);
}
Rgb RgbAt(double x, double y, double z) { return Channels(PixelAt(x, y, z)); }

// Expects each listed world point {x, y, z, colour} to show that colour.
void ExpectColoursAt(std::initializer_list<std::tuple<double, double, double, std::uint32_t>> expected,
                     double eyeZ = kEyeZ) {
    for (const auto& [x, y, z, colour] : expected)
        EXPECT_EQ(PixelAt(x, y, z, eyeZ), colour) << "at " << x << "," << y << "," << z;
}

// One-texel textures bound as sprites 0 and 1 on units 0 and 1 (a unit off for -1, unit 1 also when 0 is).
GLuint g_solidTextures[2];
void MakeSolidTextures(std::initializer_list<std::uint32_t> colours) {
    int k = 0;
    for (std::uint32_t c : colours) {
        glGenTextures(1, &g_solidTextures[k]);
        glBindTexture(GL_TEXTURE_2D, g_solidTextures[k++]);
        const std::uint8_t texel[4] = {std::uint8_t(c), std::uint8_t(c >> 8), std::uint8_t(c >> 16), 255};
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    }
    g_gfx3dServices.bindSprites = [](int first, int second, bool) {
        for (int unit = 0; unit < 2; ++unit) {
            const int sprite = unit == 0 ? first : first >= 0 ? second : -1;
            if (g_gl.glActiveTextureARB) g_gl.glActiveTextureARB(GL_TEXTURE0_ARB + unit);
            glBindTexture(GL_TEXTURE_2D, sprite >= 0 ? g_solidTextures[sprite] : 0);
            (sprite >= 0 ? glEnable : glDisable)(GL_TEXTURE_2D);
        }
        if (g_gl.glActiveTextureARB) g_gl.glActiveTextureARB(GL_TEXTURE0_ARB);
    };
}

void Clear() { glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT); }

class Window3D : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CreateDisplay(display_, kWidth, kHeight, 0, 60, 0));
        g_engine.display = &display_;
        g_gfx3dServices = Gfx3dServices{};
        CreateScene3D();
        glClear(GL_COLOR_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        Start3D(1, 100, kFov);
        SetCamera(0, 0, kEyeZ, 0, 0, 0);
    }
    void TearDown() override {
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        Leave3DMode();
        DestroyScene3D();
        g_gfx3dServices = Gfx3dServices{};
        DestroyDisplay(display_);
        g_engine.display = nullptr;
        g_engine.debugMode = 0;
    }
    OpenGLZazuzive display_;
};
using Draw3D = Window3D;
using Effects3D = Window3D;

// Where the ray through a pixel's centre meets the plane z: {x, y}.
std::pair<double, double> PixelToPlane(int px, int py, double z) {
    const double half = HalfHeightAt(kEyeZ - z), halfWidth = half * kWidth / kHeight;
    return {((px + 0.5) / kWidth * 2 - 1) * halfWidth, (1 - (py + 0.5) / kHeight * 2) * half};
}

struct P3 {
    double x, y, z;
};

// Separate triangles of one colour whose face normal, (c - b) x (b - a), points out or towards the camera.
void Build(double slot, double colour, const std::vector<P3>& corners) {
    StartObject(slot);
    AddVertex(0, 0, 0, 0, 0, -1);
    for (const P3& p : corners) AddVertex(p.x, p.y, p.z, 0, 0, colour);
    EndObject();
}
void Triangle(double slot, double colour) { Build(slot, colour, {{-2, -1, 0}, {2, -1, 0}, {0, 2, 0}}); }
void Square(double slot, double h, double z, double colour) {
    Build(slot, colour, {{-h, -h, z}, {h, h, z}, {h, -h, z}, {-h, -h, z}, {-h, h, z}, {h, h, z}});
}
void Sphere(double slot, double radius, double colour) {
    constexpr int kRings = 16, kSegments = 24;
    const auto at = [&](int i, int j) {
        const double theta = kPi * i / kRings, phi = 2 * kPi * j / kSegments;
        return P3{radius * std::sin(theta) * std::cos(phi), radius * std::cos(theta),
                  radius * std::sin(theta) * std::sin(phi)};
    };
    std::vector<P3> corners;
    for (int i = 0; i < kRings; ++i)
        for (int j = 0; j < kSegments; ++j) {
            if (i != kRings - 1) corners.insert(corners.end(), {at(i, j), at(i + 1, j), at(i + 1, j + 1)});
            if (i != 0) corners.insert(corners.end(), {at(i, j), at(i + 1, j + 1), at(i, j + 1)});
        }
    Build(slot, colour, corners);
}

// Draws the slot on a cleared screen and reads the colour at a world point.
std::uint32_t Drawn(double slot, double x, double y, double z) {
    Clear();
    DrawObject(slot, 0);
    return PixelAt(x, y, z);
}
Rgb DrawnAt(double x, double y, double z) { return Channels(Drawn(1, x, y, z)); }

std::string WriteFile(const std::string& name, const std::string& text) {
    const std::string path = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/" + name;
    std::ofstream(path) << text;
    return path;
}

// What a run writes to the standard error (the debug text output).
std::string Stderr(const std::function<void()>& run) {
    testing::internal::CaptureStderr();
    run();
    return testing::internal::GetCapturedStderr();
}

const char* const kVertexShader = "void main() { gl_Position = ftransform(); }\n";
const char* const kLevelShader =
    "uniform float level;\nvoid main() { gl_FragColor = vec4(level, 0.0, 1.0 - level, 1.0); }\n";

}  // namespace

TEST_F(Draw3D, TrianglesLandOnTheProjectedPixelsThroughBuffersTransformsAndCulling) {
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

    Triangle(1, kGreen);
    SetMovement(3, 0, 0);
    EXPECT_EQ(Drawn(1, 0, 0, 0), 0u);
    EXPECT_EQ(PixelAt(3, 0, 0), kGreen);
    // A child turned upside down (apex at (3, 0)); popped, the parent's transform again.
    PushTransform();
    SetMovement(0, 2, 0);
    AddRotation(180, 0, 0, 1);
    EXPECT_EQ(Drawn(1, 3, 2.9, 0), kGreen);
    ExpectColoursAt({{3, 0.3, 0, kGreen}, {3, -0.3, 0, 0u}});
    PopTransform();
    EXPECT_EQ(Drawn(1, 3, 0, 0), kGreen);
    EXPECT_EQ(PixelAt(3, 2.9, 0), 0u);

    // The triangle is counter-clockwise seen from the camera: a back face when clockwise faces are front.
    SetCulling(1);
    EXPECT_EQ(Drawn(1, 3, 0, 0), 0u);
    SetCulling(-0.5);
    EXPECT_EQ(Drawn(1, 3, 0, 0), kGreen);

    // The view spans x = +-7.7 at z = 0: at x = 30 nothing goes to GL; at 8.5 a corner reaches in.
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
    ASSERT_EQ(LoadObject(Fixture("fan5_v11.txt").c_str(), 2), 1);
    SetCamera(0, 0, 30, 0, 0, 0);
    DrawAnimation(2, 0, 1, 0.5, 0);  // half way: x 0..1.5 at z = 5
    ExpectColoursAt({{1.4, 0.1, 5, kWhite}, {1.6, 0.1, 5, 0u}}, 30);
    Clear();
    DrawObject(2, 7);  // past the last frame: the last
    EXPECT_EQ(PixelAt(1.9, 0.1, 10, 30), kWhite);

    // Two textures multiply: yellow x cyan = green; Start3D drops them.
    MakeSolidTextures({0x00FFFF, 0xFFFF00});
    SetCamera(0, 0, 10, 0, 0, 0);
    Triangle(1, kWhite);
    SetTexture(0, -1);
    EXPECT_EQ(Drawn(1, 0, 0, 0), 0x00FFFFu);
    SetTexture(0, 1);
    EXPECT_EQ(Drawn(1, 0, 0, 0), kGreen);
    Start3D(1, 100, 60);
    SetCamera(0, 0, 10, 0, 0, 0);
    EXPECT_EQ(Drawn(1, 0, 0, 0), kWhite);
}

TEST_F(Draw3D, DebugPointsLinesAndPrint3D) {
    DrawPoint3D(1, 1, 0, 9, kBlue);
    EXPECT_EQ(PixelAt(1, 1, 0), kBlue);
    DrawLine3D(-3, -2, 0, 3, -2, 0, 0, kRed);  // width 0 draws with 1 (0 would leave a GL error)
    const auto [x, y] = Project(0, -2, 0);
    EXPECT_TRUE(Pixel(x, y) == kRed || Pixel(x, y - 1) == kRed || Pixel(x, y + 1) == kRed);

    // A font of 8 x 8 cells whose texture is white everywhere.
    MakeSolidTextures({kWhite});
    g_gfx3dServices.bindCurrentFont = [](int& cw, int& ch, int& rows, float& sStep, float& tStep) {
        glBindTexture(GL_TEXTURE_2D, g_solidTextures[0]);
        glEnable(GL_TEXTURE_2D);
        cw = ch = rows = 8, sStep = 1.0f / 16, tStep = 1.0f / 8;
        return true;
    };
    Clear();
    Print3D("AB", -2, 0, 0, 0);  // 16 x 8 pixels centred over the point, standing on it
    const auto [px, py] = Project(-2, 0, 0);
    EXPECT_TRUE(Pixel(px - 7, py - 4) == kWhite && Pixel(px + 6, py - 1) == kWhite);
    EXPECT_TRUE(Pixel(px - 10, py - 4) == 0u && Pixel(px, py + 2) == 0u);
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

TEST_F(Effects3D, LightsPointDirectionalAndSpotAndSwitchOff) {
    // A point light to the right brightens the right side, most where the normal turns towards it.
    Sphere(1, 2, 0xFFFFFF);
    SetLight(0, 0xFFFFFF, 10, 0, 0, 0, 0, 0, 120);
    DrawObject(1, 0);
    EXPECT_GT(Grey(RgbAt(1.2, 0, 1.6)), Grey(RgbAt(-1.2, 0, 1.6)) + 60);
    EXPECT_GT(Grey(RgbAt(1.6, 0, 1.2)), Grey(RgbAt(0, 0, 2)) + 60);
    // Light 8 is light 0 again: cutoff 0 switches it off and, as the only light, lighting with it.
    SetLight(8, 0xFFFFFF, 0, 0, 0, 0, 0, 0, 0);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING) || glIsEnabled(GL_LIGHT0));

    // No position and no direction: a directional light along +z (towards the camera), never a spot.
    SetLight(0, 0x00FF00, 0, 0, 0, 0, 0, 0, 45);
    float cutoff = 0, position[4] = {};
    glGetLightfv(GL_LIGHT0, GL_SPOT_CUTOFF, &cutoff);
    glGetLightfv(GL_LIGHT0, GL_POSITION, position);
    EXPECT_TRUE(cutoff == 180 && position[3] == 0 && std::fabs(position[2] - 1) < 1e-6);
    const Rgb centre = DrawnAt(0, 0, 2), l = RgbAt(-1.2, 0, 1.6), r = RgbAt(1.2, 0, 1.6);
    EXPECT_TRUE(centre.g > 200 && centre.r < 60 && std::abs(l.g - r.g) <= 4) << centre.g << " " << l.g;

    // A spot keeps its cutoff; lighting stays on with one of two lights; bad numbers leave no GL error.
    SetLight(3, 0xFFFFFF, 0, 0, 5, 0, 0, -1, 30);
    SetLight(0, 0, 0, 0, 0, 0, 0, 0, 0);
    glGetLightfv(GL_LIGHT3, GL_SPOT_CUTOFF, &cutoff);
    EXPECT_TRUE(cutoff == 30 && glIsEnabled(GL_LIGHTING));
    const double nan = std::nan("");
    SetLight(1, 0xFFFFFF, nan, nan, nan, nan, nan, nan, 45);
    SetLight(2, 0xFFFFFF, 1, 1, 1, 0, 0, 1, -30);
    SetLight(nan, nan, 0, 0, 0, 0, 0, 0, nan);
    SetCameraLight(4, 0xFFFFFF);
    glGetLightfv(GL_LIGHT4, GL_POSITION, position);
    EXPECT_EQ(position[3], 0);
    UseNormals(1);
    DrawObject(1, 0);
    Start3D(1, 100, kFov);  // clears every light
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING) || g_engine.scene->lightsMask || g_engine.scene->normalsFlag);
}

TEST_F(Effects3D, FogBlendsTowardsItsColourByDistance) {
    Square(1, 3, 0, 0xFFFFFF);
    // {colour, mode, start, end, z, red, green}: linear black fog from 5 to 15 leaves (15 - d) / 10 of the
    // object's colour, none beyond the end; red fog keeps red; start and end 0 run from the near to the far
    // distance (1..100); exponential fog leaves exp(-density x d).
    const std::array<double, 7> fogs[] = {
        {0, 0, 5, 15, 0, 255 * 0.5, 255 * 0.5},     {0, 0, 5, 15, -2, 255 * 0.3, 255 * 0.3},
        {0, 0, 5, 15, 3, 255 * 0.8, 255 * 0.8},     {0, 0, 5, 15, -20, 0, 0},
        {0x0000FF, 0, 5, 15, 0, 255, 128},          {0, 0, 0, 0, 0, 255 * 90 / 99.0, 255 * 90 / 99.0},
        {0, 1, 0.1, 0, 0, 255 * std::exp(-1.0), 255 * std::exp(-1.0)}};
    for (const auto& [colour, mode, start, end, z, red, green] : fogs) {
        SetFog(colour, mode, start, end);
        SetMovement(0, 0, z);
        const Rgb p = DrawnAt(0.5, 0.5, z);
        EXPECT_TRUE(std::abs(p.r - red) <= 3 && std::abs(p.g - green) <= 3) << start << " " << z;
    }
    SetFog(0x000000, 1, -5, 0);  // a negative density is refused by GL; no error is left
    SetFog(-1, 0, 0, 0);
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    SetMovement(0, 0, 0);
    EXPECT_NEAR(DrawnAt(0.5, 0.5, 0).r, 255, 1);
}

TEST_F(Effects3D, StencilShadowDarkensWhatARayCastPutsInShadow) {
    GLint stencilBits = 0;
    glGetIntegerv(GL_STENCIL_BITS, &stencilBits);
    ASSERT_GT(stencilBits, 0);
    Square(1, 20, 0, 0xFFFFFF);  // the floor fills the view
    Square(2, 1, 2, 0x0000FF);   // the occluder at z = 2 over -1..1
    const double light[3] = {3, 0, 6};
    for (int culling : {0, 1, -1}) {
        Start3D(1, 100, kFov);
        SetCamera(0, 0, kEyeZ, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        DrawObject(1, 0);
        DrawObject(2, 0);
        SetCulling(culling);
        SetLight(-3, 0xFFFFFF, light[0], light[1], light[2], 0, 0, 0, 1);
        EXPECT_TRUE(g_engine.scene->shadowPassOpen);
        DrawObject(2, 0);
        // The screen flip closes the pass, as does switching it off.
        if (culling == 1) Leave3DMode();
        else SetLight(-3, 0xFFFFFF, light[0], light[1], light[2], 0, 0, 0, 0);
        EXPECT_FALSE(g_engine.scene->shadowPassOpen);

        int shadowed = 0, lit = 0;
        for (int py = 2; py < kHeight; py += 3)
            for (int px = 2; px < kWidth; px += 3) {
                const auto [x, y] = PixelToPlane(px, py, 0);
                const auto [ox, oy] = PixelToPlane(px, py, 2);
                if (std::fabs(ox) <= 1.1 && std::fabs(oy) <= 1.1) continue;  // the occluder is seen
                // The ray from the floor point to the light crosses z = 2 at a third of the way.
                const double cx = x + (light[0] - x) / 3, cy = y + (light[1] - y) / 3;
                if (std::min(std::fabs(std::fabs(cx) - 1), std::fabs(std::fabs(cy) - 1)) < 0.1) continue;
                const bool inShadow = std::fabs(cx) < 1 && std::fabs(cy) < 1;
                EXPECT_NEAR(Channels(Pixel(px, py)).g, inShadow ? 128 : 255, inShadow ? 2 : 0)
                    << culling << " " << px << "," << py;
                ++(inShadow ? shadowed : lit);
            }
        EXPECT_TRUE(shadowed > 40 && lit > 400) << shadowed << " " << lit;
        // Closing cleared the stencil counts (this pixel lies in the shadow) and gave colour writes back.
        std::uint8_t stencil = 1;
        glReadPixels(kWidth * 3 / 8, kHeight / 2, 1, 1, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, &stencil);
        GLboolean writes[4] = {};
        glGetBooleanv(GL_COLOR_WRITEMASK, writes);
        EXPECT_TRUE(stencil == 0 && !glIsEnabled(GL_STENCIL_TEST) && writes[0] && writes[3]);
    }
}

TEST_F(Effects3D, CelShadingGivesOnlyTheRampLevels) {
    Sphere(1, 3, 0xFFFFFF);
    RtArray<double> ramp;
    ramp.Dim(2);
    ramp.ElementAt(0) = 64;
    ramp.ElementAt(1) = 192 + 256;  // taken as a byte
    SetShadeRamp(ramp);
    SetLight(-2, 0xFFFFFF, 20, 0, 0, 0, 0, 0, 1);
    DrawObject(1, 0);
    int levels[3] = {};  // 64, 192, other
    for (int py = 0; py < kHeight; ++py)
        for (int px = 0; px < kWidth; ++px) {
            const auto [x, y] = PixelToPlane(px, py, 3);
            if (x * x + y * y > 2.2 * 2.2) continue;  // well inside the sphere's outline
            const Rgb p = Channels(Pixel(px, py));
            const bool grey = p.r == p.g && p.g == p.b;
            ++levels[grey && std::abs(p.r - 64) <= 1 ? 0 : grey && std::abs(p.r - 192) <= 1 ? 1 : 2];
        }
    EXPECT_TRUE(levels[0] > 200 && levels[1] > 200) << levels[0] << " " << levels[1];
    // Only where linear filtering meets the band edge may a pixel lie between the levels.
    EXPECT_LT(levels[2], (levels[0] + levels[1]) / 20);
    // A ramp of no value is [255]: one flat level.
    ramp.Dim(0);
    SetShadeRamp(ramp);
    EXPECT_EQ(g_engine.scene->shadeRamp, std::vector<std::uint8_t>{255});
    EXPECT_TRUE(Grey(DrawnAt(-2, 0, 2.2)) == 255 && Grey(RgbAt(2, 0, 2.2)) == 255);
    SetLight(-2, 0, 0, 0, 0, 0, 0, 0, 0);
    EXPECT_FALSE(g_engine.scene->specialOn);
}

TEST_F(Effects3D, BumpMappingLightsByTheNormalMap) {
    // DOT3 gives N . L with the flat normal map, times yellow on unit 1; L is interpolated from the corners,
    // so the centre gets the mean of N . L at (-3, -3) and (3, 3).
    MakeSolidTextures({0xFF8080, 0x00FFFF});
    Square(1, 3, 0, 0xFFFFFF);
    SetTexture(0, 1);
    const auto expected = [](double x, double y, double z) {
        const double sum = z / std::hypot(x + 3, y + 3, z) + z / std::hypot(x - 3, y - 3, z);
        return 255 * std::clamp(sum / 2, 0.0, 1.0);
    };
    // {light x, y, z}: straight above, to the side, low from the front, from behind (clamped to 0).
    for (const auto& [x, y, z] : {std::array<double, 3>{0, 0, 10}, {10, 0, 10}, {0, -10, 3}, {0, 0, -10}}) {
        SetLight(-1, 0xFFFFFF, x, y, z, 0, 0, 0, 1);
        const Rgb p = DrawnAt(0, 0, 0);
        EXPECT_TRUE(std::fabs(p.r - expected(x, y, z)) <= 4 && std::fabs(p.g - expected(x, y, z)) <= 4 &&
                    p.b <= 2)
            << x << "," << y << "," << z << ": " << p.r << " " << p.g << " " << p.b;
    }
    // The mode off: the two textures modulate (the normal map's red 128 x yellow).
    SetLight(-1, 0xFFFFFF, 0, 0, 0, 0, 0, 0, 0);
    EXPECT_NEAR(DrawnAt(0, 0, 0).r, 128, 2);
}

TEST_F(Effects3D, ShaderSlotsLoadUseAndTakeUniforms) {
    g_engine.debugMode = 1;
    Square(1, 3, 0, 0x00FF00);
    const std::string vertex = WriteFile("v.glsl", kVertexShader);
    const std::string fragment = WriteFile("f.glsl", kLevelShader);
    ASSERT_EQ(LoadShader(7, vertex.c_str(), fragment.c_str()), 1);
    UseShader(7);
    for (const double level : {1.0, 0.25}) {
        SetShaderFloat("level", level);
        const Rgb p = DrawnAt(0, 0, 0);
        EXPECT_TRUE(std::abs(p.r - 255 * level) <= 1 && std::abs(p.b - 255 * (1 - level)) <= 1 && p.g == 0)
            << level << ": " << p.r << " " << p.g << " " << p.b;
    }
    EXPECT_EQ(Stderr([] { SetShaderFloat("nothing", 2); }), "undefined uniform:\nnothing\n");
    UseShader(-1);  // off again: fixed-function drawing
    EXPECT_EQ(DrawnAt(0, 0, 0).g, 255);

    // Slots 255 and -1 are refused; two missing files load nothing and succeed: a slot that draws as before.
    EXPECT_EQ(LoadShader(255, vertex.c_str(), fragment.c_str()), 0);
    EXPECT_EQ(LoadShader(-1, vertex.c_str(), fragment.c_str()), 0);
    EXPECT_EQ(LoadShader(8, "no/such/file.glsl", "nor/this.glsl"), 1);
    UseShader(8);
    SetShaderFloat("level", 1);
    EXPECT_EQ(DrawnAt(0, 0, 0).g, 255);

    // Broken vertex and fragment shaders, a link failure (no main at all) and a huge file: 0 and messages.
    const std::string broken = WriteFile("broken.glsl", "void main() { gl_Position = ; }\n");
    std::string messages = Stderr([&] { EXPECT_EQ(LoadShader(7, broken.c_str(), fragment.c_str()), 0); });
    const std::size_t failed = messages.find("vertex shader failed\n");
    EXPECT_TRUE(failed != std::string::npos && failed > 5) << messages;
    const tarvok::ShaderSlot& slot = g_engine.scene->shaders[7];
    EXPECT_TRUE(slot.vertex != 0 && slot.fragment == 0 && slot.program == 0);
    const std::string noMain = WriteFile("nomain.glsl", "float helper() { return 1.0; }\n"),
                      huge = WriteFile("huge.glsl", kVertexShader);
    std::filesystem::resize_file(huge, std::uintmax_t{64} << 20);
    messages = Stderr([&] {
        EXPECT_EQ(LoadShader(9, vertex.c_str(), broken.c_str()), 0);
        EXPECT_EQ(LoadShader(10, noMain.c_str(), "missing.glsl"), 0);
        EXPECT_EQ(LoadShader(12, huge.c_str(), fragment.c_str()), 0);
    });
    EXPECT_TRUE(messages.find("fragment shader failed\n") != std::string::npos &&
                messages.find("link shader failed\n") != std::string::npos)
        << messages;
    g_engine.debugMode = 0;  // out of debug mode nothing is sent
    EXPECT_EQ(Stderr([&] { EXPECT_EQ(LoadShader(7, broken.c_str(), fragment.c_str()), 0); }), "");
    ASSERT_EQ(LoadShader(7, vertex.c_str(), fragment.c_str()), 1);
    UseShader(7);
    Leave3DMode();  // the screen flip ends the shader
    GLint current = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_TRUE(g_engine.scene->currentShader == -1 && current == 0);
}

TEST_F(Effects3D, DebugModeMarkersAndScreenConversion) {
    // A point light: a point of size 40 in 0x80C8FF, lighting back on after it.
    g_engine.debugMode = 1;
    SetLight(1, 0xFFFFFF, 2, 0, 0, 0, 0, 0, 120);
    Rgb p = RgbAt(2, 0, 0);
    EXPECT_TRUE(std::abs(p.r - 0xFF) <= 2 && std::abs(p.g - 0xC8) <= 2 && std::abs(p.b - 0x80) <= 2);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    SetLight(1, 0, 0, 0, 0, 0, 0, 0, 0);
    // A ray that misses draws a red line along it, one hitting in front green; boxes and spheres draw too.
    Square(1, 1, 0, 0xFFFFFF);
    Clear();
    RayCollision(1, 0, -4, 2, 0, 1, 0, 0);
    p = RgbAt(-2, 2, 0);
    EXPECT_TRUE(p.r > 100 && p.g < 30);
    Clear();
    EXPECT_NEAR(RayCollision(1, 0, 0.5, 0, 5, 0, 0, -1), 5, 1e-4);
    EXPECT_GT(RgbAt(0.5, 0, 2).g, 100);
    EXPECT_EQ(ObjectBoxCollision(1, 0, 0, 0, 0, 1, 1, 1), 1);
    EXPECT_EQ(SphereCollision(1, 0, 0.5, 0, 0, 3), 0);

    // The target lies at the screen's centre at depth (ndc z + 1) / 2, and back in the world within a pixel.
    double sx = -1, sy = -1, depth = -1, x = 9, y = 9, z = 9;
    WorldToScreen(0, 0, 0, sx, sy, depth);
    const double ndc = (100.0 + 1) / (100 - 1) - 2 * 100.0 * 1 / ((100 - 1) * 10);
    EXPECT_TRUE(std::fabs(sx - 80) < 1e-3 && std::fabs(sy - 60) < 1e-3) << sx << "," << sy;
    EXPECT_NEAR(depth, (ndc + 1) / 2, 1e-5);
    ScreenToWorld(sx, sy, depth, x, y, z);
    EXPECT_TRUE(std::fabs(x) < 1e-3 && std::fabs(z) < 1e-3) << x << "," << z;
    EXPECT_LE(std::fabs(y), 2 * HalfHeightAt(kEyeZ) / kHeight * 1.001);
}

// Without shader objects and multitexturing (the test runs itself again with TARVOK_GL_DISABLE set) shaders
// report their absence once and cel shading has no unit for its shade texture: objects draw plainly.
TEST_F(Effects3D, WithoutShaderObjectsOrMultitexturing) {
    if (!std::getenv("TARVOK_GL_DISABLE")) {
        const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
        const std::string command = "TARVOK_GL_DISABLE=glsl,fbo,multitexture '" + self +
                                    "' --gtest_filter=Effects3D.WithoutShaderObjects* >/dev/null 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0);
        return;
    }
    EXPECT_EQ(g_gl.glCreateShaderObjectARB, nullptr);
    Square(1, 3, 0, 0x00FF00);
    g_engine.debugMode = 1;
    const std::string vertex = WriteFile("v.glsl", kVertexShader);
    EXPECT_EQ(Stderr([&] {
                  EXPECT_EQ(LoadShader(1, vertex.c_str(), ""), 0);
                  EXPECT_EQ(LoadShader(2, vertex.c_str(), ""), 0);
              }),
              "No OpenGL 2.0 Shader Support\n");
    UseShader(1);
    SetShaderFloat("level", 1);
    SetTexture(-1, -1);
    EXPECT_EQ(DrawnAt(0, 0, 0).g, 255);
    SetLight(-2, 0xFFFFFF, 0, 0, 20, 0, 0, 0, 1);
    EXPECT_EQ(DrawnAt(0, 0, 0).g, 255);
}
