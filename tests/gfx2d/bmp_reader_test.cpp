#include "gfx2d/bmp_reader.h"

#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "tests/gfx2d/fixtures.h"

namespace {

using fixtures::BmpBytes;
using tarvok::ImageBuffer;
using tarvok::kNoColourKey;
using tarvok::ReadBmp;
using Bytes = std::vector<std::uint8_t>;

}  // namespace

// Every depth and both header sizes, read with and without the colour key, against ImageMagick.
TEST(BmpReader, MatchesImageMagickInEveryDepthAndHeader) {
    const std::string src = fixtures::MakeSourcePicture("bmp-src.png", 37, 23);
    const std::tuple<const char*, int, int> cases[] = {  // {options, bits, header size}
        {"-type TrueColor BMP3:", 24, 40},
        {"-type TrueColor BMP2:", 24, 12},
        {"-colors 200 -type Palette -compress None BMP3:", 8, 40},
        {"-colors 200 -type Palette BMP2:", 8, 12},
        {"-colors 12 -type Palette -compress None BMP3:", 4, 40},
        {"-colors 12 -type Palette BMP2:", 4, 12},
        {"-monochrome BMP3:", 1, 40},
        {"-monochrome BMP2:", 1, 12},
        {"-alpha set -channel A -fx 'i/w' +channel -define bmp3:alpha=true BMP3:", 32, 40},
    };
    int keyed = 0;
    for (const auto& [options, bits, header] : cases) {
        SCOPED_TRACE(options);
        const std::string path = fixtures::Convert(src, options, "depth.bmp");
        const Bytes file = fixtures::ReadFile(path);
        ASSERT_EQ(file.at(14), header);
        ASSERT_EQ(file.at(header == 12 ? 24 : 28), bits);
        Bytes expected = fixtures::DecodeWithImageMagick(path).rgba, expectedKeyed = expected;
        for (std::size_t i = 0; i < expected.size(); i += 4) {
            expected[i + 3] = 255;  // the fourth byte of 32-bit pixels is not read
            const bool isKey = expected[i] == 255 && expected[i + 1] == 0 && expected[i + 2] == 128;
            keyed += isKey;
            for (std::size_t c = 0; c < 4; ++c) expectedKeyed[i + c] = isKey ? 0 : expected[i + c];
        }
        ImageBuffer image;
        ASSERT_TRUE(ReadBmp(file, image, kNoColourKey));
        EXPECT_EQ(std::pair(image.width, image.height), std::pair(37, 23));
        EXPECT_EQ(image.pixels, expected);
        ASSERT_TRUE(ReadBmp(file, image, 0x8000FF));
        EXPECT_EQ(image.pixels, expectedKeyed);
    }
    EXPECT_GE(keyed, 12);  // at least the 3 x 2 key rectangle of both true-colour files
}

TEST(BmpReader, RowOrderSmallDepthsAndPalettes) {
    // 1 bit, 8 pixels wide: one byte padded to a 4-byte row. Bottom-up, so 0x0F is the top row.
    const Bytes twoColours = {0, 0, 0, 0, 10, 20, 30, 0}, bottomUp = {0xA5, 0, 0, 0, 0x0F, 0xFF, 0xFF, 0xFF};
    ImageBuffer image, topDown;
    ASSERT_TRUE(ReadBmp(BmpBytes(8, 2, 1, twoColours, bottomUp), image, kNoColourKey));
    Bytes reds;
    for (std::size_t i = 0; i < image.pixels.size(); i += 4) reds.push_back(image.pixels[i]);
    EXPECT_EQ(reds, (Bytes{0, 0, 0, 0, 30, 30, 30, 30, 30, 0, 30, 0, 0, 30, 0, 30}));
    // The same rows stored top to bottom, with a negative height.
    const Bytes rows = {0x0F, 0xFF, 0xFF, 0xFF, 0xA5, 0, 0, 0};
    ASSERT_TRUE(ReadBmp(BmpBytes(8, -2, 1, twoColours, rows), topDown, kNoColourKey));
    EXPECT_EQ(topDown.height, 2);
    EXPECT_EQ(topDown.pixels, image.pixels);

    // 4 bits with a two-entry palette: indices past it read as opaque black.
    ASSERT_TRUE(ReadBmp(BmpBytes(3, 1, 4, twoColours, {0x1F, 0x20, 0, 0}), image, kNoColourKey));
    EXPECT_EQ(image.pixels, (Bytes{30, 20, 10, 255, 0, 0, 0, 255, 0, 0, 0, 255}));
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
        const Bytes file = fixtures::ReadFile(fixtures::Convert(src, options, "refused.bmp"));
        ASSERT_GT(file.size(), 54u);
        EXPECT_FALSE(ReadBmp(file, image, kNoColourKey)) << options;
    }

    const Bytes row = {1, 2, 3, 0};
    EXPECT_TRUE(ReadBmp(BmpBytes(1, 1, 24, {}, row), image, kNoColourKey));
    const std::int32_t badSizes[][3] = {{0, 1, 24},      {1, 0, 24},         {-1, 1, 24}, {32768, 1, 24},
                                        {1, -32768, 24}, {1, INT32_MIN, 24}, {1, 1, 2},   {1, 1, 16}};
    for (const auto& [w, h, bits] : badSizes) {
        const auto depth = static_cast<std::uint16_t>(bits);
        EXPECT_FALSE(ReadBmp(BmpBytes(w, h, depth, {}, row), image, kNoColourKey)) << w << "x" << h;
    }
    // Large sizes with too few bytes fail before anything is allocated for them.
    EXPECT_FALSE(ReadBmp(BmpBytes(32767, 32767, 32, {}, row), image, kNoColourKey));
    EXPECT_EQ(image.Capacity(), 4);

    // The offset ending inside the header it names, an unknown header size, a wrong magic word.
    for (const auto& [at, value] : {std::pair{10, 40}, {14, 41}, {1, 'A'}}) {
        Bytes damaged = BmpBytes(1, 1, 24, {}, row);
        damaged[at] = static_cast<std::uint8_t>(value);
        EXPECT_FALSE(ReadBmp(damaged, image, kNoColourKey)) << at;
    }
    // Every truncation of a valid file fails cleanly.
    const Bytes full = BmpBytes(3, 2, 24, {}, Bytes(24, 7));
    for (std::size_t n = 0; n < full.size(); ++n) {
        EXPECT_FALSE(ReadBmp(std::span(full.data(), n), image, kNoColourKey)) << n;
    }
    EXPECT_TRUE(ReadBmp(full, image, kNoColourKey));
}
