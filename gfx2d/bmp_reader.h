// The engine's own Windows bitmap reader: bytes in, RGBA picture out.
#pragma once

#include <cstdint>
#include <span>

#include "gfx2d/image_buffer.h"

namespace tarvok {

// Reads a BMP with the 12-byte core or the 40-byte info header at 1, 4, 8, 24 or 32 bits a pixel,
// bottom-up or top-down. Pixels equal to key (red + green x 256 + blue x 65536) become (0, 0, 0, 0)
// unless key is kNoColourKey. False for any other header or depth, a short file, a size of 0 or above
// kMaxPictureSide, or more than maxPixels pixels (with a message naming the file); the image then holds
// no picture (sizes 0).
bool ReadBmp(std::span<const std::uint8_t> file, ImageBuffer& image, std::int32_t key,
             std::int64_t maxPixels = kMaxPicturePixels, const char* name = "");

}  // namespace tarvok
