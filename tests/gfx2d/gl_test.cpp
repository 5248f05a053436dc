// The 2D commands on a real window: loading into slots, drawing, fonts, background layers and collision.
#include <cmath>

#include "gfx2d/sprite_binding.h"
#include "gfx2d/texture_store.h"
#include "tests/gfx2d/gl_fixture.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Distinct opaque colours per pixel (no channel 0, never the key colour).
std::uint32_t Texel(int x, int y) { return (20 + x * 7) | (30 + y * 9) << 8 | 99 << 16; }

// The RGBA bytes of pixel (x, row) of a slot's texture, level 0, rows from the bottom.
Bytes TexPixel(int slot, int x, int row) {
    const auto& s = Slot(slot);
    Bytes px(static_cast<std::size_t>(s.textureWidth) * s.textureHeight * 4);
    glBindTexture(GL_TEXTURE_2D, s.drawTexture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
    const auto at = px.begin() + (row * s.textureWidth + x) * 4;
    return Bytes(at, at + 4);
}

GLint MinFilter(std::uint32_t texture) {
    GLint value = 0;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &value);
    return value;
}

// The built-in glyph at (left, top): pixels lit by the word white, their neighbours dark grey.
void ExpectGlyph(std::uint32_t word, int left, int top, std::uint32_t background) {
    const auto lit = [&](int x, int y) {
        return x >= 1 && x <= 5 && y >= 1 && y <= 6 && ((word >> (y * 5 + x - 6)) & 1);
    };
    for (int i = 0; i < 64; ++i) {
        const int x = i % 8, y = i / 8;
        const bool outline = lit(x - 1, y) || lit(x + 1, y) || lit(x, y - 1) || lit(x, y + 1);
        const std::uint32_t expected = lit(x, y) ? 0xFFFFFF : outline ? 0x080808 : background;
        EXPECT_EQ(GlTest::Pixel(left + x, top + y), expected) << x << "," << y;
    }
}

constexpr std::uint32_t kGlyphA = 0x00A5394E;

void ExpectFontSize(double width, double height) {
    double w = -1, h = -1;
    GetFontSize(w, h);
    EXPECT_EQ(std::pair(w, h), std::pair(width, height));
}

}  // namespace

using GfxTextures = GlTest;
using GfxDraw = GlTest;
using GfxText = GlTest;
using GfxLayers = GlTest;
using GfxCollision = GlTest;

TEST_F(GfxTextures, ColourKeyEdgeBleedingAndMipChain) {
    // 5 x 5 picture, the centre pixel in the key colour.
    const auto keyed = [](int x, int y) { return x == 2 && y == 2 ? 0x8000FFu : Texel(x, y); };
    const std::string path = fixtures::BmpFile("keyed.bmp", 5, 5, keyed);
    ASSERT_EQ(LoadSprite(path.c_str(), 7), 1);
    const auto& s = Slot(7);
    EXPECT_EQ(Sizes(7), (std::array{5, 5, 8, 8}));
    // The upload bleeds: the keyed pixel is transparent in the mean colour of its 8 opaque neighbours.
    EXPECT_EQ(TexPixel(7, 2, 2), (Bytes{34, 48, 99, 0}));
    // The normal slot has a mip-mapped copy down to 1 x 1 with linear filtering.
    ASSERT_NE(s.mipTexture, 0u);
    EXPECT_EQ(MinFilter(s.mipTexture), GL_LINEAR_MIPMAP_LINEAR);
    GLint side = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 3, GL_TEXTURE_WIDTH, &side);
    EXPECT_EQ(side, 1);

    // A font slot: nearest filtering, no mip copy, no bleeding.
    ASSERT_EQ(LoadSprite(path.c_str(), 65504), 1);
    EXPECT_EQ(Slot(65504).mipTexture, 0u);
    EXPECT_EQ(MinFilter(Slot(65504).drawTexture), GL_NEAREST);
    EXPECT_EQ(TexPixel(65504, 2, 2), (Bytes{0, 0, 0, 0}));
}

