#include "gfx2d/bmp_reader.h"

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/gfx2d/fixtures.h"

namespace {

using tarvok::ImageBuffer;
using tarvok::kNoColourKey;
using tarvok::ReadBmp;

using fixtures::BmpBytes;

// Compares our decoding with ImageMagick's, pixel by pixel (alpha always 255: the fourth byte of 32-bit
// pixels is not read).
void ExpectSameAsImageMagick(const std::string& path) {
    SCOPED_TRACE(path);
    const auto ref = fixtures::DecodeWithImageMagick(path);
    ASSERT_GT(ref.width, 0);
    ImageBuffer image;
    ASSERT_TRUE(ReadBmp(fixtures::ReadFile(path), image, kNoColourKey));
    ASSERT_EQ(image.width, ref.width);
    ASSERT_EQ(image.height, ref.height);
    std::vector<std::uint8_t> expected = ref.rgba;
    for (std::size_t i = 3; i < expected.size(); i += 4) expected[i] = 255;
    EXPECT_EQ(image.pixels, expected);
}

std::uint32_t Bits(const std::vector<std::uint8_t>& file) {
    const std::uint32_t header = file[14];
    return header == 12 ? file[24] : file[28];
}

}  // namespace

TEST(BmpReader, MatchesImageMagickInEveryDepthAndHeader) {
    const std::string src = fixtures::MakeSourcePicture("bmp-src.png", 37, 23);
    struct Case {
        const char* name;
        const char* options;
        std::uint32_t bits;
        std::uint32_t header;
    };
    const Case cases[] = {
        {"info24.bmp", "-type TrueColor BMP3:", 24, 40},
        {"core24.bmp", "-type TrueColor BMP2:", 24, 12},
        {"info8.bmp", "-colors 200 -type Palette -compress None BMP3:", 8, 40},
        {"core8.bmp", "-colors 200 -type Palette BMP2:", 8, 12},
        {"info4.bmp", "-colors 12 -type Palette -compress None BMP3:", 4, 40},
        {"core4.bmp", "-colors 12 -type Palette BMP2:", 4, 12},
        {"info1.bmp", "-monochrome BMP3:", 1, 40},
        {"core1.bmp", "-monochrome BMP2:", 1, 12},
        {"info32.bmp", "-alpha set -channel A -fx 'i/w' +channel -define bmp3:alpha=true BMP3:", 32, 40},
    };
    for (const Case& c : cases) {
        const std::string path = fixtures::TempPath(c.name);
        ASSERT_TRUE(fixtures::Run("convert '" + src + "' " + c.options + "'" + path + "'"));
        const auto file = fixtures::ReadFile(path);
        ASSERT_EQ(file[14], c.header) << c.name;
        ASSERT_EQ(Bits(file), c.bits) << c.name;
        ExpectSameAsImageMagick(path);
    }
}

TEST(BmpReader, TopDownRowsComeOutUpright) {
    const std::string src = fixtures::MakeSourcePicture("td-src.png", 9, 5);
    const std::string path = fixtures::TempPath("bottomup.bmp");
    ASSERT_TRUE(fixtures::Run("convert '" + src + "' -type TrueColor BMP3:'" + path + "'"));
    auto file = fixtures::ReadFile(path);
    ImageBuffer upright;
    ASSERT_TRUE(ReadBmp(file, upright, kNoColourKey));

    // The same rows stored top to bottom, with a negative height.
    const std::size_t rowBytes = (9 * 3 + 3) / 4 * 4;
    std::vector<std::uint8_t> flipped(file.begin(), file.begin() + 54);
    for (int row = 4; row >= 0; --row) {
        const auto start = file.begin() + 54 + static_cast<std::ptrdiff_t>(rowBytes * row);
        flipped.insert(flipped.end(), start, start + static_cast<std::ptrdiff_t>(rowBytes));
    }
    const std::int32_t negative = -5;
    std::memcpy(&flipped[22], &negative, 4);
    ImageBuffer topDown;
    ASSERT_TRUE(ReadBmp(flipped, topDown, kNoColourKey));
    EXPECT_EQ(topDown.height, 5);
    EXPECT_EQ(topDown.pixels, upright.pixels);
}

TEST(BmpReader, ColourKeyMakesMatchingPixelsTransparent) {
    const std::string src = fixtures::MakeSourcePicture("key-src.png", 8, 4);
    const std::string path = fixtures::TempPath("key.bmp");
    ASSERT_TRUE(fixtures::Run("convert '" + src + "' -type TrueColor BMP3:'" + path + "'"));
    const auto ref = fixtures::DecodeWithImageMagick(path);
    ImageBuffer image;
    ASSERT_TRUE(ReadBmp(fixtures::ReadFile(path), image, 0x8000FF));
    int keyed = 0;
    for (std::size_t i = 0; i < image.pixels.size(); i += 4) {
        const bool isKey = ref.rgba[i] == 255 && ref.rgba[i + 1] == 0 && ref.rgba[i + 2] == 128;
        keyed += isKey;
        for (std::size_t c = 0; c < 4; ++c)
            EXPECT_EQ(image.pixels[i + c], isKey ? 0 : c == 3 ? 255 : ref.rgba[i + c]) << i / 4;
    }
    EXPECT_EQ(keyed, 6);  // the 3 x 2 key-coloured rectangle of the source
}

