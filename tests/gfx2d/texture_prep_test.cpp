#include "gfx2d/texture_prep.h"

#include <cmath>
#include <vector>

#include <gtest/gtest.h>

namespace {

using namespace tarvok;

ImageBuffer Picture(std::int32_t w, std::int32_t h) {
    ImageBuffer image;
    image.Resize(w, h);
    for (std::int32_t y = 0; y < h; ++y) {
        for (std::int32_t x = 0; x < w; ++x) {
            std::uint8_t* p = image.Row(y) + x * 4;
            p[0] = static_cast<std::uint8_t>(x * 10);
            p[1] = static_cast<std::uint8_t>(y * 10);
            p[2] = 200;
            p[3] = 255;
        }
    }
    return image;
}

const std::uint8_t* At(const TextureBlock& b, std::int32_t x, std::int32_t y) {
    return &b.pixels[(static_cast<std::size_t>(y) * b.textureWidth + x) * 4];
}

}  // namespace

TEST(TexturePrep, PowerOfTwoSidesAndVerticalFlip) {
    for (const auto& [side, texture] : {std::pair{1, 2}, {2, 2}, {33, 64}, {16, 16}, {32767, 32768}}) {
        EXPECT_EQ(TextureSide(side), texture) << side;
    }

    const ImageBuffer image = Picture(33, 16);
    TextureBlock block;
    ASSERT_TRUE(PrepareTextureBlock(image, 0, 0, 0, 0, 4096, block));
    EXPECT_EQ(block.textureWidth, 64);
    EXPECT_EQ(block.textureHeight, 16);
    EXPECT_EQ(block.usedWidth, 33);
    // Texture row 0 is the picture's bottom row.
    for (std::int32_t k = 0; k < 16; ++k) {
        EXPECT_EQ(At(block, 5, 15 - k)[1], k * 10);
        EXPECT_EQ(At(block, 5, 15 - k)[0], 50);
    }
    EXPECT_EQ(At(block, 33, 0)[3], 0);  // padding is transparent black
    EXPECT_EQ(At(block, 33, 0)[0], 0);

    // A rectangle reaching past the picture keeps transparent pixels there; 1 x 1 gives 2 x 2.
    ASSERT_TRUE(PrepareTextureBlock(image, 30, 10, 8, 8, 4096, block));
    EXPECT_EQ(block.textureWidth, 8);
    EXPECT_EQ(At(block, 2, 7)[0], (32 * 10) % 256);  // picture (32, 10)
    EXPECT_EQ(At(block, 3, 7)[3], 0);        // column 33 is off the picture
    EXPECT_EQ(At(block, 0, 1)[3], 0);        // row 16 is off the picture
    ASSERT_TRUE(PrepareTextureBlock(Picture(1, 1), 0, 0, 0, 0, 4096, block));
    EXPECT_EQ(block.textureWidth, 2);
    EXPECT_EQ(block.textureHeight, 2);

    // Limited to the largest texture; nothing to upload fails.
    ASSERT_TRUE(PrepareTextureBlock(image, 0, 0, 0, 0, 8, block));
    EXPECT_EQ(block.usedWidth, 8);
    EXPECT_EQ(block.textureWidth, 8);
    EXPECT_FALSE(PrepareTextureBlock(image, 33, 0, 0, 0, 4096, block));
    EXPECT_FALSE(PrepareTextureBlock(image, 0, 16, 0, 0, 4096, block));
}

TEST(TexturePrep, EdgeBleedingAveragesInnerOpaqueNeighbours) {
    TextureBlock block;
    block.textureWidth = block.textureHeight = 4;
    block.pixels.assign(64, 0);
    const auto set = [&](int x, int y, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        std::uint8_t* p = &block.pixels[static_cast<std::size_t>(y * 4 + x) * 4];
        p[0] = r, p[1] = g, p[2] = b, p[3] = 255;
    };
    set(1, 1, 100, 0, 10);
    set(2, 1, 50, 30, 20);
    set(3, 3, 255, 255, 255);  // on the edge: never used as a neighbour
    BleedEdges(block);
    // (3, 3) lies on the edge and is never a neighbour; (0, 3)'s inner neighbours are all transparent.
    const int expected[][6] = {{0, 0, 100, 0, 10}, {1, 2, 75, 15, 15}, {3, 0, 50, 30, 20}, {3, 2, 50, 30, 20},
                               {0, 3, 0, 0, 0}};
    for (const auto& e : expected) {
        EXPECT_EQ(std::vector<int>(At(block, e[0], e[1]), At(block, e[0], e[1]) + 4),
                  (std::vector<int>{e[2], e[3], e[4], 0})) << e[0] << "," << e[1];
    }
    EXPECT_EQ(At(block, 3, 3)[0], 255);  // opaque pixels are untouched
}

