// Drawing commands on a real window: the pixels expected from positions, sizes, angles and alpha.
#include <cmath>

#include "gfx2d/sprite_binding.h"
#include "tests/gfx2d/fixtures.h"
#include "tests/gfx2d/gl_fixture.h"

namespace {

// Distinct opaque colours per pixel (no channel 0, never the key colour).
std::uint32_t Texel(int x, int y) {
    return static_cast<std::uint32_t>(20 + x * 7) | static_cast<std::uint32_t>(30 + y * 9) << 8 | 99u << 16;
}

}  // namespace

using GfxDraw = GlTest;

TEST_F(GfxDraw, DrawSpriteRoundsUpAndKeepsKeyedPixelsOut) {
    const std::string path =
        fixtures::BmpFile("holed.bmp", 6, 4, [](int x, int y) { return x == 1 && y == 2 ? 0x8000FF : Texel(x, y); });
    ASSERT_EQ(LoadSprite(path.c_str(), 1), 1);
    Clear(0x000001);
    DrawSprite(1, 10.2, 5.0);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 6; ++x) {
            const std::uint32_t expected = x == 1 && y == 2 ? 0x000001 : Texel(x, y);
            EXPECT_EQ(Pixel(11 + x, 5 + y), expected) << x << "," << y;
        }
    }
    ExpectPixels({{10, 5, 0x000001u}, {17, 5, 0x000001u}, {11, 9, 0x000001u}});
    // Empty and out-of-range slots draw nothing.
    Clear(0x000001);
    DrawSprite(2, 0, 0);
    DrawSprite(-1, 0, 0);
    DrawSprite(70000, 0, 0);
    EXPECT_EQ(Pixel(0, 0), 0x000001u);
}

// Sprite draws are queued: other drawing, a change of texture, a long run and a grab in between must
// leave every picture where its command put it, in command order.
TEST_F(GfxDraw, QueuedSpritesKeepTheirPlaceAmongOtherDrawing) {
    ASSERT_EQ(LoadSprite(fixtures::BmpFile("a.bmp", 4, 4, Texel).c_str(), 1), 1);
    ASSERT_EQ(LoadSprite(fixtures::BmpFile("b.bmp", 4, 4, [](int, int) { return 0x0000C0; }).c_str(), 2), 1);
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
}

TEST_F(GfxDraw, AlphaModes) {
    const std::string path = fixtures::BmpFile("white.bmp", 4, 4, [](int, int) { return 0xC8C8C8; });
    ASSERT_EQ(LoadSprite(path.c_str(), 1), 1);
    Clear(0x404040);
    SetAlphaMode(-0.5);  // half-transparent: 0.5 x 200 + 0.5 x 64
    DrawSprite(1, 0, 0);
    EXPECT_NEAR(Red(Pixel(1, 1)), 132, 1);
    SetAlphaMode(2);  // additive at full strength: 200 + 64 saturates
    DrawSprite(1, 10, 0);
    EXPECT_EQ(Red(Pixel(11, 1)), 255);
    SetAlphaMode(0.25);  // additive at a quarter: 64 + 50
    DrawSprite(1, 20, 0);
    EXPECT_NEAR(Red(Pixel(21, 1)), 114, 1);
    SetAlphaMode(0);
    DrawSprite(1, 30, 0);
    EXPECT_EQ(Red(Pixel(31, 1)), 200);
}

TEST_F(GfxDraw, StretchZoomAndMirror) {
    ASSERT_EQ(LoadSprite(fixtures::BmpFile("s.bmp", 8, 8, Texel).c_str(), 1), 1);
    Clear(0);
    StretchSprite(1, 100, 100, -64, 64);  // mirrored left to right, pixels 8 wide
    StretchSprite(1, 300, 300, -64, -64);  // turned by 180 degrees
    // Mirrored: the quad spans 36..100, texel column tx lands at 100 - 8 (tx + 1).
    ExpectPixels({{96, 104, Texel(0, 0)}, {40, 104, Texel(7, 0)}, {96, 160, Texel(0, 7)},
                  {296, 296, Texel(0, 0)}, {240, 240, Texel(7, 7)}});
    // Zoom 2, 2 of a 32 x 32 sprite at (100, 100) covers 84..147.
    const std::string big = fixtures::BmpFile("big.bmp", 32, 32, [](int, int) { return 0x00FF00; });
    ASSERT_EQ(LoadSprite(big.c_str(), 2), 1);
    Clear(0);
    ZoomSprite(2, 100, 100, 2, 2);
    ExpectPixels({{84, 84, 0x00FF00u}, {147, 147, 0x00FF00u}, {83, 100, 0u}, {148, 100, 0u}, {100, 148, 0u}});
}

TEST_F(GfxDraw, RotatedSpritesTurnCounterClockwise) {
    // Four quadrants of a 16 x 16 sprite.
    const std::string path = fixtures::TempPath("quad.bmp");
    const std::uint32_t colours[4] = {0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFF};  // TL, TR, BL, BR
    fixtures::WriteBmp24(path, 16, 16, [&](int x, int y) { return colours[(y >= 8) * 2 + (x >= 8)]; });
    ASSERT_EQ(LoadSprite(path.c_str(), 1), 1);
    Clear(0);
    RotoSprite(1, 100, 100, 90);
    // Centre (108, 108). Turning counter-clockwise on the screen takes the right half to the top:
    // the top-left of the result shows the old top-right quadrant.
    ExpectPixels({{103, 103, colours[1]}, {112, 103, colours[3]}, {103, 112, colours[0]},
                  {112, 112, colours[2]}});
    Clear(0);
    RotoZoomSprite(1, 100, 100, 0, 2);  // zoom about the centre: 92..124
    ExpectPixels({{93, 93, colours[0]}, {123, 123, colours[3]}, {91, 108, 0u}, {125, 108, 0u}});
    Clear(0);
    RotoZoomSprite(1, 100, 100, 0, -1);  // a negative zoom turns it by 180 degrees
    EXPECT_EQ(Pixel(103, 103), colours[3]);
}

