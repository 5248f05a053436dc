// Fonts, background layers and collision on a real window.
#include "tests/gfx2d/fixtures.h"
#include "tests/gfx2d/gl_fixture.h"

namespace {

// Whether pixel (x, y) of the 5 x 6 glyph word is lit (bit (y - 1) x 5 + (x - 1), x 1..5, y 1..6).
bool GlyphLit(std::uint32_t word, int x, int y) {
    return x >= 1 && x <= 5 && y >= 1 && y <= 6 && ((word >> ((y - 1) * 5 + (x - 1))) & 1);
}

// Expects the built-in glyph of the word at screen (left, top): lit pixels white, outline pixels dark grey,
// the rest showing the background.
void ExpectGlyph(std::uint32_t word, int left, int top, std::uint32_t background) {
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) {
            std::uint32_t expected = background;
            if (GlyphLit(word, x, y)) {
                expected = 0xFFFFFF;
            } else if (GlyphLit(word, x - 1, y) || GlyphLit(word, x + 1, y) || GlyphLit(word, x, y - 1) ||
                       GlyphLit(word, x, y + 1)) {
                expected = 0x080808;
            }
            EXPECT_EQ(GlTest::Pixel(left + x, top + y), expected) << x << "," << y;
        }
    }
}

constexpr std::uint32_t kGlyphA = 0x00A5394E;

void ExpectFontSize(double width, double height) {
    double w = -1, h = -1;
    GetFontSize(w, h);
    EXPECT_EQ(std::pair(w, h), std::pair(width, height));
}

}  // namespace

using GfxText = GlTest;
using GfxLayers = GlTest;
using GfxCollision = GlTest;

TEST_F(GfxText, BuiltinFontPrintsGlyphsAtRoundedPositions) {
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
}

TEST_F(GfxText, LoadedFontPictures) {
    // 256 x 128: 16 x 8 cells of 16 x 16; cell of "A" (65) is column 1, row 4. Black is transparent.
    const auto cellA = [](int x, int y) { return (y / 16) * 16 + x / 16 == 65 && x % 16 < 8 ? 0x00C0C0 : 0; };
    LoadFont(fixtures::BmpFile("font.bmp", 256, 128, cellA).c_str(), 2);
    ExpectFontSize(16, 16);
    Clear(0x400000);
    PrintText("AA", 0, 0);  // the second "A" starts 16 pixels on
    ExpectPixels({{3, 3, 0x00C0C0u}, {12, 3, 0x400000u}, {19, 15, 0x00C0C0u}, {19, 16, 0x400000u}});

    // A picture too small for its grid prints nothing (the grid rules are tested in memory).
    LoadFont(fixtures::BmpFile("tiny.bmp", 10, 5, [](int, int) { return 0xFFFFFF; }).c_str(), 5);
    ExpectFontSize(0, 0);
    Clear(0);
    PrintText("ABC", 0, 0);
    EXPECT_EQ(Pixel(0, 0), 0u);
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

    // A background over 8 x 8 tiles fails its load and leaves the screen black; so does a missing file
    // and BlackScreen.
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
