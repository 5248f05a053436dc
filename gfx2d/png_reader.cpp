// PNG reader: libpng reads from memory through a read callback, expands palettes, low grey depths and
// transparency chunks, strips 16-bit samples and unpacks small samples, then rows are converted to RGBA.
// libpng reports errors by long-jumping; everything that must survive the jump lives in PngSession,
// outside the function that calls setjmp.
#include "gfx2d/png_reader.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include <png.h>

namespace tarvok {
namespace {

// Deflate cannot shrink data by more than about 1032 to 1; a picture claiming far more raw bytes than
// its file could ever hold is refused before its rows are allocated.
constexpr std::uint64_t kMaxInflateRatio = 1100;
constexpr std::uint64_t kInflateSlackBytes = 4096;

// Ancillary chunks the engine never uses: skipped unread, so none of them takes memory.
constexpr png_byte kSkippedChunks[] =
    "bKGD\0cHRM\0eXIf\0gAMA\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0pHYs\0"
    "sBIT\0sCAL\0sPLT\0sRGB\0sTER\0tEXt\0tIME\0zTXt";
constexpr int kSkippedChunkCount = sizeof kSkippedChunks / 5;
// No chunk may claim more (the pixel data excepted, which libpng reads piece by piece), nor may more
// chunks be kept than this.
constexpr png_alloc_size_t kMaxChunkBytes = 8'000'000;
constexpr png_uint_32 kMaxCachedChunks = 64;

struct MemorySource {
    std::span<const std::uint8_t> bytes;
    std::size_t pos = 0;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
    auto* source = static_cast<MemorySource*>(png_get_io_ptr(png));
    if (count > source->bytes.size() - source->pos) png_error(png, "truncated");
    std::memcpy(out, source->bytes.data() + source->pos, count);
    source->pos += count;
}

// Errors and warnings are not printed: a failed read is reported by the result alone.
void SilentError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void SilentWarning(png_structp, png_const_charp) {}

struct PngSession {
    png_structp png = nullptr;
    png_infop info = nullptr;
    MemorySource source;
    std::vector<std::uint8_t> block;
    std::vector<png_bytep> rows;

    ~PngSession() { png_destroy_read_struct(&png, &info, nullptr); }
};

void ConvertRows(const PngSession& s, std::uint32_t channels, ImageBuffer& image, std::int32_t key) {
    for (std::int32_t y = 0; y < image.height; ++y) {
        const std::uint8_t* src = s.rows[static_cast<std::size_t>(y)];
        std::uint8_t* dst = image.Row(y);
        for (std::int32_t x = 0; x < image.width; ++x, src += channels, dst += 4) {
            if (channels == 4) {
                std::memcpy(dst, src, 4);
            } else if (channels == 3) {
                const bool keyed = key != kNoColourKey && PackColour(src[0], src[1], src[2]) == key;
                dst[0] = keyed ? 0 : src[0];
                dst[1] = keyed ? 0 : src[1];
                dst[2] = keyed ? 0 : src[2];
                dst[3] = keyed ? 0 : 255;
            } else {
                dst[0] = dst[1] = dst[2] = src[0];
                dst[3] = 255;
            }
        }
    }
}

// Runs the decode; every libpng call that can fail is made here, under setjmp.
bool Decode(PngSession& s, const char* name, ImageBuffer& image, std::int32_t key, std::int64_t maxPixels) {
    if (setjmp(png_jmpbuf(s.png))) return false;
    png_set_read_fn(s.png, &s.source, ReadFromMemory);
    png_set_user_limits(s.png, kMaxPictureSide, kMaxPictureSide);
    png_set_chunk_malloc_max(s.png, kMaxChunkBytes);
    png_set_chunk_cache_max(s.png, kMaxCachedChunks);
    png_set_keep_unknown_chunks(s.png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
    png_set_keep_unknown_chunks(s.png, PNG_HANDLE_CHUNK_NEVER, kSkippedChunks, kSkippedChunkCount);
    png_read_info(s.png, s.info);
    const std::uint32_t fileWidth = png_get_image_width(s.png, s.info);
    if (!PictureFitsLimit(fileWidth, png_get_image_height(s.png, s.info), maxPixels, name)) return false;
    // The rows as the file stores them (before any expansion) must fit what its data can inflate to.
    const std::uint64_t storedBytes =
        (static_cast<std::uint64_t>(png_get_rowbytes(s.png, s.info)) + 1) * png_get_image_height(s.png, s.info);
    if (storedBytes > s.source.bytes.size() * kMaxInflateRatio + kInflateSlackBytes) return false;
    png_set_expand(s.png);  // palette to RGB, grey below 8 bits to 8 bits, tRNS to alpha
    png_set_expand_gray_1_2_4_to_8(s.png);
    png_set_strip_16(s.png);
    png_set_packing(s.png);
    png_set_interlace_handling(s.png);
    png_read_update_info(s.png, s.info);

    const std::uint32_t channels = png_get_channels(s.png, s.info);
    if (channels != 1 && channels != 3 && channels != 4) return false;
    const int depth = png_get_bit_depth(s.png, s.info);
    if (depth != 8) {
        std::printf("File %s has bit depth %d.\n", name, depth);
        std::puts("Only bit depth of 8 is supported.");
        return false;
    }
    const int colourType = png_get_color_type(s.png, s.info);
    if (colourType != PNG_COLOR_TYPE_GRAY && colourType != PNG_COLOR_TYPE_RGB &&
        colourType != PNG_COLOR_TYPE_RGB_ALPHA) {
        std::printf("File %s has unsupported color type.\n", name);
        std::puts("Types GRAY, RGB and RGB_ALPHA are supported.");
        return false;
    }
    const std::uint32_t width = png_get_image_width(s.png, s.info);
    const std::uint32_t height = png_get_image_height(s.png, s.info);
    const std::size_t rowBytes = png_get_rowbytes(s.png, s.info);
    if (height == 0 || rowBytes < static_cast<std::size_t>(width) * channels) return false;
    const std::uint64_t rawBytes = static_cast<std::uint64_t>(rowBytes) * height;
    if (!image.Resize(static_cast<std::int32_t>(width), static_cast<std::int32_t>(height))) return false;

    s.block.resize(static_cast<std::size_t>(rawBytes));
    s.rows.resize(height);
    for (std::uint32_t y = 0; y < height; ++y) s.rows[y] = s.block.data() + rowBytes * y;
    png_read_image(s.png, s.rows.data());
    ConvertRows(s, channels, image, key);
    return true;
}

}  // namespace

bool ReadPng(std::span<const std::uint8_t> file, const char* name, ImageBuffer& image, std::int32_t key,
             std::int64_t maxPixels) {
    constexpr std::size_t kSignatureBytes = 8;
    image.width = image.height = 0;
    if (file.size() < kSignatureBytes || png_sig_cmp(file.data(), 0, kSignatureBytes) != 0) return false;
    PngSession s;
    s.source.bytes = file;
    s.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, SilentError, SilentWarning);
    if (!s.png) return false;
    s.info = png_create_info_struct(s.png);
    if (!s.info) return false;
    if (Decode(s, name, image, key, maxPixels)) return true;
    image.width = image.height = 0;
    image.pixels.clear();
    return false;
}

}  // namespace tarvok