TEST_F(GfxTextures, SizesFailuresKeysAndBumpMaps) {
    const std::string odd = fixtures::BmpFile("odd.bmp", 33, 16, [](int, int) { return 0x123456; });
    ASSERT_EQ(LoadSprite(odd.c_str(), 2), 1);
    EXPECT_EQ(Sizes(2), (std::array{33, 16, 64, 16}));

    // A failed load leaves the slot empty, never half-filled.
    EXPECT_EQ(LoadSprite(fixtures::TempPath("missing.bmp").c_str(), 2), 0);
    EXPECT_EQ(Slot(2).drawTexture, 0u);
    EXPECT_EQ(Sizes(2), (std::array{0, 0, -1, -1}));
    fixtures::WriteFile(fixtures::TempPath("junk.bmp"), {'B', 'M', 1, 2, 3});
    EXPECT_EQ(LoadSprite(fixtures::TempPath("junk.bmp").c_str(), 1), 0);
    EXPECT_EQ(Slot(1).width, 0);
    EXPECT_EQ(LoadSprite(odd.c_str(), -1), 0);
    EXPECT_EQ(LoadSprite(odd.c_str(), 65536), 0);
    EXPECT_EQ(LoadSprite(odd.c_str(), std::nan("")), 1);  // NaN counts as 0
    for (const double bad : {-1.0, 1e12}) EXPECT_EQ(Sizes(bad)[0], 0) << bad;

    // The extension plays no part: a PNG named .bmp loads through the PNG reader (its key pixel keyed).
    const std::string png = fixtures::TempPath("really-png.bmp");
    fixtures::WriteFile(png, fixtures::PngBytes(3, 1, 8, 2, {0, 255, 0, 128, 1, 2, 3, 4, 5, 6}));
    ASSERT_EQ(LoadSprite(png.c_str(), 3), 1);
    EXPECT_EQ(TexPixel(3, 0, 0)[3], 0);
    EXPECT_EQ(TexPixel(3, 1, 0), (Bytes{1, 2, 3, 255}));

    // SetTransparency(0): black becomes transparent instead of the default key.
    const std::string black = fixtures::BmpFile("black.bmp", 2, 2, [](int x, int) { return x * 0x8000FF; });
    for (const std::uint32_t key : {0x000000, 0x8000FF}) {
        SetTransparency(key);
        ASSERT_EQ(LoadSprite(black.c_str(), 4), 1);
        EXPECT_EQ(TexPixel(4, 0, 0)[3], key == 0 ? 0 : 255) << key;
        EXPECT_EQ(TexPixel(4, 1, 0)[3], key == 0 ? 255 : 0) << key;
    }

    // Animation frame sizes are kept only for a loaded picture.
    LoadAnim(odd.c_str(), 5, 11, 8);
    EXPECT_EQ((std::pair<int, int>(Slot(5).frameWidth, Slot(5).frameHeight)), std::pair(11, 8));
    LoadAnim(fixtures::TempPath("missing.bmp").c_str(), 6, 11, 8);
    EXPECT_EQ(Slot(6).frameWidth, 0);

    // A flat bump picture has no gradient: every normal points straight out of the surface.
    const std::string flat = fixtures::BmpFile("flat.bmp", 4, 4, [](int, int) { return 0x400000; });
    ASSERT_EQ(LoadBumpTexture(flat.c_str(), 9), 1);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(TexPixel(9, i % 4, i / 4), (Bytes{127, 127, 255, 255})) << i;
}

TEST_F(GfxDraw, SpritesRoundUpKeepKeyedPixelsOutStayInCommandOrderAndBlend) {
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

    // Queued sprites keep their order among other drawing, texture changes, a long run and a grab.
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

    ASSERT_EQ(LoadPlain(1, 4, 4, 0xC8C8C8), 1);
    Clear(0x404040);
    // {mode, x, red, tolerance}: 0.5 x 200 + 0.5 x 64, 200 + 64 saturating, 64 + 0.25 x 200, opaque.
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
}

TEST_F(GfxText, BuiltinAndLoadedFontsPrintAtRoundedPositions) {
    LoadFont(fixtures::TempPath("missing-font.bmp").c_str(), 3);
    ExpectFontSize(8, 8);
    Clear(0x000040);
    PrintText("AB", 10.5, 20);
    ExpectGlyph(kGlyphA, 11, 20, 0x000040);
    ExpectGlyph(0x00E5194E, 19, 20, 0x000040);  // "B"
    PrintText(RtString("\xC1"), 50, 50);        // byte 193 shows "A" in a 128-character font
    ExpectGlyph(kGlyphA, 50, 50, 0x000040);
    PrintNumber(0.5, 100, 100);  // "0.5"
    ExpectGlyph(0x00E5294E, 100, 100, 0x000040);
    ExpectGlyph(0x08000000, 108, 100, 0x000040);  // "." lies on the glyph's last row

    // Font numbers are clamped and become current, also for the fallback.
    LoadFont("", 40);
    EXPECT_EQ(tarvok::Store().currentFont, 31);
    EXPECT_EQ(tarvok::Store().slots[65535].width, 128);
    SetFont(-3);
    EXPECT_EQ(tarvok::Store().currentFont, 0);
    ExpectFontSize(0, 0);  // font 0 was never loaded
    Clear(0);
    PrintText("A", 0, 0);  // an empty font slot draws nothing visible
    EXPECT_EQ(Pixel(2, 2), 0u);

    // The loading text: no "smalfont.bmp" here, so the built-in font, 10 characters centred at (280, 236).
    PrintLoadingText();
    ExpectGlyph(0x00E10842, 280, 236, 0);  // "L"
    EXPECT_EQ(Pixel(279, 240), 0u);

    // A loaded 256 x 128 font: 16 x 8 cells of 16 x 16, "A" (65) in column 1, row 4; black is transparent.
    const auto cellA = [](int x, int y) { return (y / 16) * 16 + x / 16 == 65 && x % 16 < 8 ? 0x00C0C0 : 0; };
    LoadFont(fixtures::BmpFile("font.bmp", 256, 128, cellA).c_str(), 2);
    ExpectFontSize(16, 16);
    Clear(0x400000);
    PrintText("AA", 0, 0);  // the second "A" starts 16 pixels on
    ExpectPixels({{3, 3, 0x00C0C0u}, {12, 3, 0x400000u}, {19, 15, 0x00C0C0u}, {19, 16, 0x400000u}});
}

