// Lights, fog, stencil shadows, cel shading, shaders and screen conversion on a real window (Xvfb,
// llvmpipe). Expected pixels come from the scene's geometry worked out here.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/gfx3d/gl_fixture.h"

using namespace gfx3d_test;

namespace {

struct Rgb {
    int r, g, b;
};
Rgb Split(std::uint32_t c) {
    return {static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>(c >> 16)};
}
Rgb PixelRgb(int x, int y) { return Split(Pixel(x, y)); }
Rgb RgbAt(double x, double y, double z) { return Split(PixelAt(x, y, z)); }

// Where the ray through a pixel's centre meets the plane z at depth kEyeZ - z.
void PixelToPlane(int px, int py, double z, double& x, double& y) {
    const double half = HalfHeightAt(kEyeZ - z), halfWidth = half * kWidth / kHeight;
    x = ((px + 0.5) / kWidth * 2 - 1) * halfWidth;
    y = (1 - (py + 0.5) / kHeight * 2) * half;
}

struct P3 {
    double x, y, z;
};

// Adds the triangle with its corners ordered so that (c - b) x (b - a), the engine's face normal, points
// along the given outward direction.
void Triangle(P3 a, P3 b, P3 c, P3 outward, double colour) {
    const P3 e1{c.x - b.x, c.y - b.y, c.z - b.z}, e2{b.x - a.x, b.y - a.y, b.z - a.z};
    const P3 n{e1.y * e2.z - e1.z * e2.y, e1.z * e2.x - e1.x * e2.z, e1.x * e2.y - e1.y * e2.x};
    if (n.x * outward.x + n.y * outward.y + n.z * outward.z < 0) std::swap(b, c);
    for (const P3& p : {a, b, c}) AddVertex(p.x, p.y, p.z, 0, 0, colour);
}

void Square(double slot, double half, double z, double colour) {
    StartObject(slot);
    AddVertex(0, 0, 0, 0, 0, -1);
    Triangle({-half, -half, z}, {half, -half, z}, {half, half, z}, {0, 0, 1}, colour);
    Triangle({-half, -half, z}, {half, half, z}, {-half, half, z}, {0, 0, 1}, colour);
    EndObject();
}

void Sphere(double slot, double radius, double colour) {
    StartObject(slot);
    AddVertex(0, 0, 0, 0, 0, -1);
    constexpr int kRings = 16, kSegments = 24;
    const auto at = [&](int i, int j) {
        const double theta = kPi * i / kRings, phi = 2 * kPi * j / kSegments;
        return P3{radius * std::sin(theta) * std::cos(phi), radius * std::cos(theta),
                  radius * std::sin(theta) * std::sin(phi)};
    };
    for (int i = 0; i < kRings; ++i)
        for (int j = 0; j < kSegments; ++j) {
            const P3 a = at(i, j), b = at(i + 1, j), c = at(i + 1, j + 1), d = at(i, j + 1);
            const P3 mid{(a.x + c.x) / 2, (a.y + c.y) / 2, (a.z + c.z) / 2};
            if (i != kRings - 1) Triangle(a, b, c, mid, colour);
            if (i != 0) Triangle(a, c, d, mid, colour);
        }
    EndObject();
}

int Grey(const Rgb& p) { return (p.r + p.g + p.b) / 3; }

class Effects3D : public Window3D {
protected:
    void TearDown() override {
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        Window3D::TearDown();
    }
};

std::string WriteFile(const std::string& name, const std::string& text) {
    const std::string path = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/" + name;
    std::ofstream(path) << text;
    return path;
}

const char* const kVertexShader = "void main() { gl_Position = ftransform(); }\n";
const char* const kLevelShader =
    "uniform float level;\nvoid main() { gl_FragColor = vec4(level, 0.0, 1.0 - level, 1.0); }\n";

}  // namespace

