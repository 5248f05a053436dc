// Picture writers: an RGB picture (an ImageBuffer whose alpha is ignored) as a 24-bit BMP or an 8-bit RGBA
// PNG, with the colour key of the screen marked in the file. Encoding is pure; the file shell writes the
// encoded bytes and never leaves a partial file behind.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gfx2d/image_buffer.h"

namespace tarvok {

// The colour key as the frame buffer shows it. Pixels of exactly this colour are written as the key: red
// 255, green 0, blue 128 in a BMP, alpha 0 in a PNG. Inactive: no pixel is treated as the key.
struct SavedKey {
    bool active = false;
    std::uint8_t r = 0, g = 0, b = 0;

    bool Matches(const std::uint8_t* rgb) const {
        return active && rgb[0] == r && rgb[1] == g && rgb[2] == b;
    }
};

// Bytes of a BMP row of w pixels at 24 bits: 3 bytes a pixel, padded to a multiple of 4.
constexpr std::int64_t BmpRowBytes(std::int32_t w) { return (static_cast<std::int64_t>(w) * 3 + 3) / 4 * 4; }

// The whole BMP file: 14-byte file header, 40-byte info header (10000 pixels per metre), rows bottom-up.
std::vector<std::uint8_t> EncodeBmp(const ImageBuffer& image, const SavedKey& key);

// The whole PNG file (8-bit RGBA, not interlaced) written by libpng through a memory write callback.
// False when libpng reports an error or the picture is empty.
bool EncodePng(const ImageBuffer& image, const SavedKey& key, std::vector<std::uint8_t>& out);

// Whether a file name selects PNG: longer than 4 characters and ending in ".png" in any case.
bool NamesPng(const std::string& name);

// Writes the picture to the named file ("\" and "/" both separate path elements): PNG when NamesPng,
// else BMP. The old file is deleted first. False, with no file left behind, when the picture is empty,
// the file cannot be created, or a write or the close fails.
bool WritePictureFile(const std::string& name, const ImageBuffer& image, const SavedKey& key);

}  // namespace tarvok
