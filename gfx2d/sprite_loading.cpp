// Loading pictures into sprite slots: the commands of the texture store.
#include <algorithm>
#include <string>

#include "gfx2d/gfx2d.h"
#include "gfx2d/texture_store.h"
#include "gfx2d/texture_upload.h"
#include "runtime/number_args.h"

namespace tarvok {
namespace {

std::int16_t FrameSide(double v) { return static_cast<std::int16_t>(std::clamp(ToInt(v), -32768, 32767)); }

// Clears the slot, resolves the name through the archive and loads the picture.
bool LoadPictureInto(const RtString& file, std::int32_t slot, std::int32_t key, bool bump) {
    ClearSlot(slot);
    std::string path;
    return ResolveDataFile(file.CText(), path) && LoadIntoSlot(slot, path, key, bump);
}

}  // namespace
}  // namespace tarvok

using namespace tarvok;

double LoadSprite(const RtString& file, double sprite) {
    std::int32_t slot = 0;
    if (!SlotNumber(sprite, slot)) return 0;
    return LoadPictureInto(file, slot, Store().spriteColourKey, false) ? 1 : 0;
}

void LoadAnim(const RtString& file, double sprite, double frameWidth, double frameHeight) {
    std::int32_t slot = 0;
    if (!SlotNumber(sprite, slot)) return;
    LoadPictureInto(file, slot, Store().spriteColourKey, false);
    SpriteSlot& s = Store().slots[static_cast<std::size_t>(slot)];
    if (s.width > 0) {
        s.frameWidth = FrameSide(frameWidth);
        s.frameHeight = FrameSide(frameHeight);
    }
}

double LoadBumpTexture(const RtString& file, double sprite) {
    std::int32_t slot = 0;
    if (!SlotNumber(sprite, slot)) return 0;
    return LoadPictureInto(file, slot, kDefaultSpriteKey, true) ? 1 : 0;
}

void SetTransparency(double colour) {
    Store().spriteColourKey = ToInt(colour);
    Store().fontColourKey = ToInt(colour);
}

void GetSpriteSize(double sprite, double& width, double& height) {
    std::int32_t slot = 0;
    width = height = 0;
    if (!SlotNumber(sprite, slot)) return;
    width = Store().slots[static_cast<std::size_t>(slot)].width;
    height = Store().slots[static_cast<std::size_t>(slot)].height;
}
