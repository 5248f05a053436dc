// Preparation of picture rectangles for upload: power-of-two padding with a vertical flip, edge bleeding,
// the normal-map conversion of bump textures and the square mip chain. Pure functions over memory.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "gfx2d/image_buffer.h"

namespace tarvok {

// A block of RGBA pixels ready for upload. Row 0 is the picture's bottom row, so texture coordinate
// t = usedHeight / textureHeight is the picture's top edge.
struct TextureBlock {
    std::int32_t textureWidth = 0;   // a power of two, at least 2
    std::int32_t textureHeight = 0;  // a power of two, at least 2
    std::int32_t usedWidth = 0;      // columns taken from the picture
    std::int32_t usedHeight = 0;     // rows taken from the picture
    std::vector<std::uint8_t> pixels;
    bool opaque = false;             // level 0 as uploaded has no transparent pixel
};

// Whether every pixel of an RGBA block has alpha 255.
bool AllOpaque(const std::vector<std::uint8_t>& rgba);

// The smallest power of two not below n, never less than 2 (n above 2^30 gives 2^30).
std::int32_t TextureSide(std::int32_t n);

// Builds the transparent padded block for the rectangle (x, y, w, h) of the image, flipped vertically.
// w or h of 0 means up to the right or bottom edge; each is limited to maxSide. Parts of the rectangle
// outside the image stay transparent black. False when w or h does not end up above 0.
bool PrepareTextureBlock(const ImageBuffer& image, std::int32_t x, std::int32_t y, std::int32_t w,
                         std::int32_t h, std::int32_t maxSide, TextureBlock& block);

// Gives every fully transparent pixel the mean colour of its opaque neighbours that lie at least one
// pixel inside every edge (black when there are none), so linear filtering does not draw dark fringes.
void BleedEdges(TextureBlock& block);

// Replaces the block by its normal map: a Sobel gradient of the blue channel taken as height, with
// wrap-around at the edges; alpha is kept.
void ToNormalMap(TextureBlock& block);

// Makes the pixels square by averaging horizontal pairs while wider than high and vertical pairs while
// higher than wide; width and height are updated.
void SquareBlock(std::vector<std::uint8_t>& pixels, std::int32_t& width, std::int32_t& height);

// Calls level(number, side, pixels) for the square block of the given side and then for each half-size
// level down to 1 x 1, each pixel the mean of the 2 x 2 pixels of the level before. Works in place.
void ForEachMipLevel(std::vector<std::uint8_t>& pixels, std::int32_t side,
                     const std::function<void(std::int32_t, std::int32_t, const std::uint8_t*)>& level);

}  // namespace tarvok
