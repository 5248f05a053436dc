// Picture fixtures: files written from bytes or made by ImageMagick, and independent decoders.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace fixtures {

using Bytes = std::vector<std::uint8_t>;

std::string TempPath(const std::string& name);  // inside the run's private temporary directory
bool Run(const std::string& command);           // a shell command; true when it exits with 0
Bytes ReadFile(const std::string& path);
void WriteFile(const std::string& path, const Bytes& bytes);

// ImageMagick's RGBA rows from the top; highByte keeps the high bytes of 16-bit samples (no rounding).
struct Reference {
    int width = 0, height = 0;
    Bytes rgba;
};
Reference DecodeWithImageMagick(const std::string& path, bool highByte = false);
// A Python decoder over zlib for 8-bit RGBA PNGs; width and height 0 when it rejects the file.
Reference DecodePngWithPython(const std::string& path);

// A colourful w x h PNG made by ImageMagick, with a 3 x 2 key-coloured rectangle at (1, 1).
std::string MakeSourcePicture(const std::string& name, int w, int h);
// ImageMagick's conversion of source with the given options (ending in the output format); its path.
std::string Convert(const std::string& source, const std::string& options, const std::string& name);

// A BMP with the 40-byte info header; palette entries are 4 bytes (blue, green, red, 0).
Bytes BmpBytes(std::int32_t w, std::int32_t h, std::uint16_t bits, const Bytes& palette, const Bytes& rows);

// A 24-bit BMP, colour(x, y) = red + green x 256 + blue x 65536 with y from the top; returns its path.
template <typename Colour>
std::string BmpFile(const std::string& name, int w, int h, Colour colour) {
    Bytes rows;
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            const auto c = static_cast<std::uint32_t>(colour(x, y));
            for (const int shift : {16, 8, 0}) rows.push_back(static_cast<std::uint8_t>(c >> shift));
        }
        rows.resize(rows.size() + (4 - (w * 3) % 4) % 4, 0);
    }
    const std::string path = TempPath(name);
    WriteFile(path, BmpBytes(w, h, 24, {}, rows));
    return path;
}

// A PNG written from bytes: raw rows (each with its filter byte) deflated by zlib into one IDAT.
Bytes PngBytes(std::uint32_t w, std::uint32_t h, std::uint8_t depth, std::uint8_t type, const Bytes& raw,
               const Bytes& palette = {}, const Bytes& trns = {});

}  // namespace fixtures