TEST_F(GfxLayers, BackgroundDrawnUnderEverything) {
    const auto colour = [](int x, int y) { return unsigned((x / 100 * 20 + 5) | (y / 100 * 30 + 5) << 8); };
    const std::string path = fixtures::BmpFile("back.bmp", 1000, 700, colour);
    const auto load = [](const std::string& file, const char* log) {
        std::remove(ErrorLogPath().CText());
        LoadBackground(file.c_str());
        EXPECT_EQ(ErrorLogText(), std::string("Loadbmp\r\nZidovuzuza\r\n") + log + "\r\n") << file;
    };
    load(path, "OK?");
    const auto& layer = tarvok::Store().layers[0];
    EXPECT_EQ((std::array{layer.columns, layer.rows, layer.tileTextureWidth[1][1]}), (std::array{2, 2, 512}));
    // Drawn at once, and again at each frame start, before the sprites.
    ExpectPixels({{0, 0, colour(0, 0)}, {639, 479, colour(639, 479)}, {520, 300, colour(520, 300)}});
    Clear(0);
    ASSERT_TRUE(DrawBackground());
    ASSERT_EQ(LoadPlain(1, 2, 2, 0xFFFFFF), 1);
    DrawSprite(1, 600, 400);
    ExpectPixels({{600, 400, 0xFFFFFFu}, {602, 400, colour(602, 400)}});

    // Over 8 x 8 tiles, a missing file and BlackScreen leave no background and a black screen.
    load(fixtures::BmpFile("wide.bmp", 4097, 1, [](int, int) { return 0xFFFFFF; }), "OK?");
    EXPECT_EQ(layer.columns, 0);
    EXPECT_FALSE(DrawBackground());
    EXPECT_EQ(Pixel(0, 0), 0u);
    load(fixtures::TempPath("none.bmp"), "failed");
    load(path, "OK?");
    BlackScreen();
    EXPECT_EQ(layer.columns, 0);
    EXPECT_EQ(Pixel(0, 0), 0u);
}

TEST_F(GfxCollision, MasksFromTheTextures) {
    // The overlap rules are tested on masks in memory; here the masks come from the uploaded textures.
    const auto leftHalf = [](int x, int) { return x < 16 ? 0xFFFFFF : 0x8000FF; };
    ASSERT_EQ(LoadSprite(fixtures::BmpFile("half.bmp", 32, 32, leftHalf).c_str(), 2), 1);
    EXPECT_EQ(SpriteCollision(2, 0, 0, 2, 16, 0), 0);      // only keyed pixels overlap
    EXPECT_EQ(SpriteCollision(2, 0.5, 0, 2, 15.9, 0), 1);  // positions truncate
    // Reloading a slot discards its mask; frames: a strip whose frame 0 is keyed and frame 1 solid.
    const auto rightHalf = [](int x, int) { return x < 32 ? 0x8000FF : 0xFFFFFF; };
    const std::string strip = fixtures::BmpFile("strip2.bmp", 64, 32, rightHalf);
    ASSERT_EQ(LoadSprite(strip.c_str(), 2), 1);
    EXPECT_EQ(SpriteCollision(2, 0, 0, 2, 16, 0), 1);
    LoadAnim(strip.c_str(), 4, 32, 32);
    EXPECT_EQ(AnimCollision(4, 0, 0, 0, 4, 1, 10, 10), 0);
    EXPECT_EQ(AnimCollision(4, 1, 0, 0, 4, 1, 10, 10), 1);
}
