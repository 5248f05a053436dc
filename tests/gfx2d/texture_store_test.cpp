// Loading pictures into slots, read back from GL.
#include <cmath>

#include "gfx2d/texture_store.h"
#include "tests/gfx2d/fixtures.h"
#include "tests/gfx2d/gl_fixture.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::uint32_t Pattern(int x, int y) { return (x * 40 + 10) | (y * 50 + 5) << 8 | 200 << 16; }

// The RGBA bytes of pixel (x, row) of a texture's level 0, rows from the bottom.
Bytes Texel(std::uint32_t texture, int textureWidth, int x, int row) {
    std::vector<std::uint8_t> px(static_cast<std::size_t>(textureWidth) * 64 * 4);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
    const auto at = px.begin() + (row * textureWidth + x) * 4;
    return Bytes(at, at + 4);
}

GLint MinFilter(std::uint32_t texture) {
    GLint value = 0;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &value);
    return value;
}

}  // namespace

using GfxTextures = GlTest;

TEST_F(GfxTextures, ColourKeyEdgeBleedingAndFlip) {
    // 5 x 5 picture, the centre pixel in the key colour.
    const auto keyed = [](int x, int y) { return x == 2 && y == 2 ? 0x8000FFu : Pattern(x, y); };
    const std::string path = fixtures::BmpFile("keyed.bmp", 5, 5, keyed);
    ASSERT_EQ(LoadSprite(path.c_str(), 7), 1);
    const auto& s = Slot(7);
    double w = 0, h = 0;
    GetSpriteSize(7, w, h);
    EXPECT_EQ(std::tuple(w, h, s.textureWidth, s.textureHeight), std::tuple(5.0, 5.0, 8, 8));
    // Texture row r holds picture row 4 - r.
    for (const auto& [x, y] : {std::pair{0, 0}, {4, 1}, {1, 4}}) {
        const Bytes expected = {std::uint8_t(x * 40 + 10), std::uint8_t(y * 50 + 5), 200, 255};
        EXPECT_EQ(Texel(s.drawTexture, 8, x, 4 - y), expected);
    }
    // The keyed pixel is transparent and takes the mean colour of its 8 opaque neighbours (the bleeding
    // rules are tested in memory; this is the upload applying them).
    EXPECT_EQ(Texel(s.drawTexture, 8, 2, 2), (Bytes{90, 105, 200, 0}));
    // The normal slot has a mip-mapped copy down to 1 x 1 with linear filtering.
    ASSERT_NE(s.mipTexture, 0u);
    EXPECT_EQ(MinFilter(s.mipTexture), GL_LINEAR_MIPMAP_LINEAR);
    GLint side = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 3, GL_TEXTURE_WIDTH, &side);
    EXPECT_EQ(side, 1);

    // A font slot: nearest filtering, no mip copy, no bleeding.
    ASSERT_EQ(LoadSprite(path.c_str(), 65504), 1);
    EXPECT_EQ(Slot(65504).mipTexture, 0u);
    EXPECT_EQ(MinFilter(Slot(65504).drawTexture), GL_NEAREST);
    EXPECT_EQ(Texel(Slot(65504).drawTexture, 8, 2, 2), (Bytes{0, 0, 0, 0}));
}

TEST_F(GfxTextures, SizesFailuresKeysAndBumpMaps) {
    const auto plain = [](int, int) { return 0x123456; };
    const std::string one = fixtures::BmpFile("one.bmp", 1, 1, plain);
    const std::string odd = fixtures::BmpFile("odd.bmp", 33, 16, plain);
    ASSERT_EQ(LoadSprite(one.c_str(), 1), 1);
    ASSERT_EQ(LoadSprite(odd.c_str(), 2), 1);
    EXPECT_EQ(Slot(2).textureWidth, 64);

    // A failed load leaves the slot empty, never half-filled.
    EXPECT_EQ(LoadSprite(fixtures::TempPath("missing.bmp").c_str(), 2), 0);
    EXPECT_EQ(std::pair(Slot(2).drawTexture, int(Slot(2).textureWidth)), std::pair(0u, -1));
    double w = 1, h = 1;
    GetSpriteSize(2, w, h);
    EXPECT_EQ(std::pair(w, h), std::pair(0.0, 0.0));
    const std::string junk = fixtures::TempPath("junk.bmp");
    fixtures::WriteFile(junk, {'B', 'M', 1, 2, 3});
    EXPECT_EQ(LoadSprite(junk.c_str(), 1), 0);
    EXPECT_EQ(Slot(1).width, 0);
    EXPECT_EQ(LoadSprite(one.c_str(), -1), 0);
    EXPECT_EQ(LoadSprite(one.c_str(), 65536), 0);
    EXPECT_EQ(LoadSprite(one.c_str(), std::nan("")), 1);  // NaN counts as 0
    for (const double bad : {-1.0, 1e12}) {
        GetSpriteSize(bad, w, h);
        EXPECT_EQ(w, 0) << bad;
    }

    // The extension plays no part: a PNG named .bmp loads through the PNG reader (its key pixel keyed).
    const std::string png = fixtures::TempPath("really-png.bmp");
    fixtures::WriteFile(png, fixtures::PngBytes(3, 1, 8, 2, {0, 255, 0, 128, 1, 2, 3, 4, 5, 6}));
    ASSERT_EQ(LoadSprite(png.c_str(), 3), 1);
    EXPECT_EQ(Texel(Slot(3).drawTexture, 4, 0, 0)[3], 0);
    EXPECT_EQ(Texel(Slot(3).drawTexture, 4, 1, 0), (Bytes{1, 2, 3, 255}));

    // SetTransparency(0): black becomes transparent instead of the default key.
    const std::string black = fixtures::BmpFile("black.bmp", 2, 2, [](int x, int) { return x * 0x8000FF; });
    for (const std::uint32_t key : {0x000000, 0x8000FF}) {
        SetTransparency(key);
        ASSERT_EQ(LoadSprite(black.c_str(), 4), 1);
        EXPECT_EQ(Texel(Slot(4).drawTexture, 2, 0, 0)[3], key == 0 ? 0 : 255) << key;
        EXPECT_EQ(Texel(Slot(4).drawTexture, 2, 1, 0)[3], key == 0 ? 255 : 0) << key;
    }

    // Animation frame sizes are kept only for a loaded picture.
    LoadAnim(odd.c_str(), 5, 11, 8);
    EXPECT_EQ((std::pair<int, int>(Slot(5).frameWidth, Slot(5).frameHeight)), std::pair(11, 8));
    LoadAnim(fixtures::TempPath("missing.bmp").c_str(), 6, 11, 8);
    EXPECT_EQ(Slot(6).frameWidth, 0);

    // A flat bump picture has no gradient: every normal points straight out of the surface.
    const std::string flat = fixtures::BmpFile("flat.bmp", 4, 4, [](int, int) { return 0x400000; });
    ASSERT_EQ(LoadBumpTexture(flat.c_str(), 9), 1);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(Texel(Slot(9).drawTexture, 4, i % 4, i / 4), (Bytes{127, 127, 255, 255})) << i;
    }
}
