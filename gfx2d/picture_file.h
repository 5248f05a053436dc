// Reading picture files from disk: the BMP reader first, then the PNG reader.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gfx2d/image_buffer.h"

namespace tarvok {

// Largest picture file read: a picture buffer never exceeds 2^31 bytes, nor does any file that fills one.
constexpr std::uint64_t kMaxPictureFileBytes = 0x7FFFFFFF;

// Reads a whole file ("\" and "/" both separate path elements). False when it cannot be opened or read,
// or is larger than kMaxPictureFileBytes.
bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes);

// Reads a picture file as BMP, else as PNG, whatever its extension, with the colour key (or
// kNoColourKey). False when neither reader accepts it or it has more than maxPixels pixels.
bool ReadPictureFile(const std::string& path, ImageBuffer& image, std::int32_t key,
                     std::int64_t maxPixels = kMaxPicturePixels);

}  // namespace tarvok
