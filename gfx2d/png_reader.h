// PNG reader over libpng: bytes in, RGBA picture out.
#pragma once

#include <cstdint>
#include <span>

#include "gfx2d/image_buffer.h"

namespace tarvok {

// Reads a PNG of any colour type and depth that expands to 8-bit grey, RGB or RGBA (palettes, tRNS and
// 16-bit samples are converted; grey with alpha fails without a message). The colour key (or
// kNoColourKey) applies to 3-channel pictures only. `name` is used in the messages printed on standard
// output for an unsupported depth or colour type, or more than maxPixels pixels. Ancillary chunks are
// skipped and no chunk may claim much memory. False on any decoding error; the image then holds no picture.
bool ReadPng(std::span<const std::uint8_t> file, const char* name, ImageBuffer& image, std::int32_t key,
             std::int64_t maxPixels = kMaxPicturePixels);

}  // namespace tarvok
