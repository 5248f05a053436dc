// SaveScreen and SaveSprite on a real window: the files hold exactly the pixels shown, checked by
// ImageMagick.
#include "tests/gfx2d/fixtures.h"
#include "tests/gfx2d/gl_fixture.h"

namespace {

constexpr std::uint32_t kKey = 0x8000FF, kGrey = 0x808080, kBlue = 0xFF0000;

// What the screen shows after Paint: grey, a blue block, a key-coloured block and one odd pixel.
std::uint32_t Shown(int x, int y) {
    if (x == 320 && y == 240) return 0x123456;
    if (x < 100 && y < 50) return kBlue;
    if (x >= 600 && y >= 400) return kKey;
    return kGrey;
}

void Paint() {
    GlTest::Clear(kGrey);
    DrawRect(0, 0, 100, 50, kBlue);
    DrawRect(600, 400, 40, 80, kKey);
    SetPixel(320, 240, 0x123456);
}

// RGBA rows of a w x h picture whose colours come from colour(x, y); key-coloured pixels get keyAlpha.
template <typename Colour>
std::vector<std::uint8_t> ExpectedRgba(int w, int h, Colour colour, std::uint8_t keyAlpha) {
    std::vector<std::uint8_t> rgba;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const std::uint32_t c = colour(x, y);
            rgba.insert(rgba.end(),
                        {static_cast<std::uint8_t>(Red(c)), static_cast<std::uint8_t>(Green(c)),
                         static_cast<std::uint8_t>(Blue(c)), c == kKey ? keyAlpha : std::uint8_t{255}});
        }
    }
    return rgba;
}

// Checks a saved file against the expected picture with ImageMagick (the encoders themselves are checked
// against a second decoder in the writer tests).
template <typename Colour>
void ExpectFileHolds(const std::string& path, bool png, int w, int h, Colour colour) {
    const fixtures::Reference magick = fixtures::DecodeWithImageMagick(path);
    EXPECT_EQ(magick.width, w) << path;
    EXPECT_EQ(magick.height, h) << path;
    EXPECT_TRUE(magick.rgba == ExpectedRgba(w, h, colour, png ? 0 : 255)) << path;
}

using GfxSaving = GlTest;

TEST_F(GfxSaving, SavedScreenHoldsThePixelsShown) {
    EXPECT_EQ(SaveScreen(fixtures::TempPath("none.bmp").c_str()), 0);  // nothing shown yet
    EXPECT_FALSE(fixtures::Run("test -e '" + fixtures::TempPath("none.bmp") + "'"));
    Paint();
    KeepShownPicture();
    Clear(0x00FF00);  // drawn after the picture was shown: not saved
    const std::string png = fixtures::TempPath("screen.PNG");
    const std::string bmp = fixtures::TempPath("screen.bmp");
    const std::string plain = fixtures::TempPath("screen");
    ASSERT_EQ(SaveScreen(png.c_str()), 1);
    ASSERT_EQ(SaveScreen(bmp.c_str()), 1);
    ASSERT_EQ(SaveScreen(plain.c_str()), 1);
    ExpectFileHolds(png, true, 640, 480, Shown);
    ExpectFileHolds(bmp, false, 640, 480, Shown);
    EXPECT_EQ(fixtures::ReadFile(plain), fixtures::ReadFile(bmp));  // no extension: BMP
    EXPECT_EQ(Pixel(4, 4), 0x00FF00u);                              // the key probe put its pixel back
}

TEST_F(GfxSaving, SavedSpriteHoldsItsPicture) {
    Paint();
    GrabSprite(20, 590, 390, 20, 12);  // grey and key colour, the key part transparent in the sprite
    const auto part = [](int x, int y) { return Shown(590 + x, 390 + y); };
    const std::string bmp = fixtures::TempPath("sprite.bmp");
    const std::string png = fixtures::TempPath("sprite.png");
    ASSERT_EQ(SaveSprite(bmp.c_str(), 20), 1);
    ASSERT_EQ(SaveSprite(png.c_str(), 20), 1);
    ExpectFileHolds(bmp, false, 20, 12, part);
    ExpectFileHolds(png, true, 20, 12, part);

    // A surface's sprite is saved with what was drawn into it.
    CreateScreen(1, 21, 24, 10);
    UseScreen(1);
    DrawRect(0, 0, 24, 10, kBlue);
    DrawRect(0, 0, 3, 2, 0x0000FF);
    UseScreen(-1);
    const std::string drawn = fixtures::TempPath("surface.png");
    ASSERT_EQ(SaveSprite(drawn.c_str(), 21), 1);
    ExpectFileHolds(drawn, true, 24, 10, [](int x, int y) { return x < 3 && y < 2 ? 0x0000FFu : kBlue; });
}

TEST_F(GfxSaving, FailedSavesLeaveNoFile) {
    Paint();
    KeepShownPicture();
    EXPECT_EQ(SaveScreen(fixtures::TempPath("missing/screen.bmp").c_str()), 0);
    EXPECT_EQ(SaveScreen(fixtures::TempPath("missing/screen.png").c_str()), 0);
    EXPECT_FALSE(fixtures::Run("test -e '" + fixtures::TempPath("missing") + "'"));
    const std::string empty = fixtures::TempPath("empty.bmp");
    EXPECT_EQ(SaveSprite(empty.c_str(), 30), 0);  // an empty slot
    EXPECT_EQ(SaveSprite(empty.c_str(), 70000), 0);
    EXPECT_EQ(SaveSprite(empty.c_str(), -1), 0);
    EXPECT_FALSE(fixtures::Run("test -e '" + empty + "'"));
}

}  // namespace