TEST(BmpReader, SmallDepthsAndPalettes) {
    // 1 bit, 8 pixels wide: one byte of pixels padded to a 4-byte row.
    const std::vector<std::uint8_t> twoColours = {0, 0, 0, 0, 10, 20, 30, 0};
    ImageBuffer image;
    ASSERT_TRUE(ReadBmp(BmpBytes(8, 2, 1, twoColours, {0xA5, 0, 0, 0, 0x0F, 0xFF, 0xFF, 0xFF}), image, kNoColourKey));
    ASSERT_EQ(image.width, 8);
    // Bottom-up: the second stored row (0x0F) is the top row.
    for (int x = 0; x < 8; ++x) {
        const std::uint8_t top = x >= 4 ? 30 : 0;
        const std::uint8_t bottom = (0xA5 >> (7 - x)) & 1 ? 30 : 0;
        EXPECT_EQ(image.pixels[static_cast<std::size_t>(x) * 4], top) << x;
        EXPECT_EQ(image.pixels[static_cast<std::size_t>(32 + x * 4)], bottom) << x;
    }

    // 4 bits with a two-entry palette: indices past it read as opaque black.
    ASSERT_TRUE(ReadBmp(BmpBytes(3, 1, 4, twoColours, {0x1F, 0x20, 0, 0}), image, kNoColourKey));
    EXPECT_EQ(image.pixels, (std::vector<std::uint8_t>{30, 20, 10, 255, 0, 0, 0, 255, 0, 0, 0, 255}));

    // A paletted picture without any palette is refused.
    EXPECT_FALSE(ReadBmp(BmpBytes(4, 1, 8, {}, {0, 0, 0, 0}), image, kNoColourKey));
    EXPECT_EQ(image.width, 0);
}

TEST(BmpReader, RefusesWhatItDoesNotRead) {
    const std::string src = fixtures::MakeSourcePicture("bad-src.png", 6, 6);
    ImageBuffer image;
    // 16-bit pixels and ImageMagick's default 124-byte header are not read.
    for (const char* options : {"-define bmp:subtype=RGB565 BMP3:", "-define bmp:subtype=RGB555 BMP3:",
                                "-type TrueColor BMP:"}) {
        const std::string path = fixtures::TempPath("refused.bmp");
        ASSERT_TRUE(fixtures::Run("convert '" + src + "' " + options + "'" + path + "'"));
        EXPECT_FALSE(ReadBmp(fixtures::ReadFile(path), image, kNoColourKey)) << options;
    }

    const std::vector<std::uint8_t> row = {1, 2, 3, 0};
    EXPECT_TRUE(ReadBmp(BmpBytes(1, 1, 24, {}, row), image, kNoColourKey));
    const std::int32_t badSizes[][3] = {{0, 1, 24},     {1, 0, 24},          {-1, 1, 24}, {32768, 1, 24},
                                        {1, -32768, 24}, {1, INT32_MIN, 24}, {1, 1, 2},   {1, 1, 16}};
    for (const auto& b : badSizes) {
        EXPECT_FALSE(ReadBmp(BmpBytes(b[0], b[1], static_cast<std::uint16_t>(b[2]), {}, row), image, kNoColourKey))
            << b[0] << " x " << b[1] << " x " << b[2];
    }
    // Large sizes with too few bytes fail before anything is allocated for them.
    EXPECT_FALSE(ReadBmp(BmpBytes(32767, 32767, 32, {}, row), image, kNoColourKey));
    EXPECT_EQ(image.Capacity(), 4);

    // The offset ending inside the header it names, an unknown header size, a wrong magic word.
    for (const auto& [at, value] : {std::pair{10, 40}, {14, 41}, {1, 'A'}}) {
        auto damaged = BmpBytes(1, 1, 24, {}, row);
        damaged[at] = static_cast<std::uint8_t>(value);
        EXPECT_FALSE(ReadBmp(damaged, image, kNoColourKey)) << at;
    }

    // Every truncation of a valid file fails cleanly.
    const auto full = BmpBytes(3, 2, 24, {}, std::vector<std::uint8_t>(24, 7));
    for (std::size_t n = 0; n < full.size(); ++n) {
        EXPECT_FALSE(ReadBmp(std::span(full.data(), n), image, kNoColourKey)) << n;
    }
    EXPECT_TRUE(ReadBmp(full, image, kNoColourKey));
}