TEST_F(Effects3D, PointLightBrightensTheSideFacingItAndLightsSwitchOff) {
    Sphere(1, 2, 0xFFFFFF);
    SetLight(0, 0xFFFFFF, 10, 0, 0, 0, 0, 0, 120);  // a point light to the right
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    DrawObject(1, 0);
    const int right = Grey(RgbAt(1.2, 0, 1.6)), left = Grey(RgbAt(-1.2, 0, 1.6));
    const int front = Grey(RgbAt(0, 0, 2)), farRight = Grey(RgbAt(1.6, 0, 1.2));
    EXPECT_GT(right, left + 60);
    EXPECT_GT(farRight, front + 60);  // the normal turns towards the light

    // Light 8 is light 0 again: cutoff 0 switches it off and, as the only light, lighting with it.
    SetLight(8, 0xFFFFFF, 0, 0, 0, 0, 0, 0, 0);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT0));

    // No position and no direction: a directional light along +z (towards the camera), never a spot.
    Clear();
    SetLight(0, 0x00FF00, 0, 0, 0, 0, 0, 0, 45);
    float cutoff = 0, position[4] = {};
    glGetLightfv(GL_LIGHT0, GL_SPOT_CUTOFF, &cutoff);
    glGetLightfv(GL_LIGHT0, GL_POSITION, position);
    EXPECT_EQ(cutoff, 180);
    EXPECT_EQ(position[3], 0);
    EXPECT_NEAR(position[2], 1, 1e-6);
    DrawObject(1, 0);
    const Rgb centre = RgbAt(0, 0, 2), l = RgbAt(-1.2, 0, 1.6), r = RgbAt(1.2, 0, 1.6);
    EXPECT_GT(centre.g, 200);
    EXPECT_LT(centre.r, 60);
    EXPECT_NEAR(l.g, r.g, 4);

    // A spot light keeps its cutoff; two lights, one switched off, keep lighting on.
    SetLight(3, 0xFFFFFF, 0, 0, 5, 0, 0, -1, 30);
    glGetLightfv(GL_LIGHT3, GL_SPOT_CUTOFF, &cutoff);
    EXPECT_EQ(cutoff, 30);
    SetLight(0, 0, 0, 0, 0, 0, 0, 0, 0);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    // Bad numbers never leave a GL error set (checked in TearDown).
    const double nan = std::nan("");
    SetLight(1, 0xFFFFFF, nan, nan, nan, nan, nan, nan, 45);
    SetLight(2, 0xFFFFFF, 1, 1, 1, 0, 0, 1, -30);
    SetLight(nan, nan, 0, 0, 0, 0, 0, 0, nan);
    SetCameraLight(4, 0xFFFFFF);
    glGetLightfv(GL_LIGHT4, GL_POSITION, position);
    EXPECT_EQ(position[3], 0);
    UseNormals(1);
    DrawObject(1, 0);
    // Start3D clears every light.
    Start3D(1, 100, kFov);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_EQ(g_engine.scene->lightsMask, 0);
    EXPECT_FALSE(g_engine.scene->normalsFlag);
}

