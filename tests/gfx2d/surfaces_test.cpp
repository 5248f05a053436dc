// Surfaces (frame-buffer objects and emulated), grabs, screen backgrounds, the cross-fade and saving.
#include "gfx2d/surfaces.h"

#include <filesystem>

#include "frame/frame.h"
#include "gfx2d/texture_upload.h"
#include "tests/gfx2d/gl_fixture.h"

namespace {

using fixtures::TempPath;
namespace fs = std::filesystem;
constexpr std::uint32_t kKey = 0x8000FF, kRed = 0xFF, kBlue = 0xFF0000, kGreen = 0xFF00, kGrey = 0x808080;

// Pixel (x, y) of the pattern PaintPattern draws: distinct colours.
std::uint32_t PatternColour(int x, int y) { return ((x * 9) & 0xFF) | ((y * 5) & 0xFF) << 8 | 0x40u << 16; }

// Paints PatternColour over the w x h rectangle at (ox, oy), one pixel at a time (clipped by GL).
void PaintPattern(int ox, int oy, int w, int h) {
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) SetPixel(ox + x, oy + y, PatternColour(x, y));
}

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

using GfxSurfaces = GlTest;

TEST_F(GfxSurfaces, DrawingIntoASurfaceLandsInTheSprite) {
    Clear(kGreen);
    CreateScreen(3, 100, 64, 48);
    EXPECT_EQ(Sizes(100), (std::array{64, 48, 64, 64}));
    EXPECT_GT(tarvok::Surfaces().surfaces[3].width, 0);  // llvmpipe has frame-buffer objects

    UseScreen(3);
    DrawRect(0, 0, 10, 10, kRed);     // top-left corner of the sprite
    DrawRect(54, 38, 10, 10, kBlue);  // bottom-right corner
    // GetPixel and GrabSprite read the surface while it is drawn into, rows from its own top.
    EXPECT_EQ((std::vector<double>{GetPixel(0, 0), GetPixel(63, 47), GetPixel(64, 0)}),
              (std::vector<double>{kRed, kBlue, 0}));
    GrabSprite(104, 0, 0, 10, 10);
    GrabSprite(105, 54, 38, 10, 10);
    UseScreen(-1);
    EXPECT_EQ(tarvok::Surfaces().current, -1);
    EXPECT_EQ(Pixel(0, 0), kGreen);  // the window was not drawn on

    Clear(kGrey);
    DrawSprite(100, 200, 100);
    DrawSprite(104, 400, 400);
    DrawSprite(105, 420, 400);
    // The corners drawn into it; the middle and the pixels past it show the grey: transparent.
    ExpectPixels({{200, 100, kRed}, {209, 109, kRed}, {254, 138, kBlue}, {263, 147, kBlue}, {230, 120, kGrey},
                  {264, 147, kGrey}, {263, 148, kGrey}, {400, 400, kRed}, {409, 409, kRed}, {420, 400, kBlue},
                  {429, 409, kBlue}});

    // Drawing into it again keeps what is there; the frame flip hands drawing back to the window.
    UseScreen(3);
    DrawRect(20, 20, 4, 4, kBlue);
    ASSERT_NE(g_displayHooks.finishSurface, nullptr);
    g_displayHooks.finishSurface();
    EXPECT_EQ(tarvok::Surfaces().current, -1);
    Clear(kGrey);
    DrawSprite(100, 0, 0);
    ExpectPixels({{0, 0, kRed}, {21, 21, kBlue}});
    GLint bound = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &bound);
    EXPECT_EQ(bound, 0);
}

