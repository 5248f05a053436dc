// A 640 x 480 display with the texture store attached, for the tests that draw, and back-buffer reads.
#pragma once

#include <GL/gl.h>

#include <array>
#include <fstream>
#include <initializer_list>
#include <iterator>

#include <gtest/gtest.h>

#include "frame/display.h"
#include "frame/gl_extensions.h"
#include "gfx2d/gfx2d.h"
#include "gfx2d/sprite_binding.h"
#include "gfx2d/texture_store.h"
#include "runtime/engine_globals.h"
#include "runtime/program_end.h"
#include "tests/gfx2d/fixtures.h"

class GlTest : public testing::Test {
public:
    static constexpr int kHeight = 480;

    void SetUp() override {
        display_ = new OpenGLZazuzive;
        ASSERT_TRUE(CreateDisplay(*display_, 640, kHeight, 0, 60, 0));
        g_engine.display = display_;
        AttachTextureStore();
        Reset2DState(*display_, 0, 0, 0, 0);
        SetSmoothing(0);
        Clear(0);
    }

    void TearDown() override {
        g_gl = savedGl_;  // some tests take extensions away
        g_gfx2dHooks = {};
        ReleaseTextureStore();
        delete display_;
        g_engine.display = nullptr;
    }

    // Fills the back buffer with one colour (red + green x 256 + blue x 65536).
    static void Clear(std::uint32_t c) {
        glClearColor((c & 0xFF) / 255.0f, ((c >> 8) & 0xFF) / 255.0f, ((c >> 16) & 0xFF) / 255.0f, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        glClearColor(0, 0, 0, 1);
    }

    // The back buffer's pixel at (x, y), y from the top, packed as above (queued sprites drawn first).
    static std::uint32_t Pixel(int x, int y) {
        tarvok::FlushSprites();
        std::uint8_t p[4] = {};
        glReadPixels(x, kHeight - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
        return p[0] | p[1] << 8 | p[2] << 16;
    }

    struct PixelAt {
        int x, y;
        std::uint32_t colour;
    };
    static void ExpectPixels(std::initializer_list<PixelAt> expected) {
        for (const PixelAt& p : expected) EXPECT_EQ(Pixel(p.x, p.y), p.colour) << "at " << p.x << "," << p.y;
    }

protected:
    OpenGLZazuzive* display_ = nullptr;
    GlExtensions savedGl_ = g_gl;
};

inline int Red(std::uint32_t c) { return static_cast<int>(c & 0xFF); }
inline int Green(std::uint32_t c) { return static_cast<int>((c >> 8) & 0xFF); }
inline int Blue(std::uint32_t c) { return static_cast<int>((c >> 16) & 0xFF); }

inline const tarvok::SpriteSlot& Slot(int n) { return tarvok::Store().slots[static_cast<std::size_t>(n)]; }

// A slot's picture size as GetSpriteSize gives it, and its texture size.
inline std::array<int, 4> Sizes(double slot) {
    double w = -1, h = -1;
    GetSpriteSize(slot, w, h);
    const auto& s = Slot(slot >= 0 && slot < 65536 ? static_cast<int>(slot) : 0);
    return {static_cast<int>(w), static_cast<int>(h), s.textureWidth, s.textureHeight};
}

// Loads a w x h picture of one colour into a slot; LoadSprite's result.
inline double LoadPlain(int slot, int w, int h, std::uint32_t colour) {
    const std::string name = "plain" + std::to_string(slot) + "-" + std::to_string(w) + ".bmp";
    return LoadSprite(fixtures::BmpFile(name, w, h, [&](int, int) { return colour; }).c_str(), slot);
}

inline std::string ErrorLogText() {
    std::ifstream in(ErrorLogPath().CText(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}
