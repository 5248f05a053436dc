// The BMP and PNG writers: bytes laid out as the formats define, decoded by ImageMagick, by a PNG reader
// written in Python over zlib, and by the engine's own readers; failures leave no file.
#include "gfx2d/picture_writers.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <string>

#include "gfx2d/bmp_reader.h"
#include "gfx2d/picture_file.h"
#include "gfx2d/png_reader.h"
#include "tests/gfx2d/fixtures.h"
#include "tests/gfx2d/python_png.h"

namespace {

using tarvok::ImageBuffer;
using tarvok::SavedKey;

constexpr SavedKey kKey{true, 255, 0, 128};

// A w x h picture whose pixels follow from their position; every pixel with (x + y) % 5 == 0 shows the
// key colour. Alpha is 77 everywhere: the writers must ignore it.
ImageBuffer MakePicture(int w, int h) {
    ImageBuffer image;
    EXPECT_TRUE(image.Resize(w, h));
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            std::uint8_t* p = image.Row(y) + x * 4;
            const bool key = (x + y) % 5 == 0;
            p[0] = key ? 255 : static_cast<std::uint8_t>(x * 7 + y);
            p[1] = key ? 0 : static_cast<std::uint8_t>(y * 13 + 1);
            p[2] = key ? 128 : static_cast<std::uint8_t>(x ^ y);
            p[3] = 77;
        }
    }
    return image;
}

bool IsKey(int x, int y) { return (x + y) % 5 == 0; }

// The RGBA a saved file must decode to: the picture's colours, key pixels as red 255, green 0, blue 128
// with alpha 0 (PNG) or 255 (BMP).
std::vector<std::uint8_t> Expected(const ImageBuffer& image, bool keyAlphaZero) {
    std::vector<std::uint8_t> rgba;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            const std::uint8_t* p = image.Row(y) + x * 4;
            rgba.insert(rgba.end(), {p[0], p[1], p[2]});
            rgba.push_back(IsKey(x, y) && keyAlphaZero ? 0 : 255);
        }
    }
    return rgba;
}

TEST(PictureWriters, BmpLayoutFollowsTheFormat) {
    const ImageBuffer image = MakePicture(641, 3);
    const std::vector<std::uint8_t> bmp = tarvok::EncodeBmp(image, kKey);
    const std::size_t rowBytes = 1924;  // 641 x 3 = 1923, padded to a multiple of 4
    ASSERT_EQ(bmp.size(), 54 + rowBytes * 3);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    // Little-endian header fields: {offset, bytes, value}.
    const std::uint32_t fields[][3] = {{2, 4, static_cast<std::uint32_t>(bmp.size())}, {6, 4, 0}, {10, 4, 54},
                                       {14, 4, 40}, {18, 4, 641}, {22, 4, 3}, {26, 2, 1}, {28, 2, 24}, {30, 4, 0},
                                       {34, 4, 0}, {38, 4, 10000}, {42, 4, 10000}, {46, 4, 0}, {50, 4, 0}};
    for (const auto& [at, size, value] : fields) {
        std::uint32_t got = 0;
        for (std::uint32_t i = 0; i < size; ++i) got |= static_cast<std::uint32_t>(bmp[at + i]) << (8 * i);
        EXPECT_EQ(got, value) << "offset " << at;
    }
    // The first row in the file is the picture's bottom row, blue first; padding is 0.
    const std::uint8_t* bottom = image.Row(2);
    EXPECT_EQ(bmp[54 + 3], bottom[4 + 2]);  // pixel (1, 2): not a key pixel
    EXPECT_EQ(bmp[54 + 4], bottom[4 + 1]);
    EXPECT_EQ(bmp[54 + 5], bottom[4 + 0]);
    EXPECT_EQ(bmp[54 + 1923], 0);
    EXPECT_EQ(tarvok::BmpRowBytes(1), 4);
    EXPECT_EQ(tarvok::BmpRowBytes(4), 12);
}

TEST(PictureWriters, SavedFilesDecodeToThePicture) {
    const ImageBuffer image = MakePicture(37, 23);
    const std::string bmp = fixtures::TempPath("saved.bmp");
    const std::string png = fixtures::TempPath("saved.PNG");
    ASSERT_TRUE(tarvok::WritePictureFile(bmp, image, kKey));
    ASSERT_TRUE(tarvok::WritePictureFile(png, image, kKey));
    EXPECT_EQ(fixtures::ReadFile(png).at(1), 'P');  // the name's case does not matter
    EXPECT_EQ(fixtures::ReadFile(bmp).at(0), 'B');

    const std::pair<fixtures::Reference, bool> decoded[] = {{fixtures::DecodeWithImageMagick(bmp), false},
                                                             {fixtures::DecodeWithImageMagick(png), true},
                                                             {fixtures::DecodePngWithPython(png), true}};
    for (const auto& [ref, keyAlphaZero] : decoded) {
        EXPECT_EQ(ref.width, 37);
        EXPECT_EQ(ref.height, 23);
        EXPECT_EQ(ref.rgba, Expected(image, keyAlphaZero));
    }

    // The engine's own readers: without a colour key both files give the colours back.
    ImageBuffer back;
    ASSERT_TRUE(tarvok::ReadPictureFile(bmp, back, tarvok::kNoColourKey));
    EXPECT_EQ(back.pixels, Expected(image, false));
    ASSERT_TRUE(tarvok::ReadPictureFile(png, back, tarvok::kNoColourKey));
    EXPECT_EQ(back.pixels, Expected(image, true));
    // With the default key the saved BMP's key pixels become transparent again.
    ASSERT_TRUE(tarvok::ReadPictureFile(bmp, back, 0x8000FF));
    EXPECT_EQ(back.pixels[3], 0);  // (0, 0) is a key pixel
    EXPECT_EQ(back.pixels[7], 255);
}