TEST_F(Effects3D, FogBlendsTowardsItsColourByDistance) {
    Square(1, 3, 0, 0xFFFFFF);
    const auto drawAt = [&](double z) {
        Clear();
        SetMovement(0, 0, z);
        DrawObject(1, 0);
        return RgbAt(0.5, 0.5, z);
    };
    // Linear black fog from 5 to 15: f = (15 - d) / 10 of the object's colour remains.
    SetFog(0x000000, 0, 5, 15);
    EXPECT_NEAR(drawAt(0).r, 255 * 0.5, 3);
    EXPECT_NEAR(drawAt(-2).r, 255 * 0.3, 3);
    EXPECT_NEAR(drawAt(3).r, 255 * 0.8, 3);
    EXPECT_NEAR(drawAt(-20).r, 0, 2);  // beyond the end
    // Red fog: red stays, green and blue fade.
    SetFog(0x0000FF, 0, 5, 15);
    const Rgb red = drawAt(0);
    EXPECT_NEAR(red.r, 255, 2);
    EXPECT_NEAR(red.g, 128, 3);
    // Start and end 0: from the near to the far distance (1..100).
    SetFog(0x000000, 0, 0, 0);
    EXPECT_NEAR(drawAt(0).r, 255 * 90 / 99.0, 3);
    // Exponential: f = exp(-density x d).
    SetFog(0x000000, 1, 0.1, 0);
    EXPECT_NEAR(drawAt(0).r, 255 * std::exp(-1.0), 3);
    SetFog(0x000000, 1, -5, 0);  // a negative density is refused by GL; no error is left
    SetFog(-1, 0, 0, 0);
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    EXPECT_NEAR(drawAt(0).r, 255, 1);
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
        Clear();
        glClear(GL_STENCIL_BUFFER_BIT);
        DrawObject(1, 0);
        DrawObject(2, 0);
        SetCulling(culling);
        SetLight(-3, 0xFFFFFF, light[0], light[1], light[2], 0, 0, 0, 1);
        EXPECT_TRUE(g_engine.scene->shadowPassOpen);
        DrawObject(2, 0);
        if (culling == 1) {
            Leave3DMode();  // the screen flip closes the pass
        } else {
            SetLight(-3, 0xFFFFFF, light[0], light[1], light[2], 0, 0, 0, 0);
        }
        EXPECT_FALSE(g_engine.scene->shadowPassOpen);

        int shadowed = 0, lit = 0;
        for (int py = 2; py < kHeight; py += 3)
            for (int px = 2; px < kWidth; px += 3) {
                double x = 0, y = 0, ox = 0, oy = 0;
                PixelToPlane(px, py, 0, x, y);
                PixelToPlane(px, py, 2, ox, oy);
                if (std::fabs(ox) <= 1.1 && std::fabs(oy) <= 1.1) continue;  // the occluder is seen
                // The ray from the floor point to the light crosses z = 2 at a third of the way.
                const double cx = x + (light[0] - x) / 3, cy = y + (light[1] - y) / 3;
                const double margin = std::min(std::fabs(std::fabs(cx) - 1), std::fabs(std::fabs(cy) - 1));
                if (margin < 0.1) continue;
                const bool inShadow = std::fabs(cx) < 1 && std::fabs(cy) < 1;
                const Rgb p = PixelRgb(px, py);
                if (inShadow) {
                    EXPECT_NEAR(p.g, 128, 2) << culling << " " << px << "," << py;
                    ++shadowed;
                } else {
                    EXPECT_EQ(p.g, 255) << culling << " " << px << "," << py;
                    ++lit;
                }
            }
        EXPECT_GT(shadowed, 40);
        EXPECT_GT(lit, 400);
        // Closing cleared the stencil counts (this pixel lies in the shadow) and gave colour writes back.
        std::uint8_t stencil = 1;
        glReadPixels(kWidth * 3 / 8, kHeight / 2, 1, 1, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, &stencil);
        EXPECT_EQ(stencil, 0);
        EXPECT_FALSE(glIsEnabled(GL_STENCIL_TEST));
        GLboolean writes[4] = {};
        glGetBooleanv(GL_COLOR_WRITEMASK, writes);
        EXPECT_TRUE(writes[0] && writes[3]);
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
    int low = 0, high = 0, other = 0;
    for (int py = 0; py < kHeight; ++py)
        for (int px = 0; px < kWidth; ++px) {
            double x = 0, y = 0;
            PixelToPlane(px, py, 3, x, y);
            if (x * x + y * y > 2.2 * 2.2) continue;  // well inside the sphere's outline
            const Rgb p = PixelRgb(px, py);
            if (std::abs(p.r - 64) <= 1 && p.r == p.g && p.g == p.b)
                ++low;
            else if (std::abs(p.r - 192) <= 1 && p.r == p.g && p.g == p.b)
                ++high;
            else
                ++other;
        }
    EXPECT_GT(low, 200);
    EXPECT_GT(high, 200);
    // Only where linear filtering meets the band edge may a pixel lie between the levels.
    EXPECT_LT(other, (low + high) / 20);
    // A ramp of one value: one flat level.
    ramp.Dim(0);
    SetShadeRamp(ramp);
    EXPECT_EQ(g_engine.scene->shadeRamp, std::vector<std::uint8_t>{255});
    Clear();
    DrawObject(1, 0);
    EXPECT_EQ(Grey(RgbAt(-2, 0, 2.2)), 255);
    EXPECT_EQ(Grey(RgbAt(2, 0, 2.2)), 255);
    SetLight(-2, 0, 0, 0, 0, 0, 0, 0, 0);
    EXPECT_FALSE(g_engine.scene->specialOn);
}

