// SaveScreen and SaveSprite on a real window: the files hold exactly the pixels shown, checked by
// ImageMagick (the encoders themselves are checked against a second decoder in the writer tests).
#include <filesystem>

#include "tests/gfx2d/fixtures.h"
#include "tests/gfx2d/gl_fixture.h"

namespace {

using fixtures::TempPath;
namespace fs = std::filesystem;
constexpr std::uint32_t kKey = 0x8000FF, kGrey = 0x808080, kBlue = 0xFF0000;

// What the screen shows after Paint: grey, a blue block, a key-coloured block and one odd pixel.
std::uint32_t Shown(int x, int y) {
    if (x == 320 && y == 240) return 0x123456;
    if (x < 100 && y < 50) return kBlue;
    return x >= 600 && y >= 400 ? kKey : kGrey;
}

void Paint() {
    GlTest::Clear(kGrey);
    DrawRect(0, 0, 100, 50, kBlue);
    DrawRect(600, 400, 40, 80, kKey);
    SetPixel(320, 240, 0x123456);
}

// The saved file decodes to the w x h picture colour(x, y); key-coloured pixels have alpha 0 in a PNG.
template <typename Colour>
void ExpectFileHolds(const std::string& path, int w, int h, Colour colour) {
    const bool png = path.ends_with(".png") || path.ends_with(".PNG");
    std::vector<std::uint8_t> rgba;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const std::uint32_t c = colour(x, y);
            rgba.insert(rgba.end(), {std::uint8_t(c), std::uint8_t(c >> 8), std::uint8_t(c >> 16),
                                     std::uint8_t(c == kKey && png ? 0 : 255)});
        }
    }
    const fixtures::Reference magick = fixtures::DecodeWithImageMagick(path);
    EXPECT_EQ(std::pair(magick.width, magick.height), std::pair(w, h)) << path;
    EXPECT_TRUE(magick.rgba == rgba) << path;
}

using GfxSaving = GlTest;

TEST_F(GfxSaving, SavedScreenHoldsThePixelsShownAndFailuresLeaveNoFile) {
    EXPECT_EQ(SaveScreen(TempPath("none.bmp").c_str()), 0);  // nothing shown yet
    EXPECT_FALSE(fs::exists(TempPath("none.bmp")));
    Paint();
    KeepShownPicture();
    Clear(0x00FF00);  // drawn after the picture was shown: not saved
    for (const char* name : {"screen.PNG", "screen.bmp", "screen"}) {
        ASSERT_EQ(SaveScreen(TempPath(name).c_str()), 1) << name;
    }
    ExpectFileHolds(TempPath("screen.PNG"), 640, 480, Shown);
    ExpectFileHolds(TempPath("screen.bmp"), 640, 480, Shown);
    EXPECT_EQ(fixtures::ReadFile(TempPath("screen")), fixtures::ReadFile(TempPath("screen.bmp")));  // a BMP
    EXPECT_EQ(Pixel(4, 4), 0x00FF00u);  // the key probe put its pixel back

    EXPECT_EQ(SaveScreen(TempPath("missing/screen.bmp").c_str()), 0);
    EXPECT_EQ(SaveScreen(TempPath("missing/screen.png").c_str()), 0);
    EXPECT_FALSE(fs::exists(TempPath("missing")));
    for (const double slot : {30.0, 7e4, -1.0}) EXPECT_EQ(SaveSprite(TempPath("no.bmp").c_str(), slot), 0);
    EXPECT_FALSE(fs::exists(TempPath("no.bmp")));
}

TEST_F(GfxSaving, SavedSpriteHoldsItsPicture) {
    Paint();
    GrabSprite(20, 590, 390, 20, 12);  // grey and key colour, the key part transparent in the sprite
    for (const char* name : {"sprite.bmp", "sprite.png"}) {
        ASSERT_EQ(SaveSprite(TempPath(name).c_str(), 20), 1);
        ExpectFileHolds(TempPath(name), 20, 12, [](int x, int y) { return Shown(590 + x, 390 + y); });
    }
    // A surface's sprite is saved with what was drawn into it.
    CreateScreen(1, 21, 24, 10);
    UseScreen(1);
    DrawRect(0, 0, 24, 10, kBlue);
    DrawRect(0, 0, 3, 2, 0x0000FF);
    UseScreen(-1);
    const std::string drawn = TempPath("surface.png");
    ASSERT_EQ(SaveSprite(drawn.c_str(), 21), 1);
    ExpectFileHolds(drawn, 24, 10, [](int x, int y) { return x < 3 && y < 2 ? 0x0000FFu : kBlue; });
}

}  // namespace