TEST_F(GfxSurfaces, EmulatedSurfaceDrawsThroughTheBackBuffer) {
    // Without the driver's frame-buffer-object entry points (as TARVOK_GL_DISABLE=fbo does).
    g_gl.glGenFramebuffersEXT = nullptr;
    g_gl.glCheckFramebufferStatusEXT = nullptr;
    PaintPattern(0, 0, 40, 30);
    CreateScreen(2, 101, 30, 20);
    EXPECT_EQ(tarvok::Surfaces().surfaces[2].width, 0);

    UseScreen(2);
    DrawRect(0, 0, 8, 8, kRed);
    DrawRect(22, 12, 8, 8, kBlue);
    UseScreen(-1);
    // The saved screen area is back, pixel for pixel.
    for (int y = 0; y < 30; y += 3)
        for (int x = 0; x < 40; x += 3) ASSERT_EQ(Pixel(x, y), PatternColour(x, y)) << x << "," << y;

    Clear(kGrey);
    DrawSprite(101, 300, 200);
    // (315, 205) is still the key colour when finished: transparent.
    ExpectPixels({{300, 200, kRed}, {329, 219, kBlue}, {315, 205, kGrey}});

    // Selecting it again shows its content in the corner, where drawing goes on.
    PaintPattern(0, 0, 40, 30);
    UseScreen(2);
    ExpectPixels({{1, 1, kRed}, {29, 19, kBlue}});
    DrawRect(10, 0, 2, 2, kGreen);
    UseScreen(-1);
    Clear(kGrey);
    DrawSprite(101, 0, 0);
    ExpectPixels({{0, 0, kRed}, {11, 1, kGreen}, {15, 5, kGrey}});
}

TEST_F(GfxSurfaces, BadNumbersAndSizesChangeNothing) {
    const double maxSide = tarvok::MaxTextureSize();
    for (const auto& [w, h] : {std::pair{0.0, 10.0}, {10, 0}, {-5, 10}, {maxSide + 1, 8}, {8, 1e12}}) {
        CreateScreen(4, 102, w, h);
        EXPECT_EQ(Slot(102).drawTexture, 0u) << w << " x " << h;
        EXPECT_EQ(tarvok::Surfaces().surfaces[4].sprite, -1);
    }
    CreateScreen(32, 102, 16, 16);
    CreateScreen(-1, 102, 16, 16);
    CreateScreen(4, 70000, 16, 16);
    EXPECT_EQ(Slot(102).drawTexture, 0u);
    for (const double surface : {40, 4, -2}) UseScreen(surface);  // 4 was never made
    EXPECT_EQ(tarvok::Surfaces().current, -1);
    Clear(kGreen);
    DrawRect(0, 0, 4, 4, kRed);
    EXPECT_EQ(Pixel(1, 1), kRed);  // drawing still goes to the window

    GrabSprite(12, 0, 0, 8, 8);
    const std::uint32_t texture = Slot(12).drawTexture;
    for (const auto& [w, h] : {std::pair{-4.0, 8.0}, {8.0, -4.0}, {0.0, 8.0}, {maxSide + 1, 8.0}}) {
        GrabSprite(12, 10, 10, w, h);
    }
    GrabSprite(70000, 0, 0, 8, 8);
    EXPECT_EQ(std::tuple(Slot(12).drawTexture, Slot(12).width, Slot(12).height), std::tuple(texture, 8, 8));
    const std::string log = ErrorLogText();
    EXPECT_NE(log.find("CreateScreen: surface size 0 x 10"), std::string::npos) << log;
    EXPECT_NE(log.find("GrabSprite: size -4 x 8"), std::string::npos) << log;
}

