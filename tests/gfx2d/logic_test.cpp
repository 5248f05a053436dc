// The 2D logic in memory: texture blocks, collision masks, fonts, sprite quads and background tiling.
#include <array>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "gfx2d/collision_mask.h"
#include "gfx2d/font_layout.h"
#include "gfx2d/layer_tiling.h"
#include "gfx2d/sprite_geometry.h"
#include "gfx2d/texture_prep.h"

using namespace tarvok;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes At(const TextureBlock& b, std::int32_t x, std::int32_t y) {
    const auto* p = &b.pixels[(static_cast<std::size_t>(y) * b.textureWidth + x) * 4];
    return Bytes(p, p + 4);
}

// A texture block of w x h pixels with the given RGBA bytes, padded with transparent black.
TextureBlock Block(std::int32_t w, std::int32_t h, Bytes pixels) {
    pixels.resize(static_cast<std::size_t>(w * h * 4), 0);
    return {w, h, 0, 0, pixels};
}

// A mask for a w x h picture in a power-of-two texture; solid(x, y) with y from the picture's top.
template <typename Solid>
CollisionMask Mask(std::int32_t w, std::int32_t h, Solid solid) {
    CollisionMask m{2, 2, w, h, {}};
    while (m.textureWidth < w) m.textureWidth *= 2;
    while (m.textureHeight < h) m.textureHeight *= 2;
    m.alpha.assign(static_cast<std::size_t>(m.textureWidth * m.textureHeight), 0);
    for (std::int32_t y = 0; y < h; ++y) {  // texture row 0 is the picture's bottom row
        for (std::int32_t x = 0; x < w; ++x) m.alpha[(h - 1 - y) * m.textureWidth + x] = solid(x, y) * 255;
    }
    return m;
}

}  // namespace

TEST(TexturePrep, PowerOfTwoSidesAndVerticalFlip) {
    ImageBuffer image;  // pixel (x, y) is red 10 x, green 10 y, blue 200, opaque
    image.Resize(33, 16);
    for (std::size_t i = 0; i < image.pixels.size(); i += 4) {
        const std::size_t x = i / 4 % 33, y = i / 4 / 33;
        image.pixels[i] = std::uint8_t(x * 10), image.pixels[i + 1] = std::uint8_t(y * 10);
        image.pixels[i + 2] = 200, image.pixels[i + 3] = 255;
    }
    TextureBlock block;
    ASSERT_TRUE(PrepareTextureBlock(image, 0, 0, 0, 0, 4096, block));
    EXPECT_EQ(std::tuple(block.textureWidth, block.textureHeight, block.usedWidth), std::tuple(64, 16, 33));
    // Texture row 0 is the picture's bottom row; the padding is transparent black.
    for (int k = 0; k < 16; ++k) EXPECT_EQ(At(block, 5, 15 - k), (Bytes{50, std::uint8_t(k * 10), 200, 255}));
    EXPECT_EQ(At(block, 33, 0), (Bytes{0, 0, 0, 0}));

    // A rectangle reaching past the picture keeps transparent pixels there; 1 x 1 gives 2 x 2.
    ASSERT_TRUE(PrepareTextureBlock(image, 30, 10, 8, 8, 4096, block));
    EXPECT_EQ(block.textureWidth, 8);
    EXPECT_EQ(At(block, 2, 7)[0], (32 * 10) % 256);  // picture (32, 10)
    EXPECT_EQ(At(block, 3, 7)[3], 0);                // column 33 is off the picture
    EXPECT_EQ(At(block, 0, 1)[3], 0);                // row 16 is off the picture
    ASSERT_TRUE(PrepareTextureBlock(image, 32, 15, 1, 1, 4096, block));
    EXPECT_EQ(std::pair(block.textureWidth, block.textureHeight), std::pair(2, 2));

    // Limited to the largest texture; nothing to upload fails.
    ASSERT_TRUE(PrepareTextureBlock(image, 0, 0, 0, 0, 8, block));
    EXPECT_EQ(std::pair(block.usedWidth, block.textureWidth), std::pair(8, 8));
    EXPECT_FALSE(PrepareTextureBlock(image, 33, 0, 0, 0, 4096, block));
    EXPECT_FALSE(PrepareTextureBlock(image, 0, 16, 0, 0, 4096, block));
}

