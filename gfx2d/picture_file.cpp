// Picture files.
#include "gfx2d/picture_file.h"

#include <algorithm>
#include <fstream>

#include "gfx2d/bmp_reader.h"
#include "gfx2d/png_reader.h"

namespace tarvok {

bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
    std::string name = path;
    std::replace(name.begin(), name.end(), '\\', '/');
    std::ifstream in(name, std::ios::binary | std::ios::ate);
    if (!in) return false;
    const std::streamoff size = in.tellg();
    if (size < 0 || static_cast<std::uint64_t>(size) > kMaxPictureFileBytes) return false;
    bytes.resize(static_cast<std::size_t>(size));
    in.seekg(0);
    return static_cast<bool>(in.read(reinterpret_cast<char*>(bytes.data()), size));
}

bool ReadPictureFile(const std::string& path, ImageBuffer& image, std::int32_t key, std::int64_t maxPixels) {
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(path, bytes)) return false;
    return ReadBmp(bytes, image, key, maxPixels, path.c_str()) ||
           ReadPng(bytes, path.c_str(), image, key, maxPixels);
}

}  // namespace tarvok
