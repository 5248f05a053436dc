// Reading a texture's pixels back from the GL driver.
#pragma once

#include <cstdint>

namespace platform {

// Copies level 0 of the 2D texture `texture`, width x height pixels, as RGBA bytes into out (row 0 is the
// texture's row 0). Leaves no texture bound on unit 0. False when it cannot be read.
bool ReadTextureRgba(std::uint32_t texture, int width, int height, std::uint8_t* out);

}  // namespace platform
