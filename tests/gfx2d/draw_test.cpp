// Drawing commands on a real window: the pixels expected from positions, sizes, angles and alpha.
#include <cmath>

#include "gfx2d/sprite_binding.h"
#include "tests/gfx2d/fixtures.h"
#include "tests/gfx2d/gl_fixture.h"

namespace {

// Distinct opaque colours per pixel (no channel 0, never the key colour).
std::uint32_t Texel(int x, int y) { return (20 + x * 7) | (30 + y * 9) << 8 | 99 << 16; }

}  // namespace

using GfxDraw = GlTest;

TEST_F(GfxDraw, SpritesRoundUpKeepKeyedPixelsOutAndStayInCommandOrder) {
    const auto holed = [](int x, int y) { return x == 1 && y == 2 ? 0x8000FFu : Texel(x, y); };
    ASSERT_EQ(LoadSprite(fixtures::BmpFile("holed.bmp", 6, 4, holed).c_str(), 1), 1);
    Clear(0x000001);
    DrawSprite(1, 10.2, 5.0);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 6; ++x) EXPECT_EQ(Pixel(11 + x, 5 + y), x == 1 && y == 2 ? 1 : Texel(x, y));
    }
    ExpectPixels({{10, 5, 0x000001u}, {17, 5, 0x000001u}, {11, 9, 0x000001u}});
    // Empty and out-of-range slots draw nothing.
    Clear(0x000001);
    for (const double slot : {2.0, -1.0, 70000.0}) DrawSprite(slot, 0, 0);
    EXPECT_EQ(Pixel(0, 0), 0x000001u);

    // Queued sprite draws among other drawing, a change of texture, a long run and a grab keep their
    // command order.
    ASSERT_EQ(LoadSprite(fixtures::BmpFile("a.bmp", 4, 4, Texel).c_str(), 1), 1);
    ASSERT_EQ(LoadPlain(2, 4, 4, 0x0000C0), 1);
    Clear(0);
    for (int i = 0; i < 9000; ++i) DrawSprite(1, i % 2 ? 0 : 40, 0);  // more quads than one draw takes
    DrawRect(1, 1, 2, 2, 0x00FF00);
    DrawSprite(2, 2, 2);
    DrawSprite(1, 3, 3);
    GrabSprite(3, 0, 0, 8, 8);
    EXPECT_EQ(Pixel(40, 0), Texel(0, 0));
    Clear(0);
    DrawSprite(3, 10, 10);
    ExpectPixels({{10, 10, Texel(0, 0)}, {11, 11, 0x00FF00u}, {11, 12, 0x00FF00u}, {12, 12, 0x0000C0u},
                  {15, 12, 0x0000C0u}, {13, 13, Texel(0, 0)}, {16, 16, Texel(3, 3)}, {10, 13, Texel(0, 3)},
                  {17, 17, 0u}});

    // Two textures at once modulate each other; the next sprite is drawn with unit 0 alone.
    ASSERT_EQ(LoadPlain(4, 4, 4, 0xF0F0F0), 1);
    ASSERT_EQ(LoadPlain(5, 4, 4, 0x808080), 1);
    Clear(0);
    tarvok::BindSprite(4, 5);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0), glVertex2f(0, 8);
    glTexCoord2f(1, 0), glVertex2f(8, 8);
    glTexCoord2f(1, 1), glVertex2f(8, 0);
    glTexCoord2f(0, 1), glVertex2f(0, 0);
    glEnd();
    EXPECT_NEAR(Red(Pixel(2, 2)), 0xF0 * 0x80 / 255, 2);
    DrawSprite(4, 20, 0);
    DrawSprite(4, 30, 0);
    ExpectPixels({{21, 1, 0xF0F0F0u}, {31, 1, 0xF0F0F0u}});
}

TEST_F(GfxDraw, AlphaModes) {
    ASSERT_EQ(LoadPlain(1, 4, 4, 0xC8C8C8), 1);
    Clear(0x404040);
    // {mode, x, red, tolerance}: half-transparent 0.5 x 200 + 0.5 x 64, additive 200 + 64 saturating,
    // additive at a quarter 64 + 50, opaque.
    const double modes[][4] = {{-0.5, 0, 132, 1}, {2, 10, 255, 0}, {0.25, 20, 114, 1}, {0, 30, 200, 0}};
    for (const auto& [mode, x, red, tolerance] : modes) {
        SetAlphaMode(mode);
        DrawSprite(1, x, 0);
        EXPECT_NEAR(Red(Pixel(int(x) + 1, 1)), red, tolerance) << mode;
    }
}

