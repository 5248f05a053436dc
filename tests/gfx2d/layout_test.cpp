// Font pictures and text layout, sprite quads, background tiling.
#include <cmath>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "gfx2d/font_layout.h"
#include "gfx2d/layer_tiling.h"
#include "gfx2d/sprite_geometry.h"

using namespace tarvok;

namespace {

// The built-in font pixel (x, y) of character c as 'W' (white), 'o' (outline) or '.' (transparent).
char FontPixel(const ImageBuffer& font, int c, int x, int y) {
    const std::uint8_t* p = font.Row((c / 16) * 8 + y) + ((c % 16) * 8 + x) * 4;
    if (p[3] == 0) return '.';
    if (p[0] == 255 && p[1] == 255 && p[2] == 255 && p[3] == 255) return 'W';
    if (p[0] == 8 && p[1] == 8 && p[2] == 8 && p[3] == 255) return 'o';
    return '?';
}

std::string Cell(const ImageBuffer& font, int c) {
    std::string rows;
    for (int y = 0; y < 8; ++y) {
        for (int x = 0; x < 8; ++x) rows += FontPixel(font, c, x, y);
        rows += '\n';
    }
    return rows;
}

}  // namespace

TEST(FontLayout, BuiltinFontGlyphsWithOutline) {
    ImageBuffer font;
    BuildBuiltinFont(font);
    ASSERT_EQ(font.width, 128);
    ASSERT_EQ(font.height, 64);
    // "A" = 0x00A5394E: .###. / .#.#. / .###. / .#.#. / .#.#. / ..... in pixels 1..5 of rows 1..6.
    EXPECT_EQ(Cell(font, 'A'),
              "..ooo...\n"
              ".oWWWo..\n"
              ".oWoWo..\n"
              ".oWWWo..\n"
              ".oWoWo..\n"
              ".oWoWo..\n"
              "..o.o...\n"
              "........\n");
    std::string blank;
    for (int y = 0; y < 8; ++y) blank += "........\n";
    for (int c = 0; c <= ' '; ++c) EXPECT_EQ(Cell(font, c), blank) << c;
}

TEST(FontLayout, GridsAndTextQuads) {
    const FontGrid wide = FontGridOf(256, 128, 256, 128);
    EXPECT_EQ(wide.cellWidth, 16);
    EXPECT_EQ(wide.cellHeight, 16);
    EXPECT_EQ(wide.rows, 8);
    const FontGrid square = FontGridOf(256, 256, 256, 256);
    EXPECT_EQ(square.cellHeight, 32);
    EXPECT_EQ(square.rows, 8);
    const FontGrid tall = FontGridOf(256, 512, 256, 512);
    EXPECT_EQ(tall.cellHeight, 32);
    EXPECT_EQ(tall.rows, 16);
    const FontGrid none = FontGridOf(0, 0, -1, -1);
    EXPECT_EQ(none.cellWidth, 0);

    // The built-in font: "AB" from (11, 5); B starts one cell to the right.
    const FontGrid builtin = FontGridOf(128, 64, 128, 64);
    std::vector<TextVertex> v;
    LayOutText(builtin, "AB", static_cast<float>(CeilPixel(10.5)), 5, 0, v);
    ASSERT_EQ(v.size(), 8u);
    EXPECT_FLOAT_EQ(v[3].x, 11);
    EXPECT_FLOAT_EQ(v[3].y, 5);
    EXPECT_FLOAT_EQ(v[7].x, 19);
    EXPECT_FLOAT_EQ(v[1].x, 19);
    EXPECT_FLOAT_EQ(v[1].y, 13);
    // "A" (65) is in column 1, row 4 from the top: t0 = (8 - 1 - 4) / 8 of a texture stored bottom-up.
    EXPECT_FLOAT_EQ(v[0].s, 1.0f / 16);
    EXPECT_FLOAT_EQ(v[0].t, 3.0f / 8);
    EXPECT_FLOAT_EQ(v[2].s, 2.0f / 16);
    EXPECT_FLOAT_EQ(v[2].t, 4.0f / 8);
    // Byte 193 of a 128-character font shows "A".
    std::vector<TextVertex> high;
    LayOutText(builtin, std::string(1, static_cast<char>(193)), 11, 5, 0, high);
    EXPECT_FLOAT_EQ(high[0].s, v[0].s);
    EXPECT_FLOAT_EQ(high[0].t, v[0].t);
}

