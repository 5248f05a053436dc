// The BMP and PNG readers against ImageMagick's decoding and against files written byte by byte.
#include <sys/resource.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "gfx2d/bmp_reader.h"
#include "gfx2d/png_reader.h"
#include "tests/gfx2d/fixtures.h"

using namespace tarvok;
using fixtures::BmpBytes;
using fixtures::Bytes;
using fixtures::PngBytes;

// Every depth and both header sizes, read with and without the colour key, against ImageMagick.
TEST(BmpReader, MatchesImageMagickInEveryDepthAndHeader) {
    const std::string src = fixtures::MakeSourcePicture("bmp-src.png", 37, 23);
    const std::tuple<const char*, int, int> cases[] = {  // {options, bits, header size}
        {"-type TrueColor BMP3:", 24, 40},           {"-type TrueColor BMP2:", 24, 12},
        {"-colors 200 -type Palette -compress None BMP3:", 8, 40}, {"-colors 200 -type Palette BMP2:", 8, 12},
        {"-colors 12 -type Palette -compress None BMP3:", 4, 40},  {"-colors 12 -type Palette BMP2:", 4, 12},
        {"-monochrome BMP3:", 1, 40},                {"-monochrome BMP2:", 1, 12},
        {"-alpha set -channel A -fx 'i/w' +channel -define bmp3:alpha=true BMP3:", 32, 40}};
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
    // Rows stored top to bottom (a negative height) read as the same rows stored bottom-up.
    const Bytes twoColours = {0, 0, 0, 0, 10, 20, 30, 0}, bottomUp = {0xA5, 0, 0, 0, 0x0F, 0xFF, 0xFF, 0xFF};
    ImageBuffer image, topDown;
    ASSERT_TRUE(ReadBmp(BmpBytes(8, 2, 1, twoColours, bottomUp), image, kNoColourKey));
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
    ImageBuffer image;
    const Bytes row = {1, 2, 3, 0};
    EXPECT_TRUE(ReadBmp(BmpBytes(1, 1, 24, {}, row), image, kNoColourKey));
    // {width, height, bits}: empty, negative and too large sides, 2 and 16 bits a pixel.
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

// 16-bit samples are compared by their high byte: stripping to 8 bits keeps it.
TEST(PngReader, MatchesImageMagickForEveryColourType) {
    const std::string src = fixtures::MakeSourcePicture("png-src.png", 29, 17);
    const char* const cases[][2] = {
        {"rgb.png", "PNG24:"}, {"rgb16.png", "PNG48:"}, {"palette.png", "-colors 40 PNG8:"},
        {"rgba.png", "-alpha set -channel A -fx 'i/w' +channel PNG32:"},
        {"rgba16.png", "-alpha set -channel A -fx 'j/h' +channel PNG64:"},
        {"palette-trns.png", "-alpha set -channel A -fx 'i<5?0:1' +channel -colors 40 PNG8:"},
        {"grey.png", "-colorspace Gray -define png:color-type=0 -define png:bit-depth=8 PNG:"},
        {"grey2.png", "-colorspace Gray -define png:color-type=0 -define png:bit-depth=2 PNG:"},
        {"grey16.png", "-colorspace Gray -define png:color-type=0 -define png:bit-depth=16 PNG:"},
        {"interlaced.png", "-interlace PNG PNG24:"},
        {"interlaced-rgba.png", "-alpha set -channel A -fx 'i/w' +channel -interlace PNG PNG32:"},
    };
    for (const auto& [name, options] : cases) {
        SCOPED_TRACE(name);
        const std::string path = fixtures::Convert(src, options, name);
        const auto ref = fixtures::DecodeWithImageMagick(path, std::strstr(name, "16"));
        ImageBuffer image;
        ASSERT_TRUE(ReadPng(fixtures::ReadFile(path), name, image, kNoColourKey));
        EXPECT_EQ(std::pair(image.width, image.height), std::pair(29, 17));
        EXPECT_EQ(image.pixels, ref.rgba);
    }
}

// One-row pictures written from bytes: the key applies to three-channel pixels only.
TEST(PngReader, ColourKeyAndSmallPalettesFromBytes) {
    const Bytes palette = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120}, trns = {0, 128};
    const struct {
        std::uint32_t width;
        std::uint8_t depth, type;
        Bytes raw;
        std::int32_t key;
        Bytes rgba;
    } cases[] = {
        {2, 8, 2, {0, 255, 0, 128, 255, 255, 255}, 0x8000FF, {0, 0, 0, 0, 255, 255, 255, 255}},
        {1, 8, 6, {0, 255, 0, 128, 77}, 0x8000FF, {255, 0, 128, 77}},  // its own alpha kept
        {1, 8, 0, {0, 0}, 0, {0, 0, 0, 255}},                          // grey black under a black key
        // Indices 0..3 two bits each; entries 2 and 3 have no tRNS value.
        {4, 2, 3, {0, 0x1B}, kNoColourKey,
         {10, 20, 30, 0, 40, 50, 60, 128, 70, 80, 90, 255, 100, 110, 120, 255}},
    };
    for (const auto& c : cases) {
        ImageBuffer image;
        const Bytes file = PngBytes(c.width, 1, c.depth, c.type, c.raw, c.type == 3 ? palette : Bytes{},
                                    c.type == 3 ? trns : Bytes{});
        ASSERT_TRUE(ReadPng(file, "bytes", image, c.key)) << int(c.type);
        EXPECT_EQ(image.pixels, c.rgba) << int(c.type);
    }
}