// Bump mapping: the DOT3 combiner gives N . L where the normal texture holds the flat normal (0, 0, 1);
// the colour texture on unit 1 then multiplies.
GLuint g_bumpTextures[2] = {0, 0};

TEST_F(Effects3D, BumpMappingLightsByTheNormalMap) {
    g_bumpTextures[0] = SolidTexture(128, 128, 255);  // the flat normal
    g_bumpTextures[1] = SolidTexture(255, 255, 0);    // the colour: yellow
    tarvok::g_gfx3dServices.bindSprites = [](int first, int second, bool) {
        for (int unit = 0; unit < 2; ++unit) {
            g_gl.glActiveTextureARB(GL_TEXTURE0_ARB + unit);
            const int sprite = unit == 0 ? first : second;
            glBindTexture(GL_TEXTURE_2D, sprite >= 0 ? g_bumpTextures[sprite] : 0);
            if (sprite >= 0)
                glEnable(GL_TEXTURE_2D);
            else
                glDisable(GL_TEXTURE_2D);
        }
        g_gl.glActiveTextureARB(GL_TEXTURE0_ARB);
    };
    Square(1, 3, 0, 0xFFFFFF);
    SetTexture(0, 1);
    const auto litBy = [&](double x, double y, double z) {
        Clear();
        SetLight(-1, 0xFFFFFF, x, y, z, 0, 0, 0, 1);
        DrawObject(1, 0);
        return RgbAt(0, 0, 0);
    };
    // The light vector is worked out per corner and interpolated: the centre of the square lies on the
    // diagonal from (-3, -3) to (3, 3), so it gets the mean of N . L at those two corners.
    const auto expected = [](double x, double y, double z) {
        double sum = 0;
        for (double c : {-3.0, 3.0}) sum += z / std::hypot(x - c, y - c, z);
        return 255 * std::clamp(sum / 2, 0.0, 1.0);
    };
    Rgb p = litBy(0, 0, 10);  // straight above
    EXPECT_NEAR(p.r, expected(0, 0, 10), 4);
    EXPECT_NEAR(p.g, expected(0, 0, 10), 4);
    EXPECT_LE(p.b, 2);
    p = litBy(10, 0, 10);
    EXPECT_NEAR(p.r, expected(10, 0, 10), 4);
    p = litBy(0, -10, 3);
    EXPECT_NEAR(p.g, expected(0, -10, 3), 4);
    p = litBy(0, 0, -10);  // from behind: clamped to 0
    EXPECT_LE(p.r, 2);
    SetLight(-1, 0xFFFFFF, 0, 0, 0, 0, 0, 0, 0);
    Clear();
    DrawObject(1, 0);  // the mode off: the two textures modulate (the normal map's red 128 x yellow)
    EXPECT_NEAR(RgbAt(0, 0, 0).r, 128, 2);
    tarvok::g_gfx3dServices = tarvok::Gfx3dServices{};
    glDeleteTextures(2, g_bumpTextures);
}

