// The texture store and its joins with the display object.
#include "gfx2d/texture_store.h"

#include <GL/gl.h>

#include "frame/display.h"
#include "gfx2d/sprite_binding.h"
#include "runtime/engine_globals.h"
#include "runtime/number_args.h"

namespace tarvok {
namespace {

std::unique_ptr<TextureStore> g_store;

}  // namespace

TextureStore& Store() {
    if (!g_store) g_store = std::make_unique<TextureStore>();
    return *g_store;
}

bool ContextAlive() { return g_engine.display && g_engine.display->initialised; }

std::int32_t ScreenWidth() { return g_engine.display ? g_engine.display->clientWidth : 0; }
std::int32_t ScreenHeight() { return g_engine.display ? g_engine.display->clientHeight : 0; }

float GlobalAlpha() { return g_engine.display ? g_engine.display->globalAlpha : 1.0f; }
void SetGlobalAlpha(float alpha) {
    if (g_engine.display) g_engine.display->globalAlpha = alpha;
}

bool SlotNumber(double value, std::int32_t& slot) {
    slot = ToInt(value);
    return slot >= 0 && slot < kSpriteSlots;
}

void ClearSlot(std::int32_t slot) {
    SpriteSlot& s = Store().slots[static_cast<std::size_t>(slot)];
    if (ContextAlive()) {
        FlushSprites();  // the queued quads may use the texture
        const GLuint names[2] = {s.drawTexture, s.mipTexture};
        glDeleteTextures(2, names);
    }
    const std::int16_t frameWidth = s.frameWidth, frameHeight = s.frameHeight;
    s = SpriteSlot{};
    s.frameWidth = frameWidth;  // the frame size outlives a reload
    s.frameHeight = frameHeight;
    DiscardMask(slot);
}

void DiscardMask(std::int32_t slot) { Store().masks[static_cast<std::size_t>(slot)].reset(); }

SpriteSizes SizesOf(const SpriteSlot& slot) {
    return {slot.width, slot.height, slot.textureWidth, slot.textureHeight, slot.frameWidth, slot.frameHeight};
}

}  // namespace tarvok