TEST(PngReader, FailsCleanlyOnBadInput) {
    ImageBuffer image;
    // Grey with alpha fails without a message.
    testing::internal::CaptureStdout();
    EXPECT_FALSE(ReadPng(PngBytes(1, 1, 8, 4, {0, 9, 9}), "ga", image, kNoColourKey));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(image.width, 0);
    EXPECT_FALSE(ReadPng({}, "empty", image, kNoColourKey));
    EXPECT_FALSE(ReadPng(Bytes{'B', 'M', 0, 0, 0, 0}, "bmp", image, kNoColourKey));

    // Every truncation fails (the IEND chunk is not needed for the pixels).
    const auto good = PngBytes(3, 2, 8, 2, Bytes(20, 3));
    ASSERT_TRUE(ReadPng(good, "good", image, kNoColourKey));
    for (std::size_t n = 0; n + 12 < good.size(); ++n) {
        EXPECT_FALSE(ReadPng(std::span(good.data(), n), "cut", image, kNoColourKey)) << n;
    }

    // Sides over 32767 and files too small for their pixels fail unallocated; sparse 1-bit rows do not.
    ImageBuffer fresh;
    EXPECT_FALSE(ReadPng(PngBytes(32768, 1, 8, 2, {0, 1, 2, 3}), "wide", fresh, kNoColourKey));
    EXPECT_FALSE(ReadPng(PngBytes(8000, 8000, 8, 6, {0, 1, 2, 3}), "huge", fresh, kNoColourKey));
    EXPECT_EQ(fresh.Capacity(), 0);
    ASSERT_TRUE(ReadPng(PngBytes(2000, 2000, 1, 0, Bytes(2000 * 251, 0)), "sparse", image, kNoColourKey));
    EXPECT_EQ(image.width, 2000);
    EXPECT_EQ(image.pixels[4 * 1999 * 2000 + 3], 255);
    // A palette index past the palette is an error or reads as black; either way no read goes past it.
    if (ReadPng(PngBytes(2, 1, 8, 3, {0, 0, 200}, {1, 2, 3}), "pal", image, kNoColourKey)) {
        EXPECT_EQ(image.width, 2);
    }
}

TEST(PngReader, OversizedChunksAndPicturesFailBeforeTheirMemoryIsTaken) {
    const auto peakKb = [] {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        return usage.ru_maxrss;
    };
    ImageBuffer image;
    // An ancillary chunk that claims nearly 2 GB in a file of a few dozen bytes.
    Bytes png = PngBytes(1, 1, 8, 0, {0, 0});
    const std::uint8_t splt[] = {0x73, 0x73, 0x50, 0x73, 's', 'P', 'L', 'T', 'p', 'a', 'l', 0, 8};
    png.insert(png.begin() + 33, std::begin(splt), std::end(splt));
    const long before = peakKb();
    EXPECT_FALSE(ReadPng(png, "chunk", image, kNoColourKey));
    EXPECT_LT(peakKb() - before, 64 * 1024);

    // Pictures over a texture's pixels (a 64 KB PNG and an 8 MB BMP, 268 MB each decoded) or over the
    // caller's limit fail with a message before their memory is taken.
    ImageBuffer fresh;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(ReadPng(PngBytes(8193, 8193, 8, 0, Bytes(8194ull * 8193)), "bomb", fresh, 0));
    const Bytes bmp = BmpBytes(8193, 8193, 1, {0, 0, 0, 0, 255, 255, 255, 0}, Bytes(1028 * 8193));
    EXPECT_FALSE(ReadBmp(bmp, fresh, 0, kMaxPicturePixels, "bomb.bmp"));
    EXPECT_FALSE(ReadPng(PngBytes(11, 10, 8, 0, Bytes(120)), "small", fresh, 0, 109));
    EXPECT_EQ(fresh.Capacity(), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "File bomb has 8193 x 8193 pixels; at most 67108864 are loaded.\n"
              "File bomb.bmp has 8193 x 8193 pixels; at most 67108864 are loaded.\n"
              "File small has 11 x 10 pixels; at most 109 are loaded.\n");
    EXPECT_TRUE(ReadPng(PngBytes(11, 10, 8, 0, Bytes(120)), "small", fresh, 0, 110));
}
