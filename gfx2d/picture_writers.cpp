// Picture writers: BMP by hand, PNG through libpng into memory, then one checked file write.
#include "gfx2d/picture_writers.h"

#include <png.h>

#include <algorithm>
#include <cctype>
#include <csetjmp>
#include <cstdio>
#include <new>

#include "platform/system.h"

namespace tarvok {
namespace {

constexpr std::uint32_t kBmpHeaderBytes = 54;
constexpr std::uint32_t kPixelsPerMetre = 10000;
// A key pixel in a BMP: red 255, green 0, blue 128.
constexpr std::uint8_t kBmpKey[3] = {255, 0, 128};

void Put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    Put16(out, static_cast<std::uint16_t>(v));
    Put16(out, static_cast<std::uint16_t>(v >> 16));
}

bool Empty(const ImageBuffer& image) {
    return image.width <= 0 || image.height <= 0 ||
           image.pixels.size() <
               static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 4;
}

// libpng appends the file to a vector; errors long-jump back to EncodePng. Everything the jump must not
// skip the destruction of lives here, outside the function that calls setjmp.
struct PngWriteSession {
    png_structp png = nullptr;
    png_infop info = nullptr;
    std::vector<std::uint8_t>* out = nullptr;
    std::vector<std::uint8_t> block;  // RGBA rows, top row first
    std::vector<png_bytep> rows;

    ~PngWriteSession() { png_destroy_write_struct(&png, &info); }
};

void WriteToMemory(png_structp png, png_bytep data, png_size_t count) {
    auto* session = static_cast<PngWriteSession*>(png_get_io_ptr(png));
    try {
        session->out->insert(session->out->end(), data, data + count);
    } catch (const std::bad_alloc&) {
        png_error(png, "out of memory");
    }
}

void NoFlush(png_structp) {}
void SilentError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void SilentWarning(png_structp, png_const_charp) {}

// Runs libpng over the prepared session; false on its error long-jump.
bool RunPngWriter(PngWriteSession& s, std::int32_t w, std::int32_t h) {
    if (setjmp(png_jmpbuf(s.png))) return false;
    png_set_write_fn(s.png, &s, WriteToMemory, NoFlush);
    png_set_IHDR(s.png, s.info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), 8,
                 PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(s.png, s.info);
    png_write_image(s.png, s.rows.data());
    png_write_end(s.png, nullptr);
    return true;
}

bool WriteAll(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    std::FILE* file = std::fopen(name.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    if (written && closed) return true;
    platform::RemoveFile(name);
    return false;
}

}  // namespace

std::vector<std::uint8_t> EncodeBmp(const ImageBuffer& image, const SavedKey& key) {
    std::vector<std::uint8_t> out;
    if (Empty(image)) return out;
    const std::int32_t w = image.width, h = image.height;
    const std::int64_t rowBytes = BmpRowBytes(w);
    const std::int64_t pixelBytes = rowBytes * h;  // at most 3 x 32767 x 32767: fits 32 bits
    out.reserve(static_cast<std::size_t>(pixelBytes + kBmpHeaderBytes));
    out.push_back('B');
    out.push_back('M');
    Put32(out, static_cast<std::uint32_t>(pixelBytes + kBmpHeaderBytes));
    Put16(out, 0);
    Put16(out, 0);
    Put32(out, kBmpHeaderBytes);
    Put32(out, 40);
    Put32(out, static_cast<std::uint32_t>(w));
    Put32(out, static_cast<std::uint32_t>(h));
    Put16(out, 1);
    Put16(out, 24);
    Put32(out, 0);  // no compression
    Put32(out, 0);  // image size
    Put32(out, kPixelsPerMetre);
    Put32(out, kPixelsPerMetre);
    Put32(out, 0);  // colours used
    Put32(out, 0);  // important colours
    for (std::int32_t i = 0; i < h; ++i) {
        const std::uint8_t* src = image.Row(h - 1 - i);  // bottom row first
        for (std::int32_t x = 0; x < w; ++x, src += 4) {
            const std::uint8_t* rgb = key.Matches(src) ? kBmpKey : src;
            out.push_back(rgb[2]);
            out.push_back(rgb[1]);
            out.push_back(rgb[0]);
        }
        out.resize(out.size() + static_cast<std::size_t>(rowBytes - static_cast<std::int64_t>(w) * 3), 0);
    }
    return out;
}

bool EncodePng(const ImageBuffer& image, const SavedKey& key, std::vector<std::uint8_t>& out) {
    out.clear();
    if (Empty(image)) return false;
    PngWriteSession s;
    s.out = &out;
    s.block.assign(image.pixels.begin(),
                   image.pixels.begin() + static_cast<std::ptrdiff_t>(image.width) * image.height * 4);
    for (std::size_t at = 0; at < s.block.size(); at += 4)
        s.block[at + 3] = key.Matches(&s.block[at]) ? 0 : 255;
    s.rows.resize(static_cast<std::size_t>(image.height));
    for (std::int32_t y = 0; y < image.height; ++y) {
        s.rows[static_cast<std::size_t>(y)] = s.block.data() + static_cast<std::size_t>(y) * image.width * 4;
    }
    s.png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, SilentError, SilentWarning);
    if (!s.png) return false;
    s.info = png_create_info_struct(s.png);
    if (!s.info || !RunPngWriter(s, image.width, image.height)) {
        out.clear();
        return false;
    }
    return true;
}

bool NamesPng(const std::string& name) {
    if (name.size() <= 4) return false;
    std::string tail = name.substr(name.size() - 4);
    std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return std::tolower(c); });
    return tail == ".png";
}

bool WritePictureFile(const std::string& name, const ImageBuffer& image, const SavedKey& key) {
    std::vector<std::uint8_t> bytes;
    if (NamesPng(name)) {
        if (!EncodePng(image, key, bytes)) return false;
    } else {
        bytes = EncodeBmp(image, key);
        if (bytes.empty()) return false;
    }
    std::string path = name;
    std::replace(path.begin(), path.end(), '\\', '/');
    platform::RemoveFile(path);
    return WriteAll(path, bytes);
}

}  // namespace tarvok
