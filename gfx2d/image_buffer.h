// ImageBuffer: the RGBA picture that the picture readers produce and the texture upload consumes.
#pragma once

#include <cstdint>
#include <vector>

namespace tarvok {

// Largest picture side: the slot fields that keep picture and texture sizes are 16-bit.
constexpr std::int32_t kMaxPictureSide = 32767;
// Most pixels a picture file is decoded to (256 MB of RGBA): no texture is larger, and a small file that
// claims more must not take that memory.
constexpr std::int64_t kMaxPicturePixels = 8192LL * 8192;

// Whether a picture of width x height may be decoded under the pixel limit; when not, says so on
// standard output (the readers' messages go there) naming the file.
bool PictureFitsLimit(std::int64_t width, std::int64_t height, std::int64_t maxPixels, const char* name);

struct ImageBuffer {
    std::int32_t width = 0;             // pixels per row
    std::int32_t height = 0;            // rows
    std::vector<std::uint8_t> pixels;   // 4 bytes a pixel (red, green, blue, alpha), rows top to bottom

    // Bytes allocated; the buffer is reallocated only when a picture needs more.
    std::int32_t Capacity() const { return static_cast<std::int32_t>(pixels.capacity()); }

    // Sets the size, keeping the allocation when it is large enough. False (and the buffer emptied) when a
    // side is not in 1..kMaxPictureSide or width x height x 4 does not fit the 32-bit capacity.
    bool Resize(std::int32_t w, std::int32_t h);

    // Empties the picture and frees its memory.
    void Free();

    std::uint8_t* Row(std::int32_t y) { return pixels.data() + static_cast<std::size_t>(y) * width * 4; }
    const std::uint8_t* Row(std::int32_t y) const {
        return pixels.data() + static_cast<std::size_t>(y) * width * 4;
    }
};

// Colour key value that means "no key".
constexpr std::int32_t kNoColourKey = -1;

// Packs a colour as the engine does: red + green x 256 + blue x 65536.
constexpr std::int32_t PackColour(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return r + g * 256 + b * 65536;
}

}  // namespace tarvok
