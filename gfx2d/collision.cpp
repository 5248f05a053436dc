// Sprite collision commands: masks read back once from the slot's texture and cached until the picture
// changes.
#include "gfx2d/gfx2d.h"
#include "gfx2d/sprite_binding.h"
#include "gfx2d/texture_store.h"
#include "platform/texture_read.h"
#include "runtime/number_args.h"

namespace tarvok {
namespace {

// The collision mask of a slot, read from its texture on first use; null for an empty slot.
const CollisionMask* MaskOf(std::int32_t slot) {
    TextureStore& store = Store();
    auto& cached = store.masks[static_cast<std::size_t>(slot)];
    if (cached) return cached.get();
    const SpriteSlot& s = store.slots[static_cast<std::size_t>(slot)];
    if (s.drawTexture == 0 || s.width <= 0 || s.height <= 0 || !ContextAlive()) return nullptr;
    auto mask = std::make_unique<CollisionMask>();
    mask->textureWidth = s.textureWidth;
    mask->textureHeight = s.textureHeight;
    mask->width = s.width;
    mask->height = s.height;
    const std::size_t pixels =
        static_cast<std::size_t>(s.textureWidth) * static_cast<std::size_t>(s.textureHeight);
    std::vector<std::uint8_t> rgba(pixels * 4);
    FlushSprites();
    store.boundSlot = -1;  // unit 0 no longer holds the texture bound for drawing
    if (!platform::ReadTextureRgba(s.drawTexture, s.textureWidth, s.textureHeight, rgba.data()))
        return nullptr;
    mask->alpha.resize(pixels);
    for (std::size_t i = 0; i < pixels; ++i) mask->alpha[i] = rgba[i * 4 + 3];
    cached = std::move(mask);
    return cached.get();
}

bool PlacedFrame(double sprite, double frame, double x, double y, PlacedCell& cell) {
    std::int32_t slot = 0;
    if (!SlotNumber(sprite, slot)) return false;
    const CollisionMask* mask = MaskOf(slot);
    if (!mask) return false;
    const SpriteSlot& s = Store().slots[static_cast<std::size_t>(slot)];
    return AnimationCell(*mask, s.frameWidth, s.frameHeight, ToInt(frame), ToInt(x), ToInt(y), cell);
}

}  // namespace
}  // namespace tarvok

using namespace tarvok;

double SpriteCollision(double sprite1, double x1, double y1, double sprite2, double x2, double y2) {
    std::int32_t a = 0, b = 0;
    if (!SlotNumber(sprite1, a) || !SlotNumber(sprite2, b)) return 0;
    const CollisionMask* m1 = MaskOf(a);
    const CollisionMask* m2 = MaskOf(b);
    if (!m1 || !m2) return 0;
    return CellsCollide(WholePicture(*m1, ToInt(x1), ToInt(y1)), WholePicture(*m2, ToInt(x2), ToInt(y2))) ? 1 : 0;
}

double AnimCollision(double sprite1, double frame1, double x1, double y1, double sprite2, double frame2,
                     double x2, double y2) {
    PlacedCell a, b;
    if (!PlacedFrame(sprite1, frame1, x1, y1, a) || !PlacedFrame(sprite2, frame2, x2, y2, b)) return 0;
    return CellsCollide(a, b) ? 1 : 0;
}