TEST(SpriteGeometry, QuadsOfTheDrawingCommands) {
    const SpriteSizes s{32, 32, 32, 32, 0, 0};
    const Quad q = SpriteQuad(s, 10.2, 5.0);
    EXPECT_FLOAT_EQ(q[1].x, 11);
    EXPECT_FLOAT_EQ(q[1].y, 5);
    EXPECT_FLOAT_EQ(q[3].x, 43);
    EXPECT_FLOAT_EQ(q[3].y, 37);
    EXPECT_EQ(CeilPixel(std::nan("")), 0);
    EXPECT_EQ(CeilPixel(1e300), INT32_MAX);
    EXPECT_EQ(CeilPixel(-0.5), 0);

    EXPECT_TRUE(StretchMirrored(-64, 64));
    EXPECT_FALSE(StretchMirrored(-64, -64));
    EXPECT_FALSE(StretchMirrored(-0.5, 10));  // rounds up to 0

    // A 100 x 64 strip in a 128 x 64 texture with 32 x 32 frames: frame 3 is the first of the second row.
    const SpriteSizes strip{100, 64, 128, 64, 32, 32};
    FrameCoords f;
    ASSERT_TRUE(AnimFrame(strip, 3, f));
    EXPECT_FLOAT_EQ(f.sLeft, 0);
    EXPECT_FLOAT_EQ(f.sRight, 0.25f);
    EXPECT_FLOAT_EQ(f.tBottom, 0);
    EXPECT_FLOAT_EQ(f.tTop, 0.5f);
    ASSERT_TRUE(AnimFrame(strip, 2, f));
    EXPECT_FLOAT_EQ(f.sLeft, 0.5f);
    EXPECT_FLOAT_EQ(f.tBottom, 0.5f);
    EXPECT_FALSE(AnimFrame(SpriteSizes{100, 64, 128, 64, 101, 32}, 0, f));
    EXPECT_FALSE(AnimFrame(SpriteSizes{100, 64, 128, 64, 32, 65}, 0, f));
    EXPECT_FALSE(AnimFrame(SpriteSizes{100, 64, 128, 64, 0, 0}, 0, f));

    // RotoZoomAnim at angle 0 and zoom 1 covers the frame; at 90 degrees the corners turn
    // counter-clockwise on the screen (y down), so the top-left corner moves to the bottom-left.
    ASSERT_TRUE(AnimFrame(strip, 0, f));
    const Quad r0 = RotoZoomAnimQuad(strip, f, 100, 100, 0, 1);
    EXPECT_FLOAT_EQ(r0[0].x, 100);
    EXPECT_FLOAT_EQ(r0[0].y, 100);
    EXPECT_FLOAT_EQ(r0[2].x, 132);
    EXPECT_FLOAT_EQ(r0[2].y, 132);
    // cos 90 in single precision is not quite 0, so a corner may round up one pixel further.
    const Quad r90 = RotoZoomAnimQuad(strip, f, 100, 100, 90, 1);
    EXPECT_NEAR(r90[0].x, 100, 1);
    EXPECT_NEAR(r90[0].y, 132, 1);
    EXPECT_NEAR(r90[2].x, 132, 1);
    EXPECT_NEAR(r90[2].y, 100, 1);
    EXPECT_FLOAT_EQ(r90[0].s, f.sLeft);
    EXPECT_FLOAT_EQ(r90[0].t, f.tTop);
}

TEST(LayerTiling, TilesAndLimits) {
    LayerTiling t;
    ASSERT_TRUE(TileLayer(1000, 700, 16384, t));
    EXPECT_EQ(t.tile, 512);
    EXPECT_EQ(t.columns, 2);
    EXPECT_EQ(t.rows, 2);
    ASSERT_TRUE(TileLayer(4096, 1, 8192, t));
    EXPECT_EQ(t.columns, 8);
    EXPECT_FALSE(TileLayer(4097, 1, 8192, t));
    EXPECT_FALSE(TileLayer(1, 4097, 8192, t));
    ASSERT_TRUE(TileLayer(600, 600, 256, t));
    EXPECT_EQ(t.tile, 256);
    EXPECT_EQ(t.columns, 3);
    EXPECT_FALSE(TileLayer(0, 10, 512, t));
}
