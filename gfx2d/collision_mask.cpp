// Pixel-exact collision. The overlap rectangle is scanned in four interleaved passes (even rows and
// columns first) so that a hit anywhere in a large overlap is found early.
#include "gfx2d/collision_mask.h"

#include <algorithm>

namespace tarvok {
namespace {

// The mask byte under screen pixel (px, py) of a placed cell; the pixel lies inside the cell.
std::uint8_t MaskByte(const PlacedCell& c, std::int64_t px, std::int64_t py) {
    const std::int64_t col = c.cellX + (px - c.x);
    const std::int64_t row = c.mask->height - 1 - (c.cellY + (py - c.y));
    return c.mask->alpha[static_cast<std::size_t>(row * c.mask->textureWidth + col)];
}

bool MaskUsable(const CollisionMask* m) {
    return m && m->width > 0 && m->height > 0 && m->width <= m->textureWidth &&
           m->height <= m->textureHeight &&
           m->alpha.size() >= static_cast<std::size_t>(m->textureWidth) * static_cast<std::size_t>(m->textureHeight);
}

}  // namespace

PlacedCell WholePicture(const CollisionMask& mask, std::int64_t x, std::int64_t y) {
    return PlacedCell{&mask, x, y, 0, 0, mask.width, mask.height};
}

bool AnimationCell(const CollisionMask& mask, std::int32_t frameWidth, std::int32_t frameHeight,
                   std::int32_t frame, std::int64_t x, std::int64_t y, PlacedCell& cell) {
    if (frameWidth == 0) {
        cell = WholePicture(mask, x, y);
        return true;
    }
    // A frame wider than the picture would make the frames per row 0; frames past the last, negative
    // frames and frame sizes below 1 have no pixels.
    if (frameWidth < 0 || frameHeight <= 0 || frameWidth > mask.width || frame < 0) return false;
    const std::int32_t perRow = mask.width / frameWidth;
    const std::int64_t cellX = static_cast<std::int64_t>(frame % perRow) * frameWidth;
    const std::int64_t cellY = static_cast<std::int64_t>(frame / perRow) * frameHeight;
    if (cellY + frameHeight > mask.height) return false;
    cell = PlacedCell{&mask, x, y, static_cast<std::int32_t>(cellX), static_cast<std::int32_t>(cellY),
                      frameWidth, frameHeight};
    return true;
}

bool CellsCollide(const PlacedCell& a, const PlacedCell& b) {
    if (!MaskUsable(a.mask) || !MaskUsable(b.mask)) return false;
    const std::int64_t left = std::max(a.x, b.x);
    const std::int64_t right = std::min(a.x + a.cellWidth, b.x + b.cellWidth);
    const std::int64_t top = std::max(a.y, b.y);
    const std::int64_t bottom = std::min(a.y + a.cellHeight, b.y + b.cellHeight);
    if (left >= right || top >= bottom) return false;
    for (int pass = 0; pass < 4; ++pass) {
        const std::int64_t rowStart = top + pass / 2;
        const std::int64_t colStart = left + pass % 2;
        for (std::int64_t py = rowStart; py < bottom; py += 2) {
            for (std::int64_t px = colStart; px < right; px += 2) {
                if (MaskByte(a, px, py) != 0 && MaskByte(b, px, py) != 0) return true;
            }
        }
    }
    return false;
}

}  // namespace tarvok