TEST_F(Effects3D, ShaderSlotsLoadUseAndTakeUniforms) {
    g_engine.debugMode = 1;
    Square(1, 3, 0, 0x00FF00);
    const std::string vertex = WriteFile("v.glsl", kVertexShader);
    const std::string fragment = WriteFile("f.glsl", kLevelShader);
    ASSERT_EQ(LoadShader(7, vertex.c_str(), fragment.c_str()), 1);
    EXPECT_NE(g_engine.scene->shaders[7].program, 0u);
    UseShader(7);
    SetShaderFloat("level", 1.0);
    DrawObject(1, 0);
    Rgb p = RgbAt(0, 0, 0);
    EXPECT_EQ(p.r, 255);
    EXPECT_EQ(p.b, 0);
    SetShaderFloat("level", 0.25);
    Clear();
    DrawObject(1, 0);
    p = RgbAt(0, 0, 0);
    EXPECT_NEAR(p.r, 64, 1);
    EXPECT_NEAR(p.b, 191, 1);
    EXPECT_EQ(p.g, 0);

    testing::internal::CaptureStderr();
    SetShaderFloat("nothing", 2);
    std::string messages = testing::internal::GetCapturedStderr();
    EXPECT_NE(messages.find("undefined uniform:\n"), std::string::npos) << messages;
    EXPECT_NE(messages.find("nothing\n"), std::string::npos) << messages;

    // Off again: fixed-function drawing.
    UseShader(-1);
    Clear();
    DrawObject(1, 0);
    EXPECT_EQ(RgbAt(0, 0, 0).g, 255);
    EXPECT_EQ(g_engine.scene->currentShader, -1);

    // Slots 255 and -1 are refused untouched; two missing files load nothing and succeed.
    EXPECT_EQ(LoadShader(255, vertex.c_str(), fragment.c_str()), 0);
    EXPECT_EQ(LoadShader(-1, vertex.c_str(), fragment.c_str()), 0);
    EXPECT_EQ(LoadShader(8, "no/such/file.glsl", "nor/this.glsl"), 1);
    EXPECT_EQ(g_engine.scene->shaders[8].program, 0u);
    UseShader(8);
    SetShaderFloat("level", 1);  // a slot without a program takes no uniforms
    Clear();
    DrawObject(1, 0);
    EXPECT_EQ(RgbAt(0, 0, 0).g, 255);
    UseShader(300);

    // A syntax error in the vertex shader: 0, its log and the message; the fragment shader is not made.
    const std::string broken = WriteFile("broken.glsl", "void main() { gl_Position = ; }\n");
    testing::internal::CaptureStderr();
    EXPECT_EQ(LoadShader(7, broken.c_str(), fragment.c_str()), 0);
    messages = testing::internal::GetCapturedStderr();
    const std::size_t failed = messages.find("vertex shader failed\n");
    ASSERT_NE(failed, std::string::npos) << messages;
    EXPECT_GT(failed, 5u);  // the driver's log comes first
    EXPECT_NE(g_engine.scene->shaders[7].vertex, 0u);
    EXPECT_EQ(g_engine.scene->shaders[7].fragment, 0u);
    EXPECT_EQ(g_engine.scene->shaders[7].program, 0u);
    // A broken fragment shader, a link failure (no main anywhere) and a huge file.
    testing::internal::CaptureStderr();
    EXPECT_EQ(LoadShader(9, vertex.c_str(), broken.c_str()), 0);
    const std::string noMain = WriteFile("nomain.glsl", "float helper() { return 1.0; }\n");
    EXPECT_EQ(LoadShader(10, noMain.c_str(), "missing.glsl"), 0);
    messages = testing::internal::GetCapturedStderr();
    EXPECT_NE(messages.find("fragment shader failed\n"), std::string::npos) << messages;
    EXPECT_NE(messages.find("link shader failed\n"), std::string::npos) << messages;
    const std::string huge = WriteFile("huge.glsl", kVertexShader);
    std::filesystem::resize_file(huge, std::uintmax_t{64} << 20);
    EXPECT_EQ(LoadShader(12, huge.c_str(), fragment.c_str()), 0);
    // Out of debug mode nothing is sent.
    g_engine.debugMode = 0;
    testing::internal::CaptureStderr();
    EXPECT_EQ(LoadShader(7, broken.c_str(), fragment.c_str()), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    // The screen flip ends the shader.
    ASSERT_EQ(LoadShader(7, vertex.c_str(), fragment.c_str()), 1);
    UseShader(7);
    Leave3DMode();
    EXPECT_EQ(g_engine.scene->currentShader, -1);
    GLint current = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_EQ(current, 0);
}

TEST_F(Effects3D, DebugModeDrawsLightsAndTests) {
    g_engine.debugMode = 1;
    SetLight(1, 0xFFFFFF, 2, 0, 0, 0, 0, 0, 120);  // a point light: a point of size 40 in 0x80C8FF
    Rgb p = RgbAt(2, 0, 0);
    EXPECT_NEAR(p.r, 0xFF, 2);
    EXPECT_NEAR(p.g, 0xC8, 2);
    EXPECT_NEAR(p.b, 0x80, 2);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));  // back on after the marker
    SetLight(1, 0, 0, 0, 0, 0, 0, 0, 0);
    Square(1, 1, 0, 0xFFFFFF);
    Clear();
    // A ray that misses: a red line along it.
    EXPECT_EQ(RayCollision(1, 0, -4, 2, 0, 1, 0, 0), 0);
    p = RgbAt(-2, 2, 0);
    EXPECT_GT(p.r, 100);
    EXPECT_LT(p.g, 30);
    // A ray hitting in front: green; a box that hits: red edges; a sphere that misses: green outline.
    Clear();
    EXPECT_NEAR(RayCollision(1, 0, 0, -3, 5, 0, 0, -1), 0, 1e-9);
    EXPECT_NEAR(RayCollision(1, 0, 0.5, 0, 5, 0, 0, -1), 5, 1e-4);
    EXPECT_GT(RgbAt(0.5, 0, 2).g, 100);
    EXPECT_EQ(ObjectBoxCollision(1, 0, 0, 0, 0, 1, 1, 1), 1);
    EXPECT_EQ(SphereCollision(1, 0, 0.5, 0, 0, 3), 0);
}