TEST_F(GfxSurfaces, GrabbingCopiesTheScreenRectangleWithTheKeyTransparent) {
    Clear(kGrey);
    PaintPattern(100, 50, 40, 30);
    GrabSprite(5, 100, 50, 20, 20);
    GrabSprite(6, 100, 50, 33, 20);
    EXPECT_EQ(Sizes(5), (std::array{20, 20, 32, 32}));
    EXPECT_EQ(Sizes(6), (std::array{33, 20, 64, 32}));
    Clear(0);
    DrawSprite(6, 0, 0);
    for (int y = 0; y < 20; y += 2)
        for (int x = 0; x < 33; x += 2) ASSERT_EQ(Pixel(x, y), PatternColour(x, y)) << x << "," << y;
    EXPECT_EQ(Pixel(33, 0), 0u);

    // At the edges and partly outside: what lies outside is transparent.
    Clear(kGrey);
    PaintPattern(620, 460, 20, 20);
    PaintPattern(0, 0, 8, 8);
    GrabSprite(8, 630, 470, 20, 20);
    GrabSprite(9, -5, -3, 10, 10);
    GrabSprite(10, 700, 700, 8, 8);
    Clear(kGreen);
    DrawSprite(8, 100, 100);
    DrawSprite(9, 200, 100);
    DrawSprite(10, 300, 100);
    ExpectPixels({{100, 100, PatternColour(10, 10)}, {109, 109, PatternColour(19, 19)}, {110, 100, kGreen},
                  {100, 110, kGreen}, {119, 119, kGreen}, {205, 103, PatternColour(0, 0)}, {204, 103, kGreen},
                  {209, 109, PatternColour(4, 6)}, {205, 102, kGreen}, {303, 103, kGreen}});
    // The same size again keeps the texture.
    const std::uint32_t texture = Slot(8).drawTexture;
    GrabSprite(8, 0, 0, 20, 20);
    EXPECT_EQ(Slot(8).drawTexture, texture);

    // Key-coloured pixels grab transparent, also from a frame buffer without alpha (compared colours).
    for (const int alphaBits : {8, 0}) {
        tarvok::Surfaces().alphaBits = alphaBits;
        Clear(kGrey);
        DrawRect(10, 10, 20, 20, kRed);
        DrawRect(15, 15, 5, 5, kKey);
        GrabSprite(11, 10, 10, 20, 20);
        Clear(kGreen);
        DrawSprite(11, 100, 100);
        EXPECT_EQ((std::vector{Pixel(100, 100), Pixel(107, 107), Pixel(111, 111)}),
                  (std::vector{kRed, kGreen, kRed})) << alphaBits;
    }
    // The probe that finds how the key is shown leaves the picture and the blending as they were.
    Clear(kGrey);
    SetAlphaMode(-0.5);
    const tarvok::SavedKey key = tarvok::DisplayedKey();
    EXPECT_EQ(std::tuple(key.active, key.r, key.g, key.b), std::tuple(true, 255, 0, 128));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    SetAlphaMode(0);
    EXPECT_EQ(Pixel(4, 4), kGrey);
    SetTransparency(0);
    EXPECT_FALSE(tarvok::DisplayedKey().active);
}

TEST_F(GfxSurfaces, ScreenBecomesTheBackground) {
    Clear(kGrey);
    PaintPattern(600, 440, 40, 40);
    DrawRect(0, 0, 50, 50, kBlue);
    UseScreenAsBackground();
    const tarvok::BackgroundLayer& layer = tarvok::Store().layers[0];
    // One tile, 128 doubled until it covers 640.
    EXPECT_EQ((std::array{layer.columns, layer.rows, layer.tileTextureWidth[0][0], layer.tileUsedWidth[0][0],
                          layer.tileUsedHeight[0][0]}),
              (std::array{1, 1, 1024, 640, 480}));
    Clear(0);
    ASSERT_TRUE(DrawBackground());
    ExpectPixels({{0, 0, kBlue}, {49, 49, kBlue}, {50, 50, kGrey}, {639, 479, PatternColour(39, 39)},
                  {611, 447, PatternColour(11, 7)}});
}

// The frames the cross-fade shows: the centre pixel of each, read just before its swap.
std::vector<std::uint32_t> g_shownCentres;
OpenGLZazuzive* g_blendDisplay = nullptr;

void RecordAndShow() {
    g_shownCentres.push_back(GlTest::Pixel(320, 240));
    SwapAndWait(*g_blendDisplay);
    glDisable(GL_BLEND);
}

