// Texture block preparation.
#include "gfx2d/texture_prep.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace tarvok {
namespace {

constexpr std::int32_t kLargestSide = 1 << 30;

std::size_t PixelIndex(std::int32_t x, std::int32_t y, std::int32_t width) {
    return (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 4;
}

}  // namespace

std::int32_t TextureSide(std::int32_t n) {
    std::int32_t side = 2;
    while (side < n && side < kLargestSide) side *= 2;
    return side;
}

bool PrepareTextureBlock(const ImageBuffer& image, std::int32_t x, std::int32_t y, std::int32_t w,
                         std::int32_t h, std::int32_t maxSide, TextureBlock& block) {
    if (w == 0) w = image.width - x;
    if (h == 0) h = image.height - y;
    if (w <= 0 || h <= 0) return false;
    w = std::min(w, maxSide);
    h = std::min(h, maxSide);
    if (w <= 0 || h <= 0) return false;

    block.usedWidth = w;
    block.usedHeight = h;
    block.textureWidth = TextureSide(w);
    block.textureHeight = TextureSide(h);
    block.pixels.assign(PixelIndex(0, block.textureHeight, block.textureWidth), 0);

    // Only the part of the rectangle that lies on the picture is copied.
    const std::int64_t firstCol = std::max<std::int64_t>(x, 0);
    const std::int64_t endCol = std::min<std::int64_t>(std::int64_t{x} + w, image.width);
    if (firstCol >= endCol) return true;
    for (std::int32_t k = 0; k < h; ++k) {
        const std::int64_t srcRow = std::int64_t{y} + k;
        if (srcRow < 0 || srcRow >= image.height) continue;
        const std::uint8_t* src = image.Row(static_cast<std::int32_t>(srcRow)) + firstCol * 4;
        std::uint8_t* dst = &block.pixels[PixelIndex(static_cast<std::int32_t>(firstCol - x), h - 1 - k,
                                                     block.textureWidth)];
        std::memcpy(dst, src, static_cast<std::size_t>(endCol - firstCol) * 4);
    }
    return true;
}

bool AllOpaque(const std::vector<std::uint8_t>& rgba) {
    for (std::size_t i = 3; i < rgba.size(); i += 4) {
        if (rgba[i] != 255) return false;
    }
    return true;
}

void BleedEdges(TextureBlock& block) {
    const std::int32_t tw = block.textureWidth;
    const std::int32_t th = block.textureHeight;
    std::vector<std::uint8_t>& px = block.pixels;
    // Only opaque pixels are read and only transparent ones written, so the pass can run in place.
    for (std::int32_t y = 0; y < th; ++y) {
        for (std::int32_t x = 0; x < tw; ++x) {
            std::uint8_t* p = &px[PixelIndex(x, y, tw)];
            if (p[3] != 0) continue;
            int sum[3] = {0, 0, 0};
            int count = 0;
            for (std::int32_t ny = std::max(y - 1, 1); ny <= std::min(y + 1, th - 2); ++ny) {
                for (std::int32_t nx = std::max(x - 1, 1); nx <= std::min(x + 1, tw - 2); ++nx) {
                    const std::uint8_t* n = &px[PixelIndex(nx, ny, tw)];
                    if ((nx == x && ny == y) || n[3] == 0) continue;
                    sum[0] += n[0];
                    sum[1] += n[1];
                    sum[2] += n[2];
                    ++count;
                }
            }
            for (int c = 0; c < 3; ++c) p[c] = static_cast<std::uint8_t>(count ? sum[c] / count : 0);
        }
    }
}

void ToNormalMap(TextureBlock& block) {
    const std::int32_t tw = block.textureWidth;
    const std::int32_t th = block.textureHeight;
    const std::vector<std::uint8_t>& in = block.pixels;
    std::vector<std::uint8_t> out(in.size());
    const auto height = [&](std::int32_t x, std::int32_t y) {
        x = (x + tw) % tw;
        y = (y + th) % th;
        return static_cast<float>(in[PixelIndex(x, y, tw) + 2]) / 255.0f;
    };
    for (std::int32_t y = 0; y < th; ++y) {
        for (std::int32_t x = 0; x < tw; ++x) {
            const float gx = (height(x + 1, y - 1) + 2 * height(x + 1, y) + height(x + 1, y + 1)) -
                             (height(x - 1, y - 1) + 2 * height(x - 1, y) + height(x - 1, y + 1));
            const float gy = (height(x - 1, y + 1) + 2 * height(x, y + 1) + height(x + 1, y + 1)) -
                             (height(x - 1, y - 1) + 2 * height(x, y - 1) + height(x + 1, y - 1));
            const float len = std::sqrt(gx * gx + gy * gy + 1.0f);
            const std::size_t i = PixelIndex(x, y, tw);
            out[i] = static_cast<std::uint8_t>((-gx / len + 1.0f) * 0.5f * 255.0f);
            out[i + 1] = static_cast<std::uint8_t>((gy / len + 1.0f) * 0.5f * 255.0f);
            out[i + 2] = static_cast<std::uint8_t>((1.0f / len + 1.0f) * 0.5f * 255.0f);
            out[i + 3] = in[i + 3];
        }
    }
    block.pixels.swap(out);
}

void SquareBlock(std::vector<std::uint8_t>& pixels, std::int32_t& width, std::int32_t& height) {
    // Each output pixel is written at an index no greater than the first of its inputs, so the halving
    // runs in place.
    while (width > height) {
        const std::int32_t half = width / 2;
        for (std::int32_t y = 0; y < height; ++y) {
            for (std::int32_t x = 0; x < half; ++x) {
                const std::uint8_t* a = &pixels[PixelIndex(2 * x, y, width)];
                std::uint8_t* d = &pixels[PixelIndex(x, y, half)];
                for (int c = 0; c < 4; ++c) d[c] = static_cast<std::uint8_t>((a[c] + a[c + 4]) / 2);
            }
        }
        width = half;
    }
    while (height > width) {
        for (std::int32_t y = 0; y < height / 2; ++y) {
            for (std::int32_t x = 0; x < width; ++x) {
                const std::uint8_t* a = &pixels[PixelIndex(x, 2 * y, width)];
                const std::uint8_t* b = &pixels[PixelIndex(x, 2 * y + 1, width)];
                std::uint8_t* d = &pixels[PixelIndex(x, y, width)];
                for (int c = 0; c < 4; ++c) d[c] = static_cast<std::uint8_t>((a[c] + b[c]) / 2);
            }
        }
        height /= 2;
    }
}

void ForEachMipLevel(std::vector<std::uint8_t>& pixels, std::int32_t side,
                     const std::function<void(std::int32_t, std::int32_t, const std::uint8_t*)>& level) {
    for (std::int32_t number = 0;; ++number) {
        level(number, side, pixels.data());
        if (side <= 1) return;
        const std::int32_t half = side / 2;
        for (std::int32_t y = 0; y < half; ++y) {
            for (std::int32_t x = 0; x < half; ++x) {
                const std::uint8_t* a = &pixels[PixelIndex(2 * x, 2 * y, side)];
                const std::uint8_t* b = &pixels[PixelIndex(2 * x, 2 * y + 1, side)];
                std::uint8_t* d = &pixels[PixelIndex(x, y, half)];
                for (int c = 0; c < 4; ++c) {
                    d[c] = static_cast<std::uint8_t>((a[c] + a[c + 4] + b[c] + b[c + 4]) / 4);
                }
            }
        }
        side = half;
    }
}

}  // namespace tarvok
