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

}  // namespace fixtures