TEST_F(GfxSurfaces, BlendScreenFadesToThePicture) {
    g_blendDisplay = display_;
    g_gfx2dHooks.showScreen = RecordAndShow;
    g_shownCentres.clear();
    const std::uint32_t oldColour = 200 | 0 << 8 | 100 << 16, newColour = 0 | 200 << 8 | 50 << 16;

    Clear(oldColour);
    BlendScreen(fixtures::TempPath("missing.bmp").c_str());
    EXPECT_TRUE(g_shownCentres.empty());
    EXPECT_EQ(Pixel(320, 240), oldColour);

    BlendScreen(fixtures::BmpFile("next.bmp", 640, 480, [&](int, int) { return newColour; }).c_str());
    ASSERT_GE(g_shownCentres.size(), 10u);  // 1.5 s at 60 frames a second
    // First frame: 0.9 of the old screen added to 0.1 of the picture.
    const std::uint32_t first = g_shownCentres.front();
    EXPECT_NEAR(Red(first), 180, 2);
    EXPECT_NEAR(Green(first), 20, 2);
    EXPECT_NEAR(Blue(first), 95, 2);
    // Every frame mixes the two colours; from the second on (the clock's, near 1) the old one fades.
    int previousRed = 256, intermediate = 0;
    for (std::size_t i = 0; i + 1 < g_shownCentres.size(); ++i) {
        const std::uint32_t c = g_shownCentres[i];
        EXPECT_NEAR(Red(c) + Green(c), 200, 3) << i;
        EXPECT_NEAR(Blue(c), 50 + Red(c) / 4.0, 2) << i;
        if (i > 0) {
            EXPECT_LE(Red(c), previousRed + 1) << i;
            previousRed = Red(c);
        }
        intermediate += Red(c) > 40 && Red(c) < 160;
    }
    EXPECT_GE(intermediate, 3);
    EXPECT_EQ(g_shownCentres.back(), newColour);  // the picture stays, as the background
    const auto& layers = tarvok::Store().layers;
    EXPECT_EQ((std::array{layers[0].columns > 0, layers[1].columns > 0, layers[2].columns > 0}),
              (std::array{true, false, false}));
}

TEST_F(GfxSurfaces, SavedScreenAndSpritesHoldThePixelsShownAndFailuresLeaveNoFile) {
    EXPECT_EQ(SaveScreen(TempPath("none.bmp").c_str()), 0);  // nothing shown yet
    EXPECT_FALSE(fs::exists(TempPath("none.bmp")));
    Paint();
    GrabSprite(20, 590, 390, 20, 12);  // grey and key colour, the key part transparent in the sprite
    KeepShownPicture();
    Clear(0x00FF00);  // drawn after the picture was shown: not saved
    for (const char* name : {"screen.PNG", "screen.bmp", "screen"}) {
        ASSERT_EQ(SaveScreen(TempPath(name).c_str()), 1) << name;
    }
    ExpectFileHolds(TempPath("screen.PNG"), 640, 480, Shown);
    ExpectFileHolds(TempPath("screen.bmp"), 640, 480, Shown);
    EXPECT_EQ(fixtures::ReadFile(TempPath("screen")), fixtures::ReadFile(TempPath("screen.bmp")));  // a BMP
    for (const char* name : {"sprite.bmp", "sprite.png"}) {
        ASSERT_EQ(SaveSprite(TempPath(name).c_str(), 20), 1);
        ExpectFileHolds(TempPath(name), 20, 12, [](int x, int y) { return Shown(590 + x, 390 + y); });
    }
    EXPECT_EQ(Pixel(4, 4), 0x00FF00u);  // the key probe put its pixel back

    EXPECT_EQ(SaveScreen(TempPath("missing/screen.bmp").c_str()), 0);
    EXPECT_EQ(SaveScreen(TempPath("missing/screen.png").c_str()), 0);
    EXPECT_FALSE(fs::exists(TempPath("missing")));
    for (const double slot : {30.0, 7e4, -1.0}) EXPECT_EQ(SaveSprite(TempPath("no.bmp").c_str(), slot), 0);
    EXPECT_FALSE(fs::exists(TempPath("no.bmp")));
}

}  // namespace
