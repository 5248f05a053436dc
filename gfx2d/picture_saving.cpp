// Saving the picture shown last, or a sprite's picture, as a BMP or PNG file.

#include <vector>

#include "gfx2d/gfx2d.h"
#include "gfx2d/sprite_binding.h"
#include "gfx2d/picture_writers.h"
#include "gfx2d/surfaces.h"
#include "platform/texture_read.h"
#include "runtime/number_args.h"

using namespace tarvok;

double SaveScreen(const RtString& file) {
    if (!ContextAlive()) return 0;
    ImageBuffer image;
    if (!ReadShownPicture(image)) return 0;
    return WritePictureFile(file.CText(), image, DisplayedKey()) ? 1 : 0;
}

double SaveSprite(const RtString& file, double sprite) {
    std::int32_t n = 0;
    if (!SlotNumber(sprite, n) || !ContextAlive()) return 0;
    const SpriteSlot& slot = Store().slots[static_cast<std::size_t>(n)];
    ImageBuffer image;
    if (slot.drawTexture == 0 || slot.width > slot.textureWidth || slot.height > slot.textureHeight ||
        !image.Resize(slot.width, slot.height)) {
        return 0;
    }
    // The picture is the bottom-left part of the texture, its top row highest.
    std::vector<std::uint8_t> texture(static_cast<std::size_t>(slot.textureWidth) * slot.textureHeight * 4);
    FlushSprites();
    Store().boundSlot = -1;
    if (!platform::ReadTextureRgba(slot.drawTexture, slot.textureWidth, slot.textureHeight, texture.data()))
        return 0;
    for (std::int32_t y = 0; y < image.height; ++y) {
        const std::uint8_t* row =
            texture.data() + static_cast<std::size_t>(image.height - 1 - y) * slot.textureWidth * 4;
        std::copy(row, row + static_cast<std::size_t>(image.width) * 4, image.Row(y));
    }
    return WritePictureFile(file.CText(), image, DisplayedKey()) ? 1 : 0;
}