TEST(TexturePrep, EdgeBleedingAndNormalMaps) {
    // Opaque (1, 1) and (2, 1), and (3, 3) on the edge, which is never a neighbour.
    TextureBlock block = Block(4, 4, {});
    for (const auto& [at, rgba] : {std::pair{5, Bytes{100, 0, 10, 255}}, {6, {50, 30, 20, 255}},
                                   {15, {255, 255, 255, 255}}}) {
        std::copy(rgba.begin(), rgba.end(), block.pixels.begin() + at * 4);
    }
    BleedEdges(block);
    // Transparent pixels take the mean of their inner opaque neighbours, (0, 3) has none; opaque ones stay.
    const std::tuple<int, int, Bytes> expected[] = {
        {0, 0, {100, 0, 10, 0}}, {1, 2, {75, 15, 15, 0}}, {3, 0, {50, 30, 20, 0}},
        {3, 2, {50, 30, 20, 0}}, {0, 3, {0, 0, 0, 0}},    {3, 3, {255, 255, 255, 255}}};
    for (const auto& [x, y, rgba] : expected) EXPECT_EQ(At(block, x, y), rgba) << x << "," << y;

    // A normal map of heights (blue) 0, 0.2, 0.4, 0.6 wrapping round a 4 x 2 block: gx = +-1.6, gy = 0.
    Bytes pixels;
    for (std::uint8_t i = 0; i < 8; ++i) pixels.insert(pixels.end(), {0, 0, std::uint8_t(i % 4 * 51), i});
    block = Block(4, 2, pixels);
    ToNormalMap(block);
    // Red (-gx / len + 1) x 127.5 and blue (1 / len + 1) x 127.5, worked out in single precision in Python.
    const std::uint8_t red[] = {235, 19, 19, 235};
    for (std::uint8_t i = 0; i < 8; ++i) EXPECT_EQ(At(block, i % 4, i / 4), (Bytes{red[i % 4], 127, 195, i}));
}

TEST(TexturePrep, SquaringAndMipChainAverage) {
    // 4 x 2 becomes 2 x 2 by averaging horizontal pairs; 2 x 8 becomes 2 x 2 by vertical pairs, twice.
    const auto reds = [](const Bytes& rgba, std::size_t n) {
        Bytes r;
        for (std::size_t i = 0; i < n; ++i) r.push_back(rgba[i * 4]);
        return r;
    };
    Bytes wide, tall;
    for (const int r : {10, 20, 30, 41, 50, 60, 70, 81}) wide.insert(wide.end(), {std::uint8_t(r), 0, 0, 0});
    for (int y = 0; y < 8; ++y) tall.insert(tall.end(), {std::uint8_t(y * 8), 0, 0, 0, 0, 0, 0, 0});
    std::int32_t w = 4, h = 2;
    SquareBlock(wide, w, h);
    EXPECT_EQ(std::tuple(w, h, reds(wide, 4)), std::tuple(2, 2, Bytes{15, 35, 55, 75}));
    w = 2, h = 8;
    SquareBlock(tall, w, h);
    EXPECT_EQ(std::tuple(w, h, reds(tall, 4)), std::tuple(2, 2, Bytes{12, 0, 44, 0}));

    Bytes square(8 * 8 * 4, 200), firstRed;
    square[0] = 0;
    std::vector<std::int32_t> sides;
    ForEachMipLevel(square, 8, [&](std::int32_t level, std::int32_t side, const std::uint8_t* p) {
        EXPECT_EQ(level, static_cast<std::int32_t>(sides.size()));
        sides.push_back(side);
        firstRed.push_back(p[0]);
    });
    EXPECT_EQ(sides, (std::vector<std::int32_t>{8, 4, 2, 1}));
    EXPECT_EQ(firstRed, (Bytes{0, 150, 187, 196}));
}

