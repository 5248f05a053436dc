// Loading pictures into slots, read back from GL.
#include <cmath>

#include "gfx2d/texture_store.h"
#include "tests/gfx2d/fixtures.h"
#include "tests/gfx2d/gl_fixture.h"

namespace {

std::uint32_t Pattern(int x, int y) { return static_cast<std::uint32_t>(x * 40 + 10) | (y * 50 + 5) << 8 | 200u << 16; }

// The RGBA bytes of a texture's level 0.
std::vector<std::uint8_t> TexturePixels(std::uint32_t name, int w, int h) {
    std::vector<std::uint8_t> px(static_cast<std::size_t>(w) * h * 4);
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
    return px;
}

GLint TextureParameter(std::uint32_t name, GLenum parameter) {
    GLint value = 0;
    glBindTexture(GL_TEXTURE_2D, name);
    glGetTexParameteriv(GL_TEXTURE_2D, parameter, &value);
    return value;
}

}  // namespace

using GfxTextures = GlTest;

TEST_F(GfxTextures, ColourKeyEdgeBleedingAndFlip) {
    // 5 x 5 picture, the centre pixel in the key colour.
    const std::string path =
        fixtures::BmpFile("keyed.bmp", 5, 5, [](int x, int y) { return x == 2 && y == 2 ? 0x8000FF : Pattern(x, y); });
    ASSERT_EQ(LoadSprite(path.c_str(), 7), 1);
    const auto& s = Slot(7);
    double w = 0, h = 0;
    GetSpriteSize(7, w, h);
    EXPECT_EQ((std::array<int, 3>{s.width, s.textureWidth, s.textureHeight}), (std::array{5, 8, 8}));
    EXPECT_EQ(std::pair(w, h), std::pair(5.0, 5.0));

    const auto px = TexturePixels(s.drawTexture, 8, 8);
    const auto at = [&](int x, int row) { return &px[static_cast<std::size_t>(row * 8 + x) * 4]; };
    // Texture row r holds picture row 4 - r.
    for (const auto& [x, y] : {std::pair{0, 0}, {4, 1}, {1, 4}}) {
        EXPECT_EQ(at(x, 4 - y)[0], Red(Pattern(x, y)));
        EXPECT_EQ(at(x, 4 - y)[1], Green(Pattern(x, y)));
        EXPECT_EQ(at(x, 4 - y)[3], 255);
    }
    // The keyed pixel is transparent and takes the mean colour of its 8 opaque neighbours (the bleeding
    // rules are tested in memory; this is the upload applying them).
    EXPECT_EQ(std::vector<int>(at(2, 2), at(2, 2) + 4), (std::vector<int>{90, 105, 200, 0}));
    // The normal slot has a mip-mapped copy down to 1 x 1 with linear filtering.
    ASSERT_NE(s.mipTexture, 0u);
    EXPECT_EQ(TextureParameter(s.mipTexture, GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
    GLint side = 0;
    glBindTexture(GL_TEXTURE_2D, s.mipTexture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 3, GL_TEXTURE_WIDTH, &side);
    EXPECT_EQ(side, 1);

    // A font slot: nearest filtering, no mip copy, no bleeding.
    ASSERT_EQ(LoadSprite(path.c_str(), 65504), 1);
    const auto& f = Slot(65504);
    EXPECT_EQ(f.mipTexture, 0u);
    EXPECT_EQ(TextureParameter(f.drawTexture, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    const auto fontPx = TexturePixels(f.drawTexture, 8, 8);
    EXPECT_EQ(fontPx[(2 * 8 + 2) * 4 + 0], 0);
    EXPECT_EQ(fontPx[(2 * 8 + 2) * 4 + 3], 0);
}

TEST_F(GfxTextures, SizesFailuresAndKeys) {
    const auto plain = [](int, int) { return 0x123456; };
    const std::string one = fixtures::BmpFile("one.bmp", 1, 1, plain), odd = fixtures::BmpFile("odd.bmp", 33, 16, plain);
    ASSERT_EQ(LoadSprite(one.c_str(), 1), 1);
    ASSERT_EQ(LoadSprite(odd.c_str(), 2), 1);
    EXPECT_EQ(Slot(2).textureWidth, 64);

    // A failed load leaves the slot empty, never half-filled.
    EXPECT_EQ(LoadSprite(fixtures::TempPath("missing.bmp").c_str(), 2), 0);
    EXPECT_EQ(Slot(2).drawTexture, 0u);
    EXPECT_EQ(Slot(2).textureWidth, -1);
    double w = 1, h = 1;
    GetSpriteSize(2, w, h);
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
    const std::string junk = fixtures::TempPath("junk.bmp");
    fixtures::WriteFile(junk, {'B', 'M', 1, 2, 3});
    EXPECT_EQ(LoadSprite(junk.c_str(), 1), 0);
    EXPECT_EQ(Slot(1).width, 0);
    EXPECT_EQ(LoadSprite(one.c_str(), -1), 0);
    EXPECT_EQ(LoadSprite(one.c_str(), 65536), 0);
    EXPECT_EQ(LoadSprite(one.c_str(), std::nan("")), 1);  // NaN counts as 0
    GetSpriteSize(-1, w, h);
    EXPECT_EQ(w, 0);
    GetSpriteSize(1e12, w, h);
    EXPECT_EQ(w, 0);

    // The extension plays no part: a PNG named .bmp loads through the PNG reader.
    const std::string png = fixtures::TempPath("really-png.bmp");
    fixtures::WriteFile(png, fixtures::PngBytes(3, 1, 8, 2, {0, 255, 0, 128, 1, 2, 3, 4, 5, 6}));
    ASSERT_EQ(LoadSprite(png.c_str(), 3), 1);
    const auto px = TexturePixels(Slot(3).drawTexture, 4, 2);
    EXPECT_EQ(px[3], 0);  // the key colour
    EXPECT_EQ(px[4], 1);
    EXPECT_EQ(px[7], 255);

    // SetTransparency(0): black becomes transparent in sprites; fonts keep black transparent too.
    const std::string black =
        fixtures::BmpFile("black.bmp", 2, 2, [](int x, int) { return x == 0 ? 0 : 0x8000FF; });
    SetTransparency(0);
    ASSERT_EQ(LoadSprite(black.c_str(), 4), 1);
    auto bp = TexturePixels(Slot(4).drawTexture, 2, 2);
    EXPECT_EQ(bp[3], 0);
    EXPECT_EQ(bp[7], 255);
    SetTransparency(0x8000FF);
    ASSERT_EQ(LoadSprite(black.c_str(), 4), 1);
    bp = TexturePixels(Slot(4).drawTexture, 2, 2);
    EXPECT_EQ(bp[3], 255);
    EXPECT_EQ(bp[7], 0);

    // Animation frame sizes are kept only for a loaded picture.
    LoadAnim(odd.c_str(), 5, 11, 8);
    EXPECT_EQ(Slot(5).frameWidth, 11);
    EXPECT_EQ(Slot(5).frameHeight, 8);
    LoadAnim(fixtures::TempPath("missing.bmp").c_str(), 6, 11, 8);
    EXPECT_EQ(Slot(6).frameWidth, 0);
}

TEST_F(GfxTextures, BumpTextureBecomesANormalMap) {
    // A flat picture has no gradient: every normal points straight out of the surface.
    const std::string flat = fixtures::BmpFile("flat.bmp", 4, 4, [](int, int) { return 0x400000; });
    ASSERT_EQ(LoadBumpTexture(flat.c_str(), 9), 1);
    const auto px = TexturePixels(Slot(9).drawTexture, 4, 4);
    std::vector<std::uint8_t> straightOut;
    for (int i = 0; i < 16; ++i) straightOut.insert(straightOut.end(), {127, 127, 255, 255});
    EXPECT_EQ(px, straightOut);
}
