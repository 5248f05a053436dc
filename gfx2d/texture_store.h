// The texture store: 65,536 sprite slots with their collision masks, the colour keys, the eight
// background layers and the 2D drawing state that belongs to the pictures. One store exists while the
// display does; the display reaches it through its hooks (unbind, release).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "gfx2d/collision_mask.h"
#include "gfx2d/font_layout.h"
#include "gfx2d/image_buffer.h"
#include "gfx2d/sprite_geometry.h"

class OpenGLZazuzive;

namespace tarvok {

constexpr std::int32_t kSpriteSlots = 65536;
constexpr std::int32_t kLastOrdinarySlot = 65503;  // slots above are the font slots
constexpr std::int32_t kBackgroundLayers = 8;
constexpr std::int32_t kDefaultSpriteKey = 0x8000FF;  // red 255, green 0, blue 128

struct SpriteSlot {
    std::uint32_t drawTexture = 0;     // GL texture for 2D drawing; 0 when none
    std::uint32_t mipTexture = 0;      // mip-mapped copy for the 3D engine; 0 when none
    std::int16_t textureWidth = -1;    // power of two; -1 when empty
    std::int16_t textureHeight = -1;
    std::int16_t width = 0;            // picture size; 0 when empty
    std::int16_t height = 0;
    std::int16_t frameWidth = 0;       // animation frame size; 0 = not an animation
    std::int16_t frameHeight = 0;
    bool opaque = false;               // no texel of drawTexture is transparent (set by picture loads only)
};

struct BackgroundLayer {
    std::uint32_t tile[8][8] = {};              // GL texture names, [column][row]
    std::int32_t tileTextureWidth[8][8] = {};
    std::int32_t tileTextureHeight[8][8] = {};
    std::int32_t tileUsedWidth[8][8] = {};
    std::int32_t tileUsedHeight[8][8] = {};
    std::int32_t columns = 0;                   // 0 = layer empty
    std::int32_t rows = 0;
};

// One polygon vertex as drawn from the array: position, texture coordinate, colour.
struct PolyVertex {
    float x, y, s, t, r, g, b, a;
};

struct TextureStore {
    std::vector<SpriteSlot> slots = std::vector<SpriteSlot>(kSpriteSlots);
    std::vector<std::unique_ptr<CollisionMask>> masks = std::vector<std::unique_ptr<CollisionMask>>(kSpriteSlots);
    std::int32_t spriteColourKey = kDefaultSpriteKey;
    std::int32_t fontColourKey = 0;
    bool smoothing = true;
    std::int32_t boundSlot = -1;        // slot bound on texture unit 0; -1 = texturing off
    bool secondUnitMaybeOn = true;      // texturing on unit 1 may be on (false once BindSprite turned it off)
    std::int32_t currentFont = 0;
    std::array<BackgroundLayer, kBackgroundLayers> layers{};
    std::vector<PolyVertex> polygon;    // filled by PolyVector, drawn by EndPoly
    std::vector<TextVertex> text;       // reused by every text print
    ImageBuffer image;                  // reused by every picture load
};

// The store of the current display (created on first use).
TextureStore& Store();

// Whether textures can be created and deleted now: a display with a current GL context exists.
bool ContextAlive();
// The display's drawing area in pixels.
std::int32_t ScreenWidth();
std::int32_t ScreenHeight();
// The display's global alpha (1.0 without a display).
float GlobalAlpha();
void SetGlobalAlpha(float alpha);

// A sprite number from the game: false when it is not a slot (below 0 or above 65535).
bool SlotNumber(double value, std::int32_t& slot);

// Empties a slot: deletes its textures while a context exists, frees its collision mask.
void ClearSlot(std::int32_t slot);
// Discards the collision mask of a slot whose picture changed.
void DiscardMask(std::int32_t slot);
// The drawing sizes of a slot.
SpriteSizes SizesOf(const SpriteSlot& slot);

}  // namespace tarvok
