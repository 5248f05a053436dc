// Pixel-exact collision of two pictures placed on the screen, over their alpha masks. Pure functions.
#pragma once

#include <cstdint>
#include <vector>

namespace tarvok {

// The alpha channel of a slot's texture, row 0 being the picture's bottom row.
struct CollisionMask {
    std::int32_t textureWidth = 0;
    std::int32_t textureHeight = 0;
    std::int32_t width = 0;   // picture width
    std::int32_t height = 0;  // picture height
    std::vector<std::uint8_t> alpha;  // textureWidth x textureHeight bytes
};

// A picture (or one cell of it) placed on the screen: the cell's top-left corner goes to (x, y).
struct PlacedCell {
    const CollisionMask* mask = nullptr;
    std::int64_t x = 0;           // screen position of the cell
    std::int64_t y = 0;
    std::int32_t cellX = 0;       // the cell's offset inside the picture
    std::int32_t cellY = 0;
    std::int32_t cellWidth = 0;
    std::int32_t cellHeight = 0;
};

// The whole picture as its cell.
PlacedCell WholePicture(const CollisionMask& mask, std::int64_t x, std::int64_t y);

// Frame `frame` of an animation strip with frames frameWidth x frameHeight, read left to right and top to
// bottom (frameWidth 0: the whole picture). False when the frame does not lie inside the picture.
bool AnimationCell(const CollisionMask& mask, std::int32_t frameWidth, std::int32_t frameHeight,
                   std::int32_t frame, std::int64_t x, std::int64_t y, PlacedCell& cell);

// True when some screen pixel inside the overlap of the two cells is covered by a non-zero mask byte of
// both. Cells that only touch along an edge do not collide.
bool CellsCollide(const PlacedCell& a, const PlacedCell& b);

}  // namespace tarvok
