// ImageBuffer sizing.
#include "gfx2d/image_buffer.h"

#include <cstdio>
#include <limits>

namespace tarvok {

bool ImageBuffer::Resize(std::int32_t w, std::int32_t h) {
    const bool sidesOk = w >= 1 && h >= 1 && w <= kMaxPictureSide && h <= kMaxPictureSide;
    const std::int64_t bytes = static_cast<std::int64_t>(w) * h * 4;
    if (!sidesOk || bytes > std::numeric_limits<std::int32_t>::max()) {
        width = height = 0;
        pixels.clear();
        return false;
    }
    width = w;
    height = h;
    pixels.resize(static_cast<std::size_t>(bytes));
    return true;
}

bool PictureFitsLimit(std::int64_t width, std::int64_t height, std::int64_t maxPixels, const char* name) {
    if (width * height <= maxPixels) return true;
    using Long = long long;
    std::printf("File %s has %lld x %lld pixels; at most %lld are loaded.\n", name, static_cast<Long>(width),
                static_cast<Long>(height), static_cast<Long>(maxPixels));
    return false;
}

void ImageBuffer::Free() {
    width = height = 0;
    std::vector<std::uint8_t>().swap(pixels);
}

}  // namespace tarvok