TEST(PictureWriters, KeyFollowsTheDisplayedColour) {
    // On a 16-bit display the key shows as (248, 0, 128): those pixels are saved as the exact key.
    ImageBuffer image;
    ASSERT_TRUE(image.Resize(2, 1));
    image.pixels = {248, 0, 128, 0, 255, 0, 128, 0};
    const SavedKey shown{true, 248, 0, 128};
    const std::vector<std::uint8_t> bmp = tarvok::EncodeBmp(image, shown);
    EXPECT_EQ(std::vector<std::uint8_t>(bmp.begin() + 54, bmp.begin() + 60),
              (std::vector<std::uint8_t>{128, 0, 255, 128, 0, 255}));
    std::vector<std::uint8_t> png;
    ASSERT_TRUE(tarvok::EncodePng(image, shown, png));
    const std::string path = fixtures::TempPath("shown_key.png");
    fixtures::WriteFile(path, png);
    EXPECT_EQ(fixtures::DecodePngWithPython(path).rgba,
              (std::vector<std::uint8_t>{248, 0, 128, 0, 255, 0, 128, 255}));

    // No active key: nothing is changed, black stays black.
    image.pixels = {0, 0, 0, 0, 255, 0, 128, 0};
    const std::vector<std::uint8_t> plain = tarvok::EncodeBmp(image, SavedKey{});
    EXPECT_EQ(std::vector<std::uint8_t>(plain.begin() + 54, plain.begin() + 60),
              (std::vector<std::uint8_t>{0, 0, 0, 128, 0, 255}));
}

TEST(PictureWriters, NameSelectsTheFormat) {
    // ".png" is not longer than 4 characters.
    for (const auto& [name, png] : {std::pair{"a.png", true}, {"dir/SHOT.PnG", true}, {".png", false},
                                    {"a.bmp", false}, {"apng", false}, {"shot", false}}) {
        EXPECT_EQ(tarvok::NamesPng(name), png) << name;
    }
}

TEST(PictureWriters, FailuresLeaveNoFile) {
    const ImageBuffer image = MakePicture(8, 8);
    // A missing directory, and a path through a plain file.
    EXPECT_FALSE(tarvok::WritePictureFile(fixtures::TempPath("missing/shot.bmp"), image, kKey));
    const std::string plain = fixtures::TempPath("plain");
    fixtures::WriteFile(plain, {1});
    EXPECT_FALSE(tarvok::WritePictureFile(plain + "/shot.png", image, kKey));
    // A directory of that name is neither replaced nor removed.
    const std::string dir = fixtures::TempPath("adir.bmp");
    ASSERT_TRUE(fixtures::Run("mkdir '" + dir + "'"));
    EXPECT_FALSE(tarvok::WritePictureFile(dir, image, kKey));
    EXPECT_TRUE(fixtures::Run("test -d '" + dir + "'"));
    // A read-only directory (only where it really refuses files: not for root).
    const std::string readOnly = fixtures::TempPath("readonly");
    ASSERT_TRUE(fixtures::Run("mkdir '" + readOnly + "' && chmod 555 '" + readOnly + "'"));
    if (!fixtures::Run("touch '" + readOnly + "/probe' 2>/dev/null")) {
        EXPECT_FALSE(tarvok::WritePictureFile(readOnly + "/shot.png", image, kKey));
        EXPECT_FALSE(fixtures::Run("test -e '" + readOnly + "/shot.png'"));
    }
    // An empty picture writes nothing.
    EXPECT_FALSE(tarvok::WritePictureFile(fixtures::TempPath("empty.bmp"), ImageBuffer{}, kKey));
    EXPECT_FALSE(fixtures::Run("test -e '" + fixtures::TempPath("empty.bmp") + "'"));
    // Backslashes separate path elements too; an old file of the name is replaced.
    const std::string old = fixtures::TempPath("old.bmp");
    fixtures::WriteFile(old, std::vector<std::uint8_t>(100000, 7));
    std::string windowsName = old;
    windowsName[windowsName.rfind('/')] = '\\';
    EXPECT_TRUE(tarvok::WritePictureFile(windowsName, image, kKey));
    EXPECT_EQ(fixtures::ReadFile(old).size(), 54u + 8 * 24);
}

// Writes under a file-size limit of 1000 bytes (the signal it raises is ignored) and exits with 0 when the
// save failed and left no file.
[[noreturn]] void SaveUnderSizeLimit(const std::string& path, const ImageBuffer& image) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    limit.rlim_cur = limit.rlim_max = 1000;
    setrlimit(RLIMIT_FSIZE, &limit);
    const bool saved = tarvok::WritePictureFile(path, image, kKey);
    std::exit(!saved && !std::ifstream(path) ? 0 : 1);
}

TEST(PictureWritersDeathTest, WriteFailureRemovesThePartialFile) {
    const ImageBuffer image = MakePicture(300, 300);
    for (const char* name : {"partial.bmp", "partial.png"}) {
        EXPECT_EXIT(SaveUnderSizeLimit(fixtures::TempPath(name), image), testing::ExitedWithCode(0), "")
            << name;
    }
}

}  // namespace
