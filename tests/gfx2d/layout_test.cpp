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

std::pair<float, float> Position(const QuadCorner& c) { return {c.x, c.y}; }
std::array<float, 4> Frame(const FrameCoords& f) { return {f.sLeft, f.sRight, f.tBottom, f.tTop}; }

}  // namespace

TEST(FontLayout, BuiltinFontGlyphsWithOutline) {
    ImageBuffer font;
    BuildBuiltinFont(font);
    ASSERT_EQ(font.width, 128);
    ASSERT_EQ(font.height, 64);
    // Lit glyph pixels and their outline are checked on a window against the glyph words; here, control
    // characters and the space are blank and "A" is lit.
    EXPECT_EQ(Cell(font, 'A').substr(0, 18), "..ooo...\n.oWWWo..\n");
    std::string blank;
    for (int y = 0; y < 8; ++y) blank += "........\n";
    for (int c = 0; c <= ' '; ++c) EXPECT_EQ(Cell(font, c), blank) << c;
}

TEST(FontLayout, GridsFollowThePictureShape) {
    // {width, height, cell width, cell height, rows}: 16 columns, cells as tall as wide up to 8 rows,
    // taller pictures hold 16 rows; no picture, no grid. Printing with the grids is checked on a window.
    const int cases[][5] = {{256, 128, 16, 16, 8}, {256, 256, 16, 32, 8}, {256, 512, 16, 32, 16},
                            {128, 64, 8, 8, 8},    {-1, -1, 0, 0, 0}};
    for (const auto& c : cases) {
        const FontGrid grid = FontGridOf(c[0] < 0 ? 0 : c[0], c[1] < 0 ? 0 : c[1], c[0], c[1]);
        EXPECT_EQ(grid.cellWidth, c[2]) << c[0] << " x " << c[1];
        EXPECT_EQ(grid.cellHeight, c[3]) << c[0] << " x " << c[1];
        if (c[2] > 0) {
            EXPECT_EQ(grid.rows, c[4]) << c[0] << " x " << c[1];
        }
    }
}

TEST(SpriteGeometry, QuadsOfTheDrawingCommands) {
    const SpriteSizes s{32, 32, 32, 32, 0, 0};
    const Quad q = SpriteQuad(s, 10.2, 5.0);
    EXPECT_EQ(Position(q[1]), std::pair(11.0f, 5.0f));
    EXPECT_EQ(Position(q[3]), std::pair(43.0f, 37.0f));
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
    EXPECT_EQ(Frame(f), (std::array<float, 4>{0, 0.25f, 0, 0.5f}));
    ASSERT_TRUE(AnimFrame(strip, 2, f));
    EXPECT_EQ(Frame(f), (std::array<float, 4>{0.5f, 0.75f, 0.5f, 1}));
    EXPECT_FALSE(AnimFrame(SpriteSizes{100, 64, 128, 64, 101, 32}, 0, f));
    EXPECT_FALSE(AnimFrame(SpriteSizes{100, 64, 128, 64, 32, 65}, 0, f));
    EXPECT_FALSE(AnimFrame(SpriteSizes{100, 64, 128, 64, 0, 0}, 0, f));

    // RotoZoomAnim at angle 0 and zoom 1 covers the frame; at 90 degrees the corners turn
    // counter-clockwise on the screen (y down), so the top-left corner moves to the bottom-left.
    ASSERT_TRUE(AnimFrame(strip, 0, f));
    const Quad r0 = RotoZoomAnimQuad(strip, f, 100, 100, 0, 1);
    EXPECT_EQ(Position(r0[0]), std::pair(100.0f, 100.0f));
    EXPECT_EQ(Position(r0[2]), std::pair(132.0f, 132.0f));
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
    // {width, height, largest texture, tile, columns, rows}; tile 0: refused (over 8 x 8 tiles, or empty).
    const int cases[][6] = {{1000, 700, 16384, 512, 2, 2}, {4096, 1, 8192, 512, 8, 1}, {600, 600, 256, 256, 3, 3},
                            {4097, 1, 8192, 0, 0, 0},      {1, 4097, 8192, 0, 0, 0},  {0, 10, 512, 0, 0, 0}};
    for (const auto& c : cases) {
        LayerTiling t;
        ASSERT_EQ(TileLayer(c[0], c[1], c[2], t), c[3] > 0) << c[0] << " x " << c[1];
        if (c[3] > 0) {
            EXPECT_EQ((std::vector<int>{t.tile, t.columns, t.rows}), (std::vector<int>{c[3], c[4], c[5]}));
        }
    }
}
