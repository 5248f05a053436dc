// Lights, fog, stencil shadows, cel shading, shaders and screen conversion on a real window (Xvfb, llvmpipe).
// Expected pixels come from the scene's geometry worked out here.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "tests/gfx3d/gl_fixture.h"

using namespace gfx3d_test;

namespace {

struct Rgb {
    int r, g, b;
};
Rgb PixelRgb(int x, int y) {
    const std::uint32_t c = Pixel(x, y);
    return {static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF), static_cast<int>(c >> 16)};
}
Rgb RgbAt(double x, double y, double z) {
    const Spot s = Project(x, y, z);
    return PixelRgb(s.x, s.y);
}
int Grey(const Rgb& p) { return (p.r + p.g + p.b) / 3; }

// Where the ray through a pixel's centre meets the plane z.
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

// Draws slot 1 on a cleared screen and reads the colour at a world point.
Rgb DrawnAt(double x, double y, double z) {
    Clear();
    DrawObject(1, 0);
    return RgbAt(x, y, z);
}

std::string WriteFile(const std::string& name, const std::string& text) {
    const std::string path = std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/" + name;
    std::ofstream(path) << text;
    return path;
}

std::string Stderr(const std::function<void()>& run) {
    testing::internal::CaptureStderr();
    run();
    return testing::internal::GetCapturedStderr();
}

const char* const kVertexShader = "void main() { gl_Position = ftransform(); }\n";
const char* const kLevelShader =
    "uniform float level;\nvoid main() { gl_FragColor = vec4(level, 0.0, 1.0 - level, 1.0); }\n";

using Effects3D = Window3D;

}  // namespace

TEST_F(Effects3D, LightsPointDirectionalAndSpotAndSwitchOff) {
    // A point light to the right brightens the right side, most where the normal turns towards it.
    Sphere(1, 2, 0xFFFFFF);
    SetLight(0, 0xFFFFFF, 10, 0, 0, 0, 0, 0, 120);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
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
    EXPECT_TRUE(centre.g > 200 && centre.r < 60);
    EXPECT_NEAR(l.g, r.g, 4);

    // A spot light keeps its cutoff; with one of two lights switched off lighting stays on. Bad numbers never
    // leave a GL error set (checked in TearDown); the camera light is directional.
    SetLight(3, 0xFFFFFF, 0, 0, 5, 0, 0, -1, 30);
    glGetLightfv(GL_LIGHT3, GL_SPOT_CUTOFF, &cutoff);
    EXPECT_EQ(cutoff, 30);
    SetLight(0, 0, 0, 0, 0, 0, 0, 0, 0);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
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
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING) || g_engine.scene->lightsMask != 0 || g_engine.scene->normalsFlag);
}

