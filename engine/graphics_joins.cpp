// What the 3D engine takes from the 2D texture store: sprite binding, scene textures and the current font.
#include "engine/graphics_joins.h"

#include <GL/gl.h>

#include "gfx2d/font_layout.h"
#include "gfx2d/picture_file.h"
#include "gfx2d/sprite_binding.h"
#include "gfx2d/texture_store.h"
#include "gfx2d/texture_upload.h"
#include "gfx3d/scene.h"

namespace {

void BindSprites(int first, int second, bool mip) { tarvok::BindSprite(first, second, mip); }

// A scene texture: the picture with the sprite colour key, uploaded into a texture of its own.
std::uint32_t LoadSceneTexture(const std::string& path) {
    tarvok::ImageBuffer image;
    const std::int32_t key = tarvok::Store().spriteColourKey;
    if (!tarvok::ReadPictureFile(path, image, key, tarvok::MaxTexturePixels())) return 0;
    std::uint32_t name = 0;
    tarvok::TextureBlock block;
    return tarvok::UploadTexture(image, tarvok::UploadRequest{}, name, block) ? name : 0;
}

bool BindCurrentFont(int& cellWidth, int& cellHeight, int& rows, float& sStep, float& tStep) {
    const std::int32_t slot = tarvok::kFirstFontSlot + tarvok::Store().currentFont;
    const tarvok::SpriteSlot& s = tarvok::Store().slots[static_cast<std::size_t>(slot)];
    if (s.drawTexture == 0 || s.width <= 0 || s.height <= 0) return false;
    const tarvok::FontGrid grid = tarvok::FontGridOf(s.width, s.height, s.textureWidth, s.textureHeight);
    tarvok::BindSprite(slot);
    cellWidth = grid.cellWidth;
    cellHeight = grid.cellHeight;
    rows = grid.rows;
    sStep = grid.sStep;
    tStep = grid.tStep;
    return true;
}

}  // namespace

void JoinGraphics() {
    tarvok::g_gfx3dServices.bindSprites = BindSprites;
    tarvok::g_gfx3dServices.loadTexture = LoadSceneTexture;
    tarvok::g_gfx3dServices.bindCurrentFont = BindCurrentFont;
}
