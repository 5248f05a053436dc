// Picture fixtures for the 2D tests: files made by ImageMagick and Python in the run's temporary
// directory, and ImageMagick's own decoding of them as the reference.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fixtures {

// A path inside the run's private temporary directory.
std::string TempPath(const std::string& name);

// Runs a shell command; true when it exits with status 0.
bool Run(const std::string& command);

// Reads a whole file.
std::vector<std::uint8_t> ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

// The picture as ImageMagick decodes it: width, height and 8-bit RGBA rows from the top. With highByte
// the samples are decoded at 16 bits and their high bytes kept (no rounding to 8 bits).
struct Reference {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;
};
Reference DecodeWithImageMagick(const std::string& path, bool highByte = false);

// A colourful test picture made by ImageMagick (PNG, w x h, many colours, some pure key-coloured pixels).
std::string MakeSourcePicture(const std::string& name, int w, int h);

// A BMP with the 40-byte info header; palette entries are 4 bytes (blue, green, red, 0).
std::vector<std::uint8_t> BmpBytes(std::int32_t w, std::int32_t h, std::uint16_t bits,
                                   const std::vector<std::uint8_t>& palette, const std::vector<std::uint8_t>& rows);

// Writes a 24-bit bottom-up BMP with the 40-byte header; colour(x, y) gives red + green x 256 +
// blue x 65536 for the pixel at (x, y), y from the top.
template <typename Colour>
void WriteBmp24(const std::string& path, int w, int h, Colour colour) {
    std::vector<std::uint8_t> rows;
    const int padding = (4 - (w * 3) % 4) % 4;
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            const std::uint32_t c = static_cast<std::uint32_t>(colour(x, y));
            rows.push_back(static_cast<std::uint8_t>(c >> 16));
            rows.push_back(static_cast<std::uint8_t>(c >> 8));
            rows.push_back(static_cast<std::uint8_t>(c));
        }
        for (int i = 0; i < padding; ++i) rows.push_back(0);
    }
    WriteFile(path, BmpBytes(w, h, 24, {}, rows));
}

// WriteBmp24 into the temporary directory; returns the file's path.
template <typename Colour>
std::string BmpFile(const std::string& name, int w, int h, Colour colour) {
    const std::string path = TempPath(name);
    WriteBmp24(path, w, h, colour);
    return path;
}

// A PNG written from bytes: raw rows (each with its filter byte) deflated by zlib into one IDAT.
std::vector<std::uint8_t> PngBytes(std::uint32_t w, std::uint32_t h, std::uint8_t depth, std::uint8_t colourType,
                                   const std::vector<std::uint8_t>& raw, const std::vector<std::uint8_t>& palette = {},
                                   const std::vector<std::uint8_t>& trns = {});

}  // namespace fixtures
