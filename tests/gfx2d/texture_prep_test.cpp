#include "gfx2d/texture_prep.h"

#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace tarvok;
using Bytes = std::vector<std::uint8_t>;

Bytes At(const TextureBlock& b, std::int32_t x, std::int32_t y) {
    const auto* p = &b.pixels[(static_cast<std::size_t>(y) * b.textureWidth + x) * 4];
    return Bytes(p, p + 4);
}

// A texture block of w x h pixels with the given RGBA bytes, padded with transparent black.
TextureBlock Block(std::int32_t w, std::int32_t h, Bytes pixels) {
    pixels.resize(static_cast<std::size_t>(w * h * 4), 0);
    TextureBlock block;
    block.textureWidth = w;
    block.textureHeight = h;
    block.pixels = pixels;
    return block;
}

}  // namespace

TEST(TexturePrep, PowerOfTwoSidesAndVerticalFlip) {
    for (const auto& [side, texture] : {std::pair{1, 2}, {2, 2}, {33, 64}, {16, 16}, {32767, 32768}}) {
        EXPECT_EQ(TextureSide(side), texture) << side;
    }
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
    for (int k = 0; k < 16; ++k) {
        EXPECT_EQ(At(block, 5, 15 - k), (Bytes{50, std::uint8_t(k * 10), 200, 255}));
    }
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

TEST(TexturePrep, EdgeBleedingAveragesInnerOpaqueNeighbours) {
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
}

TEST(TexturePrep, NormalMapOfAWrappingRamp) {
    // Height (blue) 0, 0.2, 0.4, 0.6 across a 4 x 2 block that wraps round: gx = +-1.6, gy = 0.
    Bytes pixels;
    for (std::uint8_t i = 0; i < 8; ++i) pixels.insert(pixels.end(), {0, 0, std::uint8_t(i % 4 * 51), i});
    TextureBlock block = Block(4, 2, pixels);
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
