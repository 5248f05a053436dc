// Font pictures and grids, sprite quads, background tiling.
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "gfx2d/font_layout.h"
#include "gfx2d/layer_tiling.h"
#include "gfx2d/sprite_geometry.h"

using namespace tarvok;

// Lit glyphs and their outlines are checked on a window; here, the cells below the space stay blank.
TEST(FontLayout, BuiltinFontBlankBelowTheSpaceAndGridsFollowThePictureShape) {
    ImageBuffer font;
    BuildBuiltinFont(font);
    ASSERT_EQ(std::pair(font.width, font.height), std::pair(128, 64));
    int lit = 0;
    for (int c = 0; c <= ' '; ++c) {
        for (int y = 0; y < 8; ++y) {
            for (int x = 0; x < 8; ++x) lit += font.Row(c / 16 * 8 + y)[(c % 16 * 8 + x) * 4 + 3] != 0;
        }
    }
    EXPECT_EQ(lit, 0);

    // {width, height, cell width, cell height, rows}: 16 columns, cells as tall as wide up to 8 rows,
    // taller pictures hold 16 rows; no picture, no grid.
    const int cases[][5] = {{256, 128, 16, 16, 8}, {256, 256, 16, 32, 8}, {256, 512, 16, 32, 16},
                            {128, 64, 8, 8, 8},    {0, 0, 0, 0, 8}};
    for (const auto& [w, h, cellWidth, cellHeight, rows] : cases) {
        const FontGrid grid = FontGridOf(w, h, w, h);
        const auto got = std::tuple(grid.cellWidth, grid.cellHeight, grid.rows);
        EXPECT_EQ(got, std::tuple(cellWidth, cellHeight, rows)) << w << " x " << h;
    }
}

// Drawn pixels are checked on a window; here, rounding of odd numbers, refusals and a turned frame.
TEST(SpriteGeometry, RoundingRefusalsAndTurnedFrames) {
    EXPECT_EQ((std::vector{CeilPixel(std::nan("")), CeilPixel(1e300), CeilPixel(-0.5)}),
              (std::vector{0, INT32_MAX, 0}));
    EXPECT_EQ((std::vector{StretchMirrored(-64, 64), StretchMirrored(-64, -64), StretchMirrored(-0.5, 10)}),
              (std::vector{true, false, false}));  // -0.5 rounds up to 0

    // A 100 x 64 strip in a 128 x 64 texture with 32 x 32 frames: frame 3 is the first of the second row.
    const SpriteSizes strip{100, 64, 128, 64, 32, 32};
    FrameCoords f;
    ASSERT_TRUE(AnimFrame(strip, 3, f));
    EXPECT_EQ((std::vector{f.sLeft, f.sRight, f.tBottom, f.tTop}), (std::vector<float>{0, 0.25f, 0, 0.5f}));
    for (const auto& [frameWidth, frameHeight] : {std::pair{101, 32}, {32, 65}, {0, 0}}) {
        EXPECT_FALSE(AnimFrame(SpriteSizes{100, 64, 128, 64, frameWidth, frameHeight}, 0, f)) << frameWidth;
    }

    // At 90 degrees the corners turn counter-clockwise on the screen (y down): the top-left corner moves to
    // the bottom-left. cos 90 in single precision is not quite 0, so a corner may round one pixel further.
    ASSERT_TRUE(AnimFrame(strip, 0, f));
    const Quad r90 = RotoZoomAnimQuad(strip, f, 100, 100, 90, 1);
    for (const auto& [corner, x, y] : {std::array{0, 100, 132}, {2, 132, 100}}) {
        EXPECT_NEAR(r90[corner].x, x, 1) << corner;
        EXPECT_NEAR(r90[corner].y, y, 1) << corner;
    }
    EXPECT_EQ(std::pair(r90[0].s, r90[0].t), std::pair(f.sLeft, f.tTop));
}

TEST(LayerTiling, TilesAndLimits) {
    // {width, height, largest texture, tile, columns, rows}; tile 0: refused (over 8 x 8 tiles, or empty).
    const int cases[][6] = {{1000, 700, 16384, 512, 2, 2}, {4096, 1, 8192, 512, 8, 1},
                            {600, 600, 256, 256, 3, 3},    {4097, 1, 8192, 0, 0, 0},
                            {1, 4097, 8192, 0, 0, 0},      {0, 10, 512, 0, 0, 0}};
    for (const auto& [w, h, largest, tile, columns, rows] : cases) {
        LayerTiling t;
        ASSERT_EQ(TileLayer(w, h, largest, t), tile > 0) << w << " x " << h;
        if (tile > 0) {
            EXPECT_EQ(std::tuple(t.tile, t.columns, t.rows), std::tuple(tile, columns, rows));
        }
    }
}
