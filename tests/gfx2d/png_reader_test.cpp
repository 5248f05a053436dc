#include "gfx2d/png_reader.h"

#include <sys/resource.h>

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "gfx2d/bmp_reader.h"
#include "tests/gfx2d/fixtures.h"

namespace {

using fixtures::PngBytes;
using tarvok::ImageBuffer;
using tarvok::kNoColourKey;
using tarvok::ReadPng;
using Bytes = std::vector<std::uint8_t>;

}  // namespace

// 16-bit samples are compared by their high byte: stripping to 8 bits keeps it.
TEST(PngReader, MatchesImageMagickForEveryColourType) {
    const std::string src = fixtures::MakeSourcePicture("png-src.png", 29, 17);
    const char* const cases[][2] = {
        {"rgb.png", "PNG24:"},
        {"rgba.png", "-alpha set -channel A -fx 'i/w' +channel PNG32:"},
        {"rgb16.png", "PNG48:"},
        {"rgba16.png", "-alpha set -channel A -fx 'j/h' +channel PNG64:"},
        {"palette.png", "-colors 40 PNG8:"},
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

    // Sides above 32767, and a large picture whose tiny file cannot hold its pixels, fail before the
    // pixel memory is allocated; a well-compressed 1-bit picture (rows 8 times smaller) is not refused.
    ImageBuffer fresh;
    EXPECT_FALSE(ReadPng(PngBytes(32768, 1, 8, 2, {0, 1, 2, 3}), "wide", fresh, kNoColourKey));
    EXPECT_FALSE(ReadPng(PngBytes(30000, 30000, 8, 6, {0, 1, 2, 3}), "huge", fresh, kNoColourKey));
    EXPECT_EQ(fresh.Capacity(), 0);
    Bytes blackRows;
    for (int y = 0; y < 2000; ++y) blackRows.insert(blackRows.end(), 251, 0);
    ASSERT_TRUE(ReadPng(PngBytes(2000, 2000, 1, 0, blackRows), "sparse", image, kNoColourKey));
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

    // Pictures of more pixels than a texture holds fail, with a message, before their pixel memory is
    // taken: a 64 KB grey PNG and an 8 MB 1-bit BMP that would each decode to 268 MB, and pictures over a
    // smaller limit given by the caller.
    ImageBuffer fresh;
    testing::internal::CaptureStdout();
    EXPECT_FALSE(ReadPng(PngBytes(8193, 8193, 8, 0, Bytes(8194ull * 8193)), "bomb", fresh, 0));
    const Bytes bmp = fixtures::BmpBytes(8193, 8193, 1, {0, 0, 0, 0, 255, 255, 255, 0}, Bytes(1028 * 8193));
    EXPECT_FALSE(tarvok::ReadBmp(bmp, fresh, 0, tarvok::kMaxPicturePixels, "bomb.bmp"));
    EXPECT_FALSE(ReadPng(PngBytes(11, 10, 8, 0, Bytes(120)), "small", fresh, 0, 109));
    EXPECT_EQ(fresh.Capacity(), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "File bomb has 8193 x 8193 pixels; at most 67108864 are loaded.\n"
              "File bomb.bmp has 8193 x 8193 pixels; at most 67108864 are loaded.\n"
              "File small has 11 x 10 pixels; at most 109 are loaded.\n");
    EXPECT_TRUE(ReadPng(PngBytes(11, 10, 8, 0, Bytes(120)), "small", fresh, 0, 110));
}