TEST_F(Effects3D, WorldToScreenAndBack) {
    double sx = -1, sy = -1, depth = -1;
    WorldToScreen(0, 0, 0, sx, sy, depth);  // the camera's target
    EXPECT_NEAR(sx, kWidth / 2.0, 1e-3);
    EXPECT_NEAR(sy, kHeight / 2.0, 1e-3);
    // depth = (ndc z + 1) / 2 for a point 10 in front of a 1..100 frustum.
    const double ndc = (100.0 + 1) / (100 - 1) - 2 * 100.0 * 1 / ((100 - 1) * 10);
    EXPECT_NEAR(depth, (ndc + 1) / 2, 1e-5);
    double x = 9, y = 9, z = 9;
    ScreenToWorld(sx, sy, depth, x, y, z);
    EXPECT_NEAR(x, 0, 1e-3);
    EXPECT_NEAR(z, 0, 1e-3);
    EXPECT_LE(std::fabs(y), 2 * HalfHeightAt(kEyeZ) / kHeight * 1.001);  // within one pixel
}

// Without shader objects and multitexturing (TARVOK_GL_DISABLE) shaders report their absence once and draw
// nothing different. The test runs itself again with the variable set, since it is read once per process.
TEST(ShaderFallback, WithoutShaderObjects) {
    const char* disabled = std::getenv("TARVOK_GL_DISABLE");
    if (!disabled) {
        const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
        const std::string command = "TARVOK_GL_DISABLE=glsl,fbo,multitexture '" + self +
                                    "' --gtest_filter=ShaderFallback.* >/dev/null 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0);
        return;
    }
    OpenGLZazuzive display;
    ASSERT_TRUE(CreateDisplay(display, kWidth, kHeight, 0, 60, 0));
    g_engine.display = &display;
    CreateScene3D();
    EXPECT_EQ(g_gl.glCreateShaderObjectARB, nullptr);
    Start3D(1, 100, kFov);
    SetCamera(0, 0, kEyeZ, 0, 0, 0);
    Square(1, 3, 0, 0x00FF00);
    g_engine.debugMode = 1;
    const std::string vertex = WriteFile("v.glsl", kVertexShader);
    testing::internal::CaptureStderr();
    EXPECT_EQ(LoadShader(1, vertex.c_str(), ""), 0);
    EXPECT_EQ(LoadShader(2, vertex.c_str(), ""), 0);
    const std::string messages = testing::internal::GetCapturedStderr();
    EXPECT_EQ(messages, "No OpenGL 2.0 Shader Support\n");
    UseShader(1);
    SetShaderFloat("level", 1);
    SetTexture(-1, -1);
    DrawObject(1, 0);
    EXPECT_EQ(RgbAt(0, 0, 0).g, 255);
    // Without multitexturing cel shading has no unit for its shade texture: objects draw plainly.
    SetLight(-2, 0xFFFFFF, 0, 0, 20, 0, 0, 0, 1);
    DrawObject(1, 0);
    EXPECT_EQ(RgbAt(0, 0, 0).g, 255);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    g_engine.debugMode = 0;
    Leave3DMode();
    DestroyScene3D();
    DestroyDisplay(display);
    g_engine.display = nullptr;
}
