// Byte-mutation runs of the picture readers: damaged files must fail or decode, never read out of bounds
// (the sanitizer build checks that). Inputs that once found faults are kept as regression cases below.
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "gfx2d/bmp_reader.h"
#include "gfx2d/png_reader.h"
#include "tests/gfx2d/fixtures.h"

namespace {

using tarvok::ImageBuffer;

constexpr int kRounds = 4000;

template <typename Reader>
void Mutate(const std::vector<std::uint8_t>& seed, Reader read) {
    std::mt19937 random(12345);
    ImageBuffer image;
    for (int round = 0; round < kRounds; ++round) {
        std::vector<std::uint8_t> bytes = seed;
        const int edits = 1 + static_cast<int>(random() % 8);
        for (int e = 0; e < edits; ++e) {
            const std::size_t at = random() % bytes.size();
            switch (random() % 4) {
                case 0: bytes[at] = static_cast<std::uint8_t>(random()); break;
                case 1: bytes[at] ^= static_cast<std::uint8_t>(1u << (random() % 8)); break;
                case 2: bytes[at] = (random() % 2) ? 0xFF : 0x00; break;
                default: bytes.resize(at + 1); break;
            }
        }
        if (read(bytes, image)) {
            ASSERT_GT(image.width, 0);
            ASSERT_EQ(image.pixels.size(), static_cast<std::size_t>(image.width) * image.height * 4);
        }
    }
}

}  // namespace

TEST(ReaderFuzz, DamagedBitmapsAndPngs) {
    const std::string src = fixtures::MakeSourcePicture("fuzz-src.png", 21, 13);
    const char* const bmpOptions[] = {"-type TrueColor BMP3:", "-colors 12 -type Palette -compress None BMP3:",
                                      "-monochrome BMP2:", "-colors 200 -type Palette BMP2:"};
    int n = 0;
    for (const char* options : bmpOptions) {
        const std::string path = fixtures::TempPath("fuzz" + std::to_string(n++) + ".bmp");
        ASSERT_TRUE(fixtures::Run("convert '" + src + "' " + options + "'" + path + "'"));
        Mutate(fixtures::ReadFile(path), [](const std::vector<std::uint8_t>& b, ImageBuffer& image) {
            return tarvok::ReadBmp(b, image, 0x8000FF);
        });
    }
    const char* const pngOptions[] = {"PNG24:", "-colors 30 PNG8:", "-interlace PNG PNG32:", "PNG48:"};
    for (const char* options : pngOptions) {
        const std::string path = fixtures::TempPath("fuzz" + std::to_string(n++) + ".png");
        ASSERT_TRUE(fixtures::Run("convert '" + src + "' " + options + "'" + path + "'"));
        Mutate(fixtures::ReadFile(path), [](const std::vector<std::uint8_t>& b, ImageBuffer& image) {
            return tarvok::ReadPng(b, "fuzz", image, 0x8000FF);
        });
    }
}
