// Windows bitmap reader. The header is read field by field; the pixel rows follow the palette directly
// (the pixel-data offset is used only to size the info header's palette). Compression and the fourth byte
// of 32-bit pixels are not looked at; 16-bit pictures, bit fields in larger headers and other depths fail.
#include "gfx2d/bmp_reader.h"

#include <array>
#include <cstdlib>

#include "gfx2d/byte_cursor.h"

namespace tarvok {
namespace {

constexpr std::uint32_t kFileHeaderBytes = 14;
constexpr std::uint32_t kCoreHeaderBytes = 12;
constexpr std::uint32_t kInfoHeaderBytes = 40;
constexpr std::size_t kMaxPaletteEntries = 256;

struct BmpHeader {
    std::int64_t width = 0;
    std::int64_t height = 0;  // negative: rows stored top to bottom
    std::uint32_t bits = 0;
};

// A palette of up to 256 entries as blue, green, red bytes; indices past `count` read as black.
struct Palette {
    std::array<std::array<std::uint8_t, 3>, kMaxPaletteEntries> entries{};
    std::size_t count = 0;
};

bool DepthSupported(std::uint32_t bits) {
    return bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32;
}

// Reads count palette entries of entryBytes bytes (blue, green, red[, unused]).
void ReadPalette(ByteCursor& in, std::size_t count, std::size_t entryBytes, Palette& palette) {
    for (std::size_t i = 0; i < count; ++i) {
        const auto entry = in.Take(entryBytes);
        if (entry.empty()) return;
        if (i < kMaxPaletteEntries) {
            palette.entries[i] = {entry[0], entry[1], entry[2]};
            palette.count = i + 1;
        }
    }
}

// Reads the info header and palette; leaves the cursor at the first pixel row. False on a bad header.
bool ReadHeaders(ByteCursor& in, BmpHeader& header, Palette& palette) {
    if (in.U8() != 'B' || in.U8() != 'M') return false;
    in.U32();  // file size
    in.U16();  // reserved
    in.U16();
    const std::uint32_t offset = in.U32();
    const std::uint32_t headerSize = in.U32();
    if (in.Truncated()) return false;
    if (headerSize != kCoreHeaderBytes && headerSize != kInfoHeaderBytes) return false;
    // The offset must leave room for the header it names.
    if (offset < kFileHeaderBytes + headerSize) return false;

    if (headerSize == kCoreHeaderBytes) {
        header.width = in.U16();
        header.height = in.U16();
        in.U16();  // planes
        header.bits = in.U16();
    } else {
        header.width = in.I32();
        header.height = in.I32();
        in.U16();  // planes
        header.bits = in.U16();
        in.Take(24);  // compression, image size, resolution, colours used and important: not used
    }
    if (in.Truncated() || !DepthSupported(header.bits)) return false;

    if (header.bits <= 8) {
        if (headerSize == kCoreHeaderBytes) {
            // NOTE: the core palette always has 2^bits entries; it is read even when it ends within 40
            // bytes of the file header (a 1-bit core picture), which would otherwise have no palette.
            ReadPalette(in, std::size_t{1} << header.bits, 3, palette);
        } else if (offset - kFileHeaderBytes > kInfoHeaderBytes) {
            const std::uint32_t paletteBytes = offset - kFileHeaderBytes - kInfoHeaderBytes;
            ReadPalette(in, paletteBytes / 4, 4, palette);
            in.Take(paletteBytes % 4);
        }
        // A paletted picture without any palette cannot be decoded.
        if (palette.count == 0) return false;
    } else if (headerSize == kInfoHeaderBytes && offset - kFileHeaderBytes > kInfoHeaderBytes) {
        in.Take(offset - kFileHeaderBytes - kInfoHeaderBytes);  // a palette a true-colour picture ignores
    }
    return !in.Truncated();
}

std::uint8_t PaletteIndex(const std::uint8_t* row, std::int32_t x, std::uint32_t bits) {
    switch (bits) {
        case 1: return (row[x / 8] >> (7 - x % 8)) & 1;
        case 4: return x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 0x0F;
        default: return row[x];
    }
}

void DecodeRow(const std::uint8_t* src, std::uint8_t* dst, std::int32_t width, std::uint32_t bits,
               const Palette& palette, std::int32_t key) {
    for (std::int32_t x = 0; x < width; ++x, dst += 4) {
        std::uint8_t blue = 0, green = 0, red = 0;
        if (bits <= 8) {
            const std::uint8_t index = PaletteIndex(src, x, bits);
            if (index < palette.count) {
                blue = palette.entries[index][0];
                green = palette.entries[index][1];
                red = palette.entries[index][2];
            }
        } else {
            const std::uint8_t* p = src + static_cast<std::size_t>(x) * (bits / 8);
            blue = p[0];
            green = p[1];
            red = p[2];
        }
        if (key != kNoColourKey && PackColour(red, green, blue) == key) {
            dst[0] = dst[1] = dst[2] = dst[3] = 0;
        } else {
            dst[0] = red;
            dst[1] = green;
            dst[2] = blue;
            dst[3] = 255;
        }
    }
}

}  // namespace

bool ReadBmp(std::span<const std::uint8_t> file, ImageBuffer& image, std::int32_t key, std::int64_t maxPixels,
             const char* name) {
    image.width = image.height = 0;
    ByteCursor in(file);
    BmpHeader header;
    Palette palette;
    if (!ReadHeaders(in, header, palette)) return false;

    const std::int64_t rows = std::llabs(header.height);
    if (header.width < 1 || header.width > kMaxPictureSide || rows < 1 || rows > kMaxPictureSide) return false;
    if (!PictureFitsLimit(header.width, rows, maxPixels, name)) return false;
    const std::int32_t width = static_cast<std::int32_t>(header.width);
    const std::int32_t height = static_cast<std::int32_t>(rows);
    const std::size_t rowBytes = ((static_cast<std::size_t>(width) * header.bits + 7) / 8 + 3) / 4 * 4;
    // The rows must all be in the file before anything is allocated for them.
    if (rowBytes * static_cast<std::size_t>(height) > in.Remaining()) return false;
    const auto data = in.Take(rowBytes * static_cast<std::size_t>(height));
    if (!image.Resize(width, height)) return false;

    const bool bottomUp = header.height > 0;
    for (std::int32_t y = 0; y < height; ++y) {
        const std::int32_t fileRow = bottomUp ? height - 1 - y : y;
        DecodeRow(data.data() + rowBytes * static_cast<std::size_t>(fileRow), image.Row(y), width, header.bits,
                  palette, key);
    }
    return true;
}

}  // namespace tarvok