TEST(Collision, SolidAndTransparentPixelsAndAnimationFrames) {
    const auto square = Mask(32, 32, [](int, int) { return true; });
    const auto dot = Mask(3, 3, [](int x, int y) { return x == 1 && y == 1; });
    const auto half = Mask(16, 16, [](int x, int) { return x < 8; });  // the right half transparent
    // A single solid pixel at the bottom-right corner is found whatever the scan order.
    const auto corner = Mask(9, 7, [](int x, int y) { return x == 8 && y == 6; });
    const auto empty = Mask(9, 7, [](int, int) { return false; });
    const CollisionMask none;  // an empty slot never collides
    const struct {
        const CollisionMask& a;
        std::int64_t x1, y1;
        const CollisionMask& b;
        std::int64_t x2, y2;
        bool hit;
    } cases[] = {
        {square, 0, 0, square, 31, 0, true},   {square, 0, 0, square, 32, 0, false},  // edges touch only
        {square, 0, 0, square, 0, 32, false},  {square, 0, 0, square, 31, 31, true},
        {square, 5, 5, square, 5, 5, true},    {square, -40, -40, square, -9, -9, true},
        {square, -40, -40, square, -8, -9, false},
        {square, INT32_MAX, 0, square, std::int64_t{INT32_MAX} - 31, 0, true},
        {square, 0, 0, dot, 10, 10, true},     {dot, 10, 10, square, 0, 0, true},  // one inside the other
        {half, 0, 0, square, 8, 0, false},     {half, 0, 0, square, 7, 0, true},
        {corner, 0, 0, square, 8, 6, true},    {corner, 0, 0, square, 9, 6, false},
        {empty, 0, 0, empty, 0, 0, false},     {none, 0, 0, square, 0, 0, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CellsCollide(WholePicture(c.a, c.x1, c.y1), WholePicture(c.b, c.x2, c.y2)), c.hit)
            << &c.a << " at " << c.x1 << "," << c.y1 << " and " << c.x2 << "," << c.y2;
    }

    // A strip of two 8 x 8 frames side by side: frame 0 empty, frame 1 solid.
    const auto strip = Mask(16, 8, [](int x, int) { return x >= 8; });
    PlacedCell frame0, frame1, other;
    ASSERT_TRUE(AnimationCell(strip, 8, 8, 0, 100, 50, frame0));
    ASSERT_TRUE(AnimationCell(strip, 8, 8, 1, 100, 50, frame1));
    ASSERT_TRUE(AnimationCell(square, 0, 0, 5, 104, 54, other));  // frame size 0: the whole picture
    EXPECT_FALSE(CellsCollide(frame0, other));
    EXPECT_TRUE(CellsCollide(frame1, other));
    // The frame's cell is 8 wide, so a sprite just right of it misses.
    EXPECT_FALSE(CellsCollide(frame1, WholePicture(square, 108, 50)));

    // {frame width, height, frame}: past the last frame, wider or taller than the picture, negative, flat.
    for (const auto& [w, h, frame] : {std::array{8, 8, 2}, {32, 8, 0}, {8, 16, 0}, {8, 8, -1}, {8, 0, 0}}) {
        EXPECT_FALSE(AnimationCell(strip, w, h, frame, 0, 0, other)) << w << " x " << h << " #" << frame;
    }

    // Frames of a grid: 3 per row in a 100 x 64 strip, frame 3 starts the second row.
    const auto grid = Mask(100, 64, [](int x, int y) { return x < 32 && y >= 32; });
    ASSERT_TRUE(AnimationCell(grid, 32, 32, 3, 0, 0, frame0));
    EXPECT_EQ(std::pair(frame0.cellX, frame0.cellY), std::pair(0, 32));
    EXPECT_TRUE(CellsCollide(frame0, WholePicture(square, 31, 31)));
    ASSERT_TRUE(AnimationCell(grid, 32, 32, 0, 0, 0, frame0));
    EXPECT_FALSE(CellsCollide(frame0, WholePicture(square, 0, 0)));
}

// Lit glyphs and their outlines are checked on a window; here, the cells below the space stay blank.
TEST(FontLayout, BuiltinFontBlankBelowTheSpaceAndGridsFollowThePictureShape) {
    ImageBuffer font;
    BuildBuiltinFont(font);
    ASSERT_EQ(std::pair(font.width, font.height), std::pair(128, 64));
    int lit = 0;  // in the first two rows of cells (characters 0..31) and the space's cell
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < (y < 16 ? 128 : 8); ++x) lit += font.Row(y)[x * 4 + 3] != 0;
    EXPECT_EQ(lit, 0);

    // {width, height, cell width, cell height, rows}: 16 columns; 8 rows, 16 for pictures taller than wide.
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

    // At 90 degrees the top-left corner turns to the bottom-left (counter-clockwise, y down), +-1 pixel.
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
