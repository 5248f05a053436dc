#include "gfx2d/png_reader.h"

#include <sys/resource.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "gfx2d/bmp_reader.h"
#include "tests/gfx2d/fixtures.h"

namespace {

using tarvok::ImageBuffer;
using tarvok::kNoColourKey;
using tarvok::ReadPng;

using fixtures::PngBytes;

// 16-bit samples are compared by their high byte: stripping to 8 bits keeps it.
void ExpectSameAsImageMagick(const std::string& path, bool sixteenBit) {
    SCOPED_TRACE(path);
    const auto ref = fixtures::DecodeWithImageMagick(path, sixteenBit);
    ASSERT_GT(ref.width, 0);
    ImageBuffer image;
    ASSERT_TRUE(ReadPng(fixtures::ReadFile(path), path.c_str(), image, kNoColourKey));
    ASSERT_EQ(image.width, ref.width);
    ASSERT_EQ(image.height, ref.height);
    ASSERT_EQ(image.pixels, ref.rgba);
}

}  // namespace

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
    for (const auto& c : cases) {
        const std::string path = fixtures::TempPath(c[0]);
        ASSERT_TRUE(fixtures::Run("convert '" + src + "' " + c[1] + "'" + path + "'")) << c[0];
        ExpectSameAsImageMagick(path, std::string(c[0]).find("16") != std::string::npos);
    }
}

TEST(PngReader, ColourKeyOnlyForThreeChannels) {
    // One row: the key colour, then white.
    const std::vector<std::uint8_t> rgbRow = {0, 255, 0, 128, 255, 255, 255};
    ImageBuffer image;
    ASSERT_TRUE(ReadPng(PngBytes(2, 1, 8, 2, rgbRow), "rgb", image, 0x8000FF));
    EXPECT_EQ(image.pixels, (std::vector<std::uint8_t>{0, 0, 0, 0, 255, 255, 255, 255}));

    // With its own alpha the key colour keeps that alpha.
    const std::vector<std::uint8_t> rgbaRow = {0, 255, 0, 128, 77};
    ASSERT_TRUE(ReadPng(PngBytes(1, 1, 8, 6, rgbaRow), "rgba", image, 0x8000FF));
    EXPECT_EQ(image.pixels, (std::vector<std::uint8_t>{255, 0, 128, 77}));

    // Grey black stays opaque under a black key.
    ASSERT_TRUE(ReadPng(PngBytes(1, 1, 8, 0, {0, 0}), "grey", image, 0));
    EXPECT_EQ(image.pixels, (std::vector<std::uint8_t>{0, 0, 0, 255}));
}

TEST(PngReader, TwoBitPaletteWithTransparency) {
    const std::vector<std::uint8_t> palette = {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120};
    const std::vector<std::uint8_t> trns = {0, 128};
    // Indices 0, 1, 2, 3 packed two bits each into one byte; entries 2 and 3 have no tRNS value.
    ImageBuffer image;
    ASSERT_TRUE(ReadPng(PngBytes(4, 1, 2, 3, {0, 0x1B}, palette, trns), "p2", image, kNoColourKey));
    EXPECT_EQ(image.pixels, (std::vector<std::uint8_t>{10, 20, 30, 0, 40, 50, 60, 128, 70, 80, 90, 255,
                                                        100, 110, 120, 255}));
}

TEST(PngReader, FailsCleanlyOnBadInput) {
    ImageBuffer image;
    // Grey with alpha fails without a message.
    testing::internal::CaptureStdout();
    EXPECT_FALSE(ReadPng(PngBytes(1, 1, 8, 4, {0, 9, 9}), "ga", image, kNoColourKey));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(image.width, 0);

    EXPECT_FALSE(ReadPng({}, "empty", image, kNoColourKey));
    const std::vector<std::uint8_t> bmpBytes = {'B', 'M', 0, 0, 0, 0};
    EXPECT_FALSE(ReadPng(bmpBytes, "bmp", image, kNoColourKey));

    // Every truncation fails.
    const auto good = PngBytes(3, 2, 8, 2, std::vector<std::uint8_t>(20, 3));
    ASSERT_TRUE(ReadPng(good, "good", image, kNoColourKey));
    for (std::size_t n = 0; n + 12 < good.size(); ++n) {  // the IEND chunk is not needed for the pixels
        EXPECT_FALSE(ReadPng(std::span(good.data(), n), "cut", image, kNoColourKey)) << n;
    }

    // Sides above 32767, and a large picture whose tiny file cannot hold its pixels, fail before the
    // pixel memory is allocated.
    ImageBuffer fresh;
    EXPECT_FALSE(ReadPng(PngBytes(32768, 1, 8, 2, {0, 1, 2, 3}), "wide", fresh, kNoColourKey));
    EXPECT_FALSE(ReadPng(PngBytes(30000, 30000, 8, 6, {0, 1, 2, 3}), "huge", fresh, kNoColourKey));
    EXPECT_EQ(fresh.Capacity(), 0);
    // A well-compressed 1-bit picture is not mistaken for such a file: its stored rows are 8 times
    // smaller than the expanded ones.
    std::vector<std::uint8_t> blackRows;
    for (int y = 0; y < 2000; ++y) blackRows.insert(blackRows.end(), 251, 0);
    ASSERT_TRUE(ReadPng(PngBytes(2000, 2000, 1, 0, blackRows), "sparse", image, kNoColourKey));
    EXPECT_EQ(image.width, 2000);
    EXPECT_EQ(image.pixels[4 * 1999 * 2000 + 3], 255);
    // A palette index past the palette is an error in libpng's palette expansion or reads as black;
    // either way no read goes past the palette.
    const std::vector<std::uint8_t> onePalette = {1, 2, 3};
    if (ReadPng(PngBytes(2, 1, 8, 3, {0, 0, 200}, onePalette), "pal", image, kNoColourKey)) {
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
    std::vector<std::uint8_t> png = PngBytes(1, 1, 8, 0, {0, 0});
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
    const std::vector<std::uint8_t> zeros(8194ull * 8193);
    EXPECT_FALSE(ReadPng(PngBytes(8193, 8193, 8, 0, zeros), "bomb", fresh, 0));
    const std::vector<std::uint8_t> rows(1028ull * 8193), palette = {0, 0, 0, 0, 255, 255, 255, 0};
    const std::vector<std::uint8_t> bmp = fixtures::BmpBytes(8193, 8193, 1, palette, rows);
    EXPECT_FALSE(tarvok::ReadBmp(bmp, fresh, 0, tarvok::kMaxPicturePixels, "bomb.bmp"));
    EXPECT_FALSE(ReadPng(PngBytes(11, 10, 8, 0, std::vector<std::uint8_t>(120)), "small", fresh, 0, 109));
    EXPECT_EQ(fresh.Capacity(), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "File bomb has 8193 x 8193 pixels; at most 67108864 are loaded.\n"
              "File bomb.bmp has 8193 x 8193 pixels; at most 67108864 are loaded.\n"
              "File small has 11 x 10 pixels; at most 109 are loaded.\n");
    EXPECT_TRUE(ReadPng(PngBytes(11, 10, 8, 0, std::vector<std::uint8_t>(120)), "small", fresh, 0, 110));
}
