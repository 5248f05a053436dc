// A 160 x 120 window with a fresh scene in 3D mode (near 1, far 100, field of view 60 degrees) and the camera
// on the z axis at 10 looking at the origin; reading its pixels and projecting points onto them.
#pragma once

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <initializer_list>

#include "frame/display.h"
#include "frame/gl_extensions.h"
#include "gfx3d/gfx3d.h"
#include "gfx3d/scene.h"

namespace gfx3d_test {

constexpr int kWidth = 160, kHeight = 120;
constexpr double kPi = 3.14159265358979323846, kEyeZ = 10, kFov = 60;

// The back buffer's pixel at (x, y), y from the top, as red + green x 256 + blue x 65536.
inline std::uint32_t Pixel(int x, int y) {
    std::uint8_t p[4] = {};
    glReadPixels(x, kHeight - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return p[0] | p[1] << 8 | p[2] << 16;
}

// Half the view's height at a distance in front of the eye.
inline double HalfHeightAt(double depth) { return std::tan(kFov / 2 * kPi / 180) * depth; }

// Where a world point lands (column, row from the top) for the camera on the z axis at eyeZ looking at the
// origin.
struct Spot {
    int x, y;
};
inline Spot Project(double x, double y, double z, double eyeZ = kEyeZ) {
    const double half = HalfHeightAt(eyeZ - z), halfWidth = half * kWidth / kHeight;
    return {static_cast<int>(std::floor((x / halfWidth + 1) / 2 * kWidth)),
            static_cast<int>(std::floor((1 - y / half) / 2 * kHeight))};
}
inline std::uint32_t PixelAt(double x, double y, double z, double eyeZ = kEyeZ) {
    const Spot s = Project(x, y, z, eyeZ);
    return Pixel(s.x, s.y);
}

// Expects each listed world point {x, y, z, colour} to show that colour.
struct PointColour {
    double x, y, z;
    std::uint32_t colour;
};
inline void ExpectColoursAt(std::initializer_list<PointColour> expected, double eyeZ = kEyeZ) {
    for (const PointColour& p : expected)
        EXPECT_EQ(PixelAt(p.x, p.y, p.z, eyeZ), p.colour) << "at " << p.x << "," << p.y << "," << p.z;
}

// Two 2 x 2 textures of one colour each, nearest-filtered, bound as sprites 0 and 1 by BindSolidTextures (the
// engine's sprite service: unit 0 the first, unit 1 the second, a unit off for -1 or when the first is -1).
inline GLuint g_solidTextures[2];
inline void BindSolidTextures(int first, int second, bool) {
    for (int unit = 0; unit < 2; ++unit) {
        const int sprite = unit == 0 ? first : first >= 0 ? second : -1;
        if (g_gl.glActiveTextureARB) g_gl.glActiveTextureARB(GL_TEXTURE0_ARB + unit);
        glBindTexture(GL_TEXTURE_2D, sprite >= 0 ? g_solidTextures[sprite] : 0);
        if (sprite >= 0)
            glEnable(GL_TEXTURE_2D);
        else
            glDisable(GL_TEXTURE_2D);
    }
    if (g_gl.glActiveTextureARB) g_gl.glActiveTextureARB(GL_TEXTURE0_ARB);
}
inline void MakeSolidTextures(std::initializer_list<std::uint32_t> colours) {
    int k = 0;
    for (std::uint32_t c : colours) {
        glGenTextures(1, &g_solidTextures[k]);
        glBindTexture(GL_TEXTURE_2D, g_solidTextures[k++]);
        const std::uint8_t r = c & 0xFF, g = (c >> 8) & 0xFF, b = c >> 16;
        const std::uint8_t texels[16] = {r, g, b, 255, r, g, b, 255, r, g, b, 255, r, g, b, 255};
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    }
    glBindTexture(GL_TEXTURE_2D, 0);
    tarvok::g_gfx3dServices.bindSprites = BindSolidTextures;
}

inline void Clear() { glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT); }

class Window3D : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CreateDisplay(display_, kWidth, kHeight, 0, 60, 0));
        g_engine.display = &display_;
        tarvok::g_gfx3dServices = tarvok::Gfx3dServices{};
        CreateScene3D();
        glClear(GL_COLOR_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        Start3D(1, 100, kFov);
        SetCamera(0, 0, kEyeZ, 0, 0, 0);
    }
    void TearDown() override {
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        Leave3DMode();
        DestroyScene3D();
        tarvok::g_gfx3dServices = tarvok::Gfx3dServices{};
        DestroyDisplay(display_);
        g_engine.display = nullptr;
        g_engine.debugMode = 0;
    }
    OpenGLZazuzive display_;
};

}  // namespace gfx3d_test