TEST_F(GfxDraw, AnimationFrames) {
    // 100 x 64 strip of 32 x 32 frames, each frame one colour: 3 frames a row.
    const std::string path = fixtures::TempPath("strip.bmp");
    fixtures::WriteBmp24(path, 100, 64, [](int x, int y) {
        const int frame = (y / 32) * 3 + std::min(x / 32, 3);
        return 0x101010 * (frame + 1);
    });
    LoadAnim(path.c_str(), 1, 32, 32);
    Clear(0);
    DrawAnim(1, 3, 10, 10);  // first frame of the second row
    ExpectPixels({{11, 11, 0x404040u}, {41, 41, 0x404040u}, {42, 42, 0u}});
    DrawAnim(1, 2, 100, 10);
    EXPECT_EQ(Pixel(120, 20), 0x303030u);
    StretchAnim(1, 1, 200, 10, 64, 16);
    ExpectPixels({{200, 10, 0x202020u}, {263, 25, 0x202020u}, {264, 25, 0u}});
    RotoZoomAnim(1, 4, 300, 10, 0, 1);
    ExpectPixels({{300, 10, 0x505050u}, {331, 41, 0x505050u}});
}

TEST_F(GfxDraw, PointsLinesRectanglesAndPolygons) {
    Clear(0);
    SetPixel(3, 4, 0x0000FF);
    ExpectPixels({{3, 4, 0x0000FFu}, {4, 4, 0u}});
    DrawLine(10, 20, 15, 20, 0x00FF00);
    for (int x = 10; x <= 15; ++x) EXPECT_EQ(Pixel(x, 20), 0x00FF00u) << x;
    EXPECT_EQ(Pixel(16, 20), 0u);
    DrawRect(10, 30, -5, 3, 0xFF0000);  // columns 6 to 10
    EXPECT_EQ(Pixel(5, 31), 0u);
    for (int x = 6; x <= 10; ++x) EXPECT_EQ(Pixel(x, 31), 0xFF0000u) << x;
    ExpectPixels({{11, 31, 0u}, {8, 33, 0u}});
    // With blending off the key colour itself is written.
    DrawRect(50, 50, 2, 2, 0x8000FF);
    EXPECT_EQ(Pixel(50, 50), 0x8000FFu);
    // With blending on it is invisible.
    SetAlphaMode(-1);
    DrawRect(60, 50, 2, 2, 0x8000FF);
    EXPECT_EQ(Pixel(60, 50), 0u);
    SetAlphaMode(0);

    // An untextured polygon as a triangle fan.
    // A square fan from (x, y) with side 40, texture coordinates 0..4.
    const auto fan = [](double sprite, int x, int y, std::uint32_t colour) {
        StartPoly(sprite);
        for (const auto& [dx, dy] : {std::pair{0, 0}, {0, 1}, {1, 1}, {1, 0}}) {
            PolyVector(x + 40 * dx, y + 40 * dy, 4 * dx, 4 * dy, colour);
        }
        EndPoly();
    };
    fan(-1, 100, 100, 0x00FFFF);
    ExpectPixels({{110, 110, 0x00FFFFu}, {138, 138, 0x00FFFFu}, {141, 120, 0u}});

    // A textured polygon: texture coordinates in picture pixels, t from the top.
    const std::string path =
        fixtures::BmpFile("poly.bmp", 4, 4, [](int x, int y) { return x < 2 && y < 2 ? 0x0000C0 : 0x00C000; });
    ASSERT_EQ(LoadSprite(path.c_str(), 1), 1);
    fan(1, 200, 200, 0xFFFFFF);
    ExpectPixels({{205, 205, 0x0000C0u}, {235, 235, 0x00C000u}});
}

TEST_F(GfxDraw, GetPixelReadsThePictureShownLast) {
    Clear(0);
    SetPixel(5, 6, 0x00FF00);
    KeepShownPicture();
    EXPECT_EQ(GetPixel(5, 6), 0x00FF00);
    SetPixel(5, 6, 0x0000FF);  // drawn but not shown yet
    EXPECT_EQ(GetPixel(5, 6), 0x00FF00);
    EXPECT_EQ(GetPixel(-1, 6), 0);
    EXPECT_EQ(GetPixel(640, 6), 0);
    double w = 0, h = 0;
    GetScreenSize(w, h);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
}

TEST_F(GfxDraw, SecondTextureUnitIsOffForSprites) {
    ASSERT_EQ(LoadSprite(fixtures::BmpFile("w.bmp", 4, 4, [](int, int) { return 0xF0F0F0; }).c_str(), 1), 1);
    ASSERT_EQ(LoadSprite(fixtures::BmpFile("g.bmp", 4, 4, [](int, int) { return 0x808080; }).c_str(), 2), 1);
    Clear(0);
    // Two textures at once modulate each other; the next sprite is drawn with unit 0 alone.
    tarvok::BindSprite(1, 2);
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0), glVertex2f(0, 8);
    glTexCoord2f(1, 0), glVertex2f(8, 8);
    glTexCoord2f(1, 1), glVertex2f(8, 0);
    glTexCoord2f(0, 1), glVertex2f(0, 0);
    glEnd();
    EXPECT_NEAR(Red(Pixel(2, 2)), 0xF0 * 0x80 / 255, 2);
    DrawSprite(1, 20, 0);
    DrawSprite(1, 30, 0);
    ExpectPixels({{21, 1, 0xF0F0F0u}, {31, 1, 0xF0F0F0u}});
}