TEST(TexturePrep, NormalMapOfARamp) {
    // Height grows by 0.2 per column (blue 51 per step) over a 4-wide block that wraps round.
    TextureBlock block;
    block.textureWidth = 4;
    block.textureHeight = 2;
    block.pixels.assign(32, 0);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 4; ++x) {
            std::uint8_t* p = &block.pixels[static_cast<std::size_t>(y * 4 + x) * 4];
            p[2] = static_cast<std::uint8_t>(x * 51);
            p[3] = static_cast<std::uint8_t>(x + 1);
        }
    }
    ToNormalMap(block);
    // Column 1: neighbours 0 and 2 differ by 0.4, weights 1 + 2 + 1: gx = 1.6, gy = 0.
    const auto expectPixel = [&](int x, float gx) {
        const float len = std::sqrt(gx * gx + 1.0f);
        const std::uint8_t* p = At(block, x, 0);
        EXPECT_EQ(p[0], static_cast<int>((-gx / len + 1.0f) * 0.5f * 255.0f)) << x;
        EXPECT_EQ(p[1], 127) << x;
        EXPECT_EQ(p[2], static_cast<int>((1.0f / len + 1.0f) * 0.5f * 255.0f)) << x;
        EXPECT_EQ(p[3], x + 1) << x;
    };
    expectPixel(1, 1.6f);
    expectPixel(0, (0.2f - 0.6f) * 4);  // wraps to column 3
    expectPixel(3, (0.0f - 0.4f) * 4);
}

TEST(TexturePrep, SquaringAndMipChainEndAtOnePixel) {
    // 4 x 2 becomes 2 x 2 by averaging horizontal pairs.
    std::vector<std::uint8_t> px = {10, 0, 0, 0, 20, 0, 0, 0, 30, 0, 0, 0, 41, 0, 0, 0,
                                    50, 0, 0, 0, 60, 0, 0, 0, 70, 0, 0, 0, 81, 0, 0, 0};
    std::int32_t w = 4, h = 2;
    SquareBlock(px, w, h);
    EXPECT_EQ(w, 2);
    EXPECT_EQ(h, 2);
    EXPECT_EQ(px[0], 15);
    EXPECT_EQ(px[4], 35);
    EXPECT_EQ(px[8], 55);
    EXPECT_EQ(px[12], 75);

    std::vector<std::uint8_t> tall(2 * 8 * 4, 0);
    for (int y = 0; y < 8; ++y) tall[static_cast<std::size_t>(y * 2) * 4] = static_cast<std::uint8_t>(y * 8);
    w = 2, h = 8;
    SquareBlock(tall, w, h);
    EXPECT_EQ(h, 2);
    EXPECT_EQ(tall[0], (((0 + 8) / 2 + (16 + 24) / 2) / 2));

    std::vector<std::uint8_t> square(8 * 8 * 4, 200);
    square[0] = 0;
    std::vector<std::int32_t> sides;
    std::vector<int> firstRed;
    ForEachMipLevel(square, 8, [&](std::int32_t level, std::int32_t side, const std::uint8_t* p) {
        EXPECT_EQ(level, static_cast<std::int32_t>(sides.size()));
        sides.push_back(side);
        firstRed.push_back(p[0]);
    });
    EXPECT_EQ(sides, (std::vector<std::int32_t>{8, 4, 2, 1}));
    EXPECT_EQ(firstRed, (std::vector<int>{0, 150, 187, 196}));
}