TEST_F(GfxDraw, StretchZoomRotateAndAnimate) {
    ASSERT_EQ(LoadSprite(fixtures::BmpFile("s.bmp", 8, 8, Texel).c_str(), 1), 1);
    StretchSprite(1, 100, 100, -64, 64);   // mirrored left to right, pixels 8 wide
    StretchSprite(1, 300, 300, -64, -64);  // turned by 180 degrees
    // Mirrored: the quad spans 36..100, texel column tx lands at 100 - 8 (tx + 1).
    ExpectPixels({{96, 104, Texel(0, 0)}, {40, 104, Texel(7, 0)}, {96, 160, Texel(0, 7)},
                  {296, 296, Texel(0, 0)}, {240, 240, Texel(7, 7)}});
    // Zoom 2, 2 of a 32 x 32 sprite at (100, 100) covers 84..147.
    ASSERT_EQ(LoadPlain(2, 32, 32, 0x00FF00), 1);
    Clear(0);
    ZoomSprite(2, 100, 100, 2, 2);
    ExpectPixels({{84, 84, 0x00FF00u}, {147, 147, 0x00FF00u}, {83, 100, 0u}, {148, 100, 0u}, {100, 148, 0u}});

    // Four quadrants of a 16 x 16 sprite: top-left, top-right, bottom-left, bottom-right.
    const std::uint32_t colours[4] = {0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF};
    const auto quadrants = [&](int x, int y) { return colours[(y >= 8) * 2 + (x >= 8)]; };
    ASSERT_EQ(LoadSprite(fixtures::BmpFile("quad.bmp", 16, 16, quadrants).c_str(), 3), 1);
    Clear(0);
    RotoSprite(3, 100, 100, 90);
    // Centre (108, 108). Turning counter-clockwise on the screen takes the right half to the top.
    ExpectPixels({{103, 103, colours[1]}, {112, 103, colours[3]}, {103, 112, colours[0]},
                  {112, 112, colours[2]}});
    Clear(0);
    RotoZoomSprite(3, 100, 100, 0, 2);  // zoom about the centre: 92..124
    ExpectPixels({{93, 93, colours[0]}, {123, 123, colours[3]}, {91, 108, 0u}, {125, 108, 0u}});
    Clear(0);
    RotoZoomSprite(3, 100, 100, 0, -1);  // a negative zoom turns it by 180 degrees
    EXPECT_EQ(Pixel(103, 103), colours[3]);

    // 100 x 64 strip of 32 x 32 frames, each frame one colour: 3 frames a row.
    const auto frames = [](int x, int y) { return 0x101010 * ((y / 32) * 3 + std::min(x / 32, 3) + 1); };
    LoadAnim(fixtures::BmpFile("strip.bmp", 100, 64, frames).c_str(), 4, 32, 32);
    Clear(0);
    DrawAnim(4, 3, 10, 10);  // first frame of the second row
    ExpectPixels({{11, 11, 0x404040u}, {41, 41, 0x404040u}, {42, 42, 0u}});
    DrawAnim(4, 2, 100, 10);
    StretchAnim(4, 1, 200, 10, 64, 16);
    RotoZoomAnim(4, 4, 300, 10, 0, 1);
    ExpectPixels({{120, 20, 0x303030u}, {200, 10, 0x202020u}, {263, 25, 0x202020u}, {264, 25, 0u},
                  {300, 10, 0x505050u}, {331, 41, 0x505050u}});
}

TEST_F(GfxDraw, PointsLinesRectanglesPolygonsAndGetPixel) {
    SetPixel(3, 4, 0x0000FF);
    DrawLine(10, 20, 15, 20, 0x00FF00);  // both end points included
    DrawRect(10, 30, -5, 3, 0xFF0000);   // columns 6 to 10
    DrawRect(50, 50, 2, 2, 0x8000FF);    // with blending off the key colour itself is written
    SetAlphaMode(-1);
    DrawRect(60, 50, 2, 2, 0x8000FF);  // with blending on it is invisible
    SetAlphaMode(0);
    for (int x = 0; x < 20; ++x) {
        EXPECT_EQ(Pixel(x, 20), x >= 10 && x <= 15 ? 0x00FF00u : 0u) << x;
        EXPECT_EQ(Pixel(x, 31), x >= 6 && x <= 10 ? 0xFF0000u : 0u) << x;
    }
    ExpectPixels({{3, 4, 0x0000FFu}, {4, 4, 0u}, {8, 33, 0u}, {50, 50, 0x8000FFu}, {60, 50, 0u}});

    // A square fan from (x, y) with side 40, texture coordinates 0..4 in picture pixels, t from the top.
    const auto fan = [](double sprite, int x, int y, std::uint32_t colour) {
        StartPoly(sprite);
        for (const auto& [dx, dy] : {std::pair{0, 0}, {0, 1}, {1, 1}, {1, 0}}) {
            PolyVector(x + 40 * dx, y + 40 * dy, 4 * dx, 4 * dy, colour);
        }
        EndPoly();
    };
    fan(-1, 100, 100, 0x00FFFF);
    const auto corner = [](int x, int y) { return x < 2 && y < 2 ? 0x0000C0 : 0x00C000; };
    ASSERT_EQ(LoadSprite(fixtures::BmpFile("poly.bmp", 4, 4, corner).c_str(), 1), 1);
    fan(1, 200, 200, 0xFFFFFF);
    ExpectPixels({{110, 110, 0x00FFFFu}, {138, 138, 0x00FFFFu}, {141, 120, 0u}, {205, 205, 0x0000C0u},
                  {235, 235, 0x00C000u}});

    // GetPixel reads the picture shown last, not what is drawn since.
    SetPixel(5, 6, 0x00FF00);
    KeepShownPicture();
    SetPixel(5, 6, 0x0000FF);
    EXPECT_EQ(GetPixel(5, 6), 0x00FF00);
    EXPECT_EQ(GetPixel(-1, 6), 0);
    EXPECT_EQ(GetPixel(640, 6), 0);
    double w = 0, h = 0;
    GetScreenSize(w, h);
    EXPECT_EQ(std::pair(w, h), std::pair(640.0, 480.0));
}
