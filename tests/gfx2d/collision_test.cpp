#include "gfx2d/collision_mask.h"

#include <array>

#include <gtest/gtest.h>

namespace {

using namespace tarvok;

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

TEST(Collision, SolidAndTransparentPixels) {
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
}

TEST(Collision, AnimationFrames) {
    // A strip of two 8 x 8 frames side by side: frame 0 empty, frame 1 solid.
    const auto strip = Mask(16, 8, [](int x, int) { return x >= 8; });
    const auto square = Mask(8, 8, [](int, int) { return true; });
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
