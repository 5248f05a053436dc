// Bitmap fonts: the built-in font picture and the 16-column glyph grid of font pictures. Pure functions.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "gfx2d/image_buffer.h"

namespace tarvok {

constexpr std::int32_t kFontCount = 32;
constexpr std::int32_t kFirstFontSlot = 65504;  // font f lives in sprite slot 65504 + f
constexpr std::int32_t kBuiltinFontWidth = 128;
constexpr std::int32_t kBuiltinFontHeight = 64;

// Fills image with the 128 x 64 built-in font: 16 x 8 cells of 8 x 8, white glyphs with a dark outline.
void BuildBuiltinFont(ImageBuffer& image);

// The glyph grid of a font picture of w x h pixels in a texture of tw x th.
struct FontGrid {
    std::int32_t cellWidth = 0;
    std::int32_t cellHeight = 0;
    std::int32_t rows = 8;     // 8 rows (128 characters) when w >= h, else 16 (256 characters)
    float sStep = 0;           // texture width of one cell
    float tStep = 0;           // texture height of one cell
};
FontGrid FontGridOf(std::int32_t width, std::int32_t height, std::int32_t textureWidth,
                    std::int32_t textureHeight);

// One text vertex: position and texture coordinate.
struct TextVertex {
    float x, y, z, s, t;
};

// Appends four vertices per byte of text for quads that start at (x, y) (already whole pixels) and
// advance by one cell each; vertices is cleared first.
void LayOutText(const FontGrid& grid, std::string_view text, float x, float y, float z,
                std::vector<TextVertex>& vertices);

}  // namespace tarvok