TEST_F(Effects3D, FogBlendsTowardsItsColourByDistance) {
    Square(1, 3, 0, 0xFFFFFF);
    // {colour, mode, start, end, z, red, green}: linear black fog from 5 to 15 leaves (15 - d) / 10 of the
    // object's colour, none beyond the end; red fog keeps red; start and end 0 run from the near to the far
    // distance (1..100); exponential fog leaves exp(-density x d).
    const struct {
        double colour, mode, start, end, z, red, green;
    } fogs[] = {{0, 0, 5, 15, 0, 255 * 0.5, 255 * 0.5},   {0, 0, 5, 15, -2, 255 * 0.3, 255 * 0.3},
                {0, 0, 5, 15, 3, 255 * 0.8, 255 * 0.8},   {0, 0, 5, 15, -20, 0, 0},
                {0x0000FF, 0, 5, 15, 0, 255, 128},        {0, 0, 0, 0, 0, 255 * 90 / 99.0, 255 * 90 / 99.0},
                {0, 1, 0.1, 0, 0, 255 * std::exp(-1.0), 255 * std::exp(-1.0)}};
    for (const auto& f : fogs) {
        SetFog(f.colour, f.mode, f.start, f.end);
        SetMovement(0, 0, f.z);
        const Rgb p = DrawnAt(0.5, 0.5, f.z);
        EXPECT_NEAR(p.r, f.red, 3) << f.start << " " << f.end << " " << f.z;
        EXPECT_NEAR(p.g, f.green, 3) << f.start << " " << f.end << " " << f.z;
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
                double x = 0, y = 0, ox = 0, oy = 0;
                PixelToPlane(px, py, 0, x, y);
                PixelToPlane(px, py, 2, ox, oy);
                if (std::fabs(ox) <= 1.1 && std::fabs(oy) <= 1.1) continue;  // the occluder is seen
                // The ray from the floor point to the light crosses z = 2 at a third of the way.
                const double cx = x + (light[0] - x) / 3, cy = y + (light[1] - y) / 3;
                if (std::min(std::fabs(std::fabs(cx) - 1), std::fabs(std::fabs(cy) - 1)) < 0.1) continue;
                const bool inShadow = std::fabs(cx) < 1 && std::fabs(cy) < 1;
                EXPECT_NEAR(PixelRgb(px, py).g, inShadow ? 128 : 255, inShadow ? 2 : 0)
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
            double x = 0, y = 0;
            PixelToPlane(px, py, 3, x, y);
            if (x * x + y * y > 2.2 * 2.2) continue;  // well inside the sphere's outline
            const Rgb p = PixelRgb(px, py);
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
    EXPECT_EQ(Grey(DrawnAt(-2, 0, 2.2)), 255);
    EXPECT_EQ(Grey(RgbAt(2, 0, 2.2)), 255);
    SetLight(-2, 0, 0, 0, 0, 0, 0, 0, 0);
    EXPECT_FALSE(g_engine.scene->specialOn);
}

TEST_F(Effects3D, BumpMappingLightsByTheNormalMap) {
    // The DOT3 combiner gives N . L with the normal map's flat normal (0, 0, 1); the colour texture (yellow)
    // on unit 1 then multiplies. L is worked out per corner and interpolated: the square's centre lies on the
    // diagonal from (-3, -3) to (3, 3), so it gets the mean of N . L at those two corners.
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
    const std::string vertex = WriteFile("v.glsl", kVertexShader), fragment = WriteFile("f.glsl", kLevelShader);
    ASSERT_EQ(LoadShader(7, vertex.c_str(), fragment.c_str()), 1);
    EXPECT_NE(g_engine.scene->shaders[7].program, 0u);
    UseShader(7);
    for (const double level : {1.0, 0.25}) {
        SetShaderFloat("level", level);
        const Rgb p = DrawnAt(0, 0, 0);
        EXPECT_TRUE(std::abs(p.r - 255 * level) <= 1 && std::abs(p.b - 255 * (1 - level)) <= 1 && p.g == 0)
            << level << ": " << p.r << " " << p.g << " " << p.b;
    }
    EXPECT_EQ(Stderr([] { SetShaderFloat("nothing", 2); }), "undefined uniform:\nnothing\n");
    // Off again: fixed-function drawing.
    UseShader(-1);
    EXPECT_EQ(DrawnAt(0, 0, 0).g, 255);
    EXPECT_EQ(g_engine.scene->currentShader, -1);

    // Slots 255 and -1 are refused; two missing files load nothing and succeed; a slot without a program
    // takes no uniforms and draws as before.
    EXPECT_EQ(LoadShader(255, vertex.c_str(), fragment.c_str()), 0);
    EXPECT_EQ(LoadShader(-1, vertex.c_str(), fragment.c_str()), 0);
    EXPECT_EQ(LoadShader(8, "no/such/file.glsl", "nor/this.glsl"), 1);
    EXPECT_EQ(g_engine.scene->shaders[8].program, 0u);
    UseShader(8);
    SetShaderFloat("level", 1);
    EXPECT_EQ(DrawnAt(0, 0, 0).g, 255);
    UseShader(300);

    // A syntax error in the vertex shader: 0, the driver's log, then the message; the fragment shader is not
    // made. A broken fragment shader, a link failure (no main anywhere) and a huge file fail too.
    const std::string broken = WriteFile("broken.glsl", "void main() { gl_Position = ; }\n");
    std::string messages = Stderr([&] { EXPECT_EQ(LoadShader(7, broken.c_str(), fragment.c_str()), 0); });
    const std::size_t failed = messages.find("vertex shader failed\n");
    ASSERT_NE(failed, std::string::npos) << messages;
    EXPECT_GT(failed, 5u);
    const tarvok::ShaderSlot& slot = g_engine.scene->shaders[7];
    EXPECT_TRUE(slot.vertex != 0 && slot.fragment == 0 && slot.program == 0);
    const std::string noMain = WriteFile("nomain.glsl", "float helper() { return 1.0; }\n");
    const std::string huge = WriteFile("huge.glsl", kVertexShader);
    std::filesystem::resize_file(huge, std::uintmax_t{64} << 20);
    messages = Stderr([&] {
        EXPECT_EQ(LoadShader(9, vertex.c_str(), broken.c_str()), 0);
        EXPECT_EQ(LoadShader(10, noMain.c_str(), "missing.glsl"), 0);
        EXPECT_EQ(LoadShader(12, huge.c_str(), fragment.c_str()), 0);
    });
    EXPECT_NE(messages.find("fragment shader failed\n"), std::string::npos) << messages;
    EXPECT_NE(messages.find("link shader failed\n"), std::string::npos) << messages;
    // Out of debug mode nothing is sent.
    g_engine.debugMode = 0;
    EXPECT_EQ(Stderr([&] { EXPECT_EQ(LoadShader(7, broken.c_str(), fragment.c_str()), 0); }), "");
    // The screen flip ends the shader.
    ASSERT_EQ(LoadShader(7, vertex.c_str(), fragment.c_str()), 1);
    UseShader(7);
    Leave3DMode();
    GLint current = -1;
    glGetIntegerv(GL_CURRENT_PROGRAM, &current);
    EXPECT_TRUE(g_engine.scene->currentShader == -1 && current == 0);
}

TEST_F(Effects3D, DebugModeDrawsLightsAndTests) {
    // A point light: a point of size 40 in 0x80C8FF, lighting back on after it.
    g_engine.debugMode = 1;
    SetLight(1, 0xFFFFFF, 2, 0, 0, 0, 0, 0, 120);
    Rgb p = RgbAt(2, 0, 0);
    EXPECT_TRUE(std::abs(p.r - 0xFF) <= 2 && std::abs(p.g - 0xC8) <= 2 && std::abs(p.b - 0x80) <= 2);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    SetLight(1, 0, 0, 0, 0, 0, 0, 0, 0);
    // A ray that misses: a red line along it; a ray hitting in front: green; a box that hits and a sphere
    // that misses are drawn too.
    Square(1, 1, 0, 0xFFFFFF);
    Clear();
    EXPECT_EQ(RayCollision(1, 0, -4, 2, 0, 1, 0, 0), 0);
    p = RgbAt(-2, 2, 0);
    EXPECT_TRUE(p.r > 100 && p.g < 30);
    Clear();
    EXPECT_NEAR(RayCollision(1, 0, 0.5, 0, 5, 0, 0, -1), 5, 1e-4);
    EXPECT_GT(RgbAt(0.5, 0, 2).g, 100);
    EXPECT_EQ(ObjectBoxCollision(1, 0, 0, 0, 0, 1, 1, 1), 1);
    EXPECT_EQ(SphereCollision(1, 0, 0.5, 0, 0, 3), 0);
}

TEST_F(Effects3D, WorldToScreenAndBack) {
    // The target lies at the centre; depth = (ndc z + 1) / 2 for a point 10 in front of a 1..100 frustum;
    // back to the world within one pixel.
    double sx = -1, sy = -1, depth = -1, x = 9, y = 9, z = 9;
    WorldToScreen(0, 0, 0, sx, sy, depth);
    const double ndc = (100.0 + 1) / (100 - 1) - 2 * 100.0 * 1 / ((100 - 1) * 10);
    EXPECT_TRUE(std::fabs(sx - kWidth / 2.0) < 1e-3 && std::fabs(sy - kHeight / 2.0) < 1e-3)
        << sx << "," << sy;
    EXPECT_NEAR(depth, (ndc + 1) / 2, 1e-5);
    ScreenToWorld(sx, sy, depth, x, y, z);
    EXPECT_TRUE(std::fabs(x) < 1e-3 && std::fabs(z) < 1e-3) << x << "," << z;
    EXPECT_LE(std::fabs(y), 2 * HalfHeightAt(kEyeZ) / kHeight * 1.001);
}

// Without shader objects and multitexturing (TARVOK_GL_DISABLE, read once per process, so the test runs
// itself again with it set) shaders report their absence once and cel shading has no unit for its shade
// texture: objects draw plainly.
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
