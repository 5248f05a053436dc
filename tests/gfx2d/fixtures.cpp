#include "tests/gfx2d/fixtures.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include <zlib.h>

namespace fixtures {

std::string TempPath(const std::string& name) {
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir ? dir : "/tmp") + "/" + name;
}

bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }

std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Reference DecodeWithImageMagick(const std::string& path, bool highByte) {
    Reference ref;
    const std::string raw = path + ".rgba";
    const std::string size = path + ".size";
    const std::string depth = highByte ? "-depth 16 -endian MSB" : "-depth 8";
    if (!Run("convert '" + path + "' " + depth + " rgba:'" + raw + "' && identify -format '%w %h' '" + path +
             "' > '" + size + "'")) {
        return ref;
    }
    if (FILE* f = std::fopen(size.c_str(), "r")) {
        if (std::fscanf(f, "%d %d", &ref.width, &ref.height) != 2) ref.width = ref.height = 0;
        std::fclose(f);
    }
    ref.rgba = ReadFile(raw);
    if (highByte) {
        for (std::size_t i = 0; i < ref.rgba.size() / 2; ++i) ref.rgba[i] = ref.rgba[2 * i];
        ref.rgba.resize(ref.rgba.size() / 2);
    }
    return ref;
}

std::string MakeSourcePicture(const std::string& name, int w, int h) {
    const std::string path = TempPath(name);
    const std::string size = std::to_string(w) + "x" + std::to_string(h);
    Run("convert -size " + size + " gradient:'#ff2000'-'#0030ff' -swirl 120 -fill '#ff0080' -draw 'rectangle 1,1 3,2'"
        " -fill white -draw 'point 0,0' '" + path + "'");
    return path;
}

namespace {

void Put16(std::vector<std::uint8_t>& b, std::uint32_t v) {
    b.push_back(v & 0xFF);
    b.push_back((v >> 8) & 0xFF);
}
void Put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

void PutBe32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) b.push_back(static_cast<std::uint8_t>(v >> shift));
}

void Chunk(std::vector<std::uint8_t>& png, const char* type, const std::vector<std::uint8_t>& data) {
    PutBe32(png, static_cast<std::uint32_t>(data.size()));
    std::vector<std::uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    png.insert(png.end(), body.begin(), body.end());
    PutBe32(png, static_cast<std::uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
}

}  // namespace

std::vector<std::uint8_t> PngBytes(std::uint32_t w, std::uint32_t h, std::uint8_t depth, std::uint8_t colourType,
                                   const std::vector<std::uint8_t>& raw, const std::vector<std::uint8_t>& palette,
                                   const std::vector<std::uint8_t>& trns) {
    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> ihdr;
    PutBe32(ihdr, w);
    PutBe32(ihdr, h);
    ihdr.insert(ihdr.end(), {depth, colourType, 0, 0, 0});
    Chunk(png, "IHDR", ihdr);
    if (!palette.empty()) Chunk(png, "PLTE", palette);
    if (!trns.empty()) Chunk(png, "tRNS", trns);
    uLongf size = compressBound(static_cast<uLong>(raw.size()));
    std::vector<std::uint8_t> packed(size);
    compress2(packed.data(), &size, raw.data(), static_cast<uLong>(raw.size()), 9);
    packed.resize(size);
    Chunk(png, "IDAT", packed);
    Chunk(png, "IEND", {});
    return png;
}

std::vector<std::uint8_t> BmpBytes(std::int32_t w, std::int32_t h, std::uint16_t bits,
                                   const std::vector<std::uint8_t>& palette, const std::vector<std::uint8_t>& rows) {
    std::vector<std::uint8_t> b = {'B', 'M'};
    const auto offset = static_cast<std::uint32_t>(54 + palette.size());
    Put32(b, static_cast<std::uint32_t>(offset + rows.size()));
    Put32(b, 0);
    Put32(b, offset);
    Put32(b, 40);
    Put32(b, static_cast<std::uint32_t>(w));
    Put32(b, static_cast<std::uint32_t>(h));
    Put16(b, 1);
    Put16(b, bits);
    for (int i = 0; i < 6; ++i) Put32(b, 0);
    b.insert(b.end(), palette.begin(), palette.end());
    b.insert(b.end(), rows.begin(), rows.end());
    return b;
}

}  // namespace fixtures
