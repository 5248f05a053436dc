// ImageBuffer sizing.
#include "gfx2d/image_buffer.h"

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

void ImageBuffer::Free() {
    width = height = 0;
    std::vector<std::uint8_t>().swap(pixels);
}

}  // namespace tarvok
