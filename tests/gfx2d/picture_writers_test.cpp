// The BMP and PNG writers: the formats' layout, decoded by ImageMagick and Python; failures leave no file.
#include "gfx2d/picture_writers.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/gfx2d/fixtures.h"

namespace {

using tarvok::ImageBuffer;
using tarvok::SavedKey;
using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

constexpr SavedKey kKey{true, 255, 0, 128};

bool IsKey(int x, int y) { return (x + y) % 5 == 0; }

// Colours from the position, IsKey pixels in the key colour, alpha 77 (which the writers ignore).
ImageBuffer MakePicture(int w, int h) {
    ImageBuffer image;
    EXPECT_TRUE(image.Resize(w, h));
    for (int i = 0; i < w * h; ++i) {
        const int x = i % w, y = i / w;
        const std::uint8_t r = std::uint8_t(x * 7 + y), g = std::uint8_t(y * 13 + 1), b = std::uint8_t(x ^ y);
        const Bytes rgba = IsKey(x, y) ? Bytes{255, 0, 128, 77} : Bytes{r, g, b, 77};
        std::copy(rgba.begin(), rgba.end(), image.pixels.begin() + i * 4);
    }
    return image;
}

// The RGBA a saved file must decode to: the picture's colours, key pixels with alpha 0 (PNG) or 255 (BMP).
Bytes Expected(const ImageBuffer& image, bool keyAlphaZero) {
    Bytes rgba = image.pixels;
    for (std::size_t i = 0; i < rgba.size(); i += 4) {
        rgba[i + 3] = IsKey(int(i / 4) % image.width, int(i / 4) / image.width) && keyAlphaZero ? 0 : 255;
    }
    return rgba;
}

TEST(PictureWriters, BmpLayoutKeyAndNames) {
    const Bytes bmp = tarvok::EncodeBmp(MakePicture(641, 3), kKey);
    ASSERT_EQ(bmp.size(), 54u + 1924 * 3);  // rows of 641 x 3 = 1923 bytes, padded with a 0 to 1924
    EXPECT_EQ(bmp[54 + 1923], 0);
    EXPECT_EQ(std::string(bmp.begin(), bmp.begin() + 2), "BM");
    // Little-endian header fields: {offset, bytes, value}.
    const std::uint32_t fields[][3] = {{2, 4, 54 + 1924 * 3}, {6, 4, 0},  {10, 4, 54}, {14, 4, 40},
                                       {18, 4, 641},           {22, 4, 3},  {26, 2, 1},  {28, 2, 24},
                                       {30, 4, 0},             {34, 4, 0},  {46, 4, 0},  {50, 4, 0},
                                       {38, 4, 10000},         {42, 4, 10000}};
    for (const auto& [at, size, value] : fields) {
        std::uint32_t got = 0;
        for (std::uint32_t i = 0; i < size; ++i) got |= static_cast<std::uint32_t>(bmp[at + i]) << (8 * i);
        EXPECT_EQ(got, value) << "offset " << at;
    }

    // On a 16-bit display the key shows as (248, 0, 128): those pixels are saved as the exact key.
    ImageBuffer image;
    ASSERT_TRUE(image.Resize(2, 1));
    image.pixels = {248, 0, 128, 0, 255, 0, 128, 0};
    const SavedKey shown{true, 248, 0, 128};
    const Bytes keyed = tarvok::EncodeBmp(image, shown);
    EXPECT_EQ(Bytes(keyed.begin() + 54, keyed.begin() + 60), (Bytes{128, 0, 255, 128, 0, 255}));
    Bytes png;
    ASSERT_TRUE(tarvok::EncodePng(image, shown, png));
    const std::string path = fixtures::TempPath("shown_key.png");
    fixtures::WriteFile(path, png);
    EXPECT_EQ(fixtures::DecodePngWithPython(path).rgba, (Bytes{248, 0, 128, 0, 255, 0, 128, 255}));
    // No active key: nothing is changed, black stays black.
    image.pixels = {0, 0, 0, 0, 255, 0, 128, 0};
    const Bytes plain = tarvok::EncodeBmp(image, SavedKey{});
    EXPECT_EQ(Bytes(plain.begin() + 54, plain.begin() + 60), (Bytes{0, 0, 0, 128, 0, 255}));

    // A name ending in ".png" in any case selects PNG; ".png" alone is not such a name.
    for (const auto& [name, png] : {std::pair{"a.png", true}, {"dir/SHOT.PnG", true}, {".png", false},
                                    {"a.bmp", false}, {"apng", false}, {"shot", false}}) {
        EXPECT_EQ(tarvok::NamesPng(name), png) << name;
    }
}

TEST(PictureWriters, SavedFilesDecodeToThePicture) {
    const ImageBuffer image = MakePicture(37, 23);
    const std::string bmp = fixtures::TempPath("saved.bmp"), png = fixtures::TempPath("saved.PNG");
    ASSERT_TRUE(tarvok::WritePictureFile(bmp, image, kKey));
    ASSERT_TRUE(tarvok::WritePictureFile(png, image, kKey));  // the name's case does not matter
    const std::pair<fixtures::Reference, bool> decoded[] = {{fixtures::DecodeWithImageMagick(bmp), false},
                                                             {fixtures::DecodeWithImageMagick(png), true},
                                                             {fixtures::DecodePngWithPython(png), true}};
    for (const auto& [ref, keyAlphaZero] : decoded) {
        EXPECT_EQ(std::pair(ref.width, ref.height), std::pair(37, 23));
        EXPECT_EQ(ref.rgba, Expected(image, keyAlphaZero));
    }
}

TEST(PictureWriters, FailuresLeaveNoFile) {
    const ImageBuffer image = MakePicture(8, 8);
    // A missing directory, a path through a plain file, a directory of the name (kept), an empty picture.
    const std::string plain = fixtures::TempPath("plain"), dir = fixtures::TempPath("adir.bmp");
    fixtures::WriteFile(plain, {1});
    ASSERT_TRUE(fs::create_directory(dir));
    for (const std::string& name : {fixtures::TempPath("missing/shot.bmp"), plain + "/shot.png", dir}) {
        EXPECT_FALSE(tarvok::WritePictureFile(name, image, kKey)) << name;
    }
    EXPECT_TRUE(fs::is_directory(dir));
    EXPECT_FALSE(tarvok::WritePictureFile(fixtures::TempPath("empty.bmp"), ImageBuffer{}, kKey));
    EXPECT_FALSE(fs::exists(fixtures::TempPath("empty.bmp")));
    // A read-only directory (only where it really refuses files: not for root).
    const std::string readOnly = fixtures::TempPath("readonly");
    ASSERT_TRUE(fixtures::Run("mkdir '" + readOnly + "' && chmod 555 '" + readOnly + "'"));
    if (!fixtures::Run("touch '" + readOnly + "/probe' 2>/dev/null")) {
        EXPECT_FALSE(tarvok::WritePictureFile(readOnly + "/shot.png", image, kKey));
        EXPECT_FALSE(fs::exists(readOnly + "/shot.png"));
    }
    // Backslashes separate path elements too; an old file of the name is replaced.
    const std::string old = fixtures::TempPath("old.bmp");
    fixtures::WriteFile(old, Bytes(100000, 7));
    std::string windowsName = old;
    windowsName[windowsName.rfind('/')] = '\\';
    EXPECT_TRUE(tarvok::WritePictureFile(windowsName, image, kKey));
    EXPECT_EQ(fs::file_size(old), 54u + 8 * 24);
}

// Saves under a 1000-byte file-size limit (SIGXFSZ ignored); exit 0 when it failed and left no file.
[[noreturn]] void SaveUnderSizeLimit(const std::string& path, const ImageBuffer& image) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    limit.rlim_cur = limit.rlim_max = 1000;
    setrlimit(RLIMIT_FSIZE, &limit);
    const bool saved = tarvok::WritePictureFile(path, image, kKey);
    std::exit(!saved && !fs::exists(path) ? 0 : 1);
}

TEST(PictureWritersDeathTest, WriteFailureRemovesThePartialFile) {
    const ImageBuffer image = MakePicture(300, 300);
    for (const char* name : {"partial.bmp", "partial.png"}) {
        EXPECT_EXIT(SaveUnderSizeLimit(fixtures::TempPath(name), image), testing::ExitedWithCode(0), "")
            << name;
    }
}

}  // namespace
