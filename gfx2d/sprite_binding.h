// Binding sprite textures for drawing; shared by the sprite, text and 3D drawing code.
#pragma once

#include <cstdint>

#include "gfx2d/sprite_geometry.h"

namespace tarvok {

// Binds slot's texture on unit 0 (texturing off when slot is below 0) and, with multitexturing,
// secondSlot's on unit 1 (off unless both are 0 or above). The name is nameTable[slot] when a table is
// given, else the slot's mip-mapped copy when useMip is set, else its drawing texture.
void BindSprite(std::int32_t slot, std::int32_t secondSlot = -1, bool useMip = false,
                const std::uint32_t* nameTable = nullptr);

// Linear or nearest filtering of the bound texture, as the smoothing flag says.
void ApplySmoothing();

// Queues one sprite quad drawn with slot's texture (bound, with the smoothing filter, when a new run
// starts); a different texture or filter first draws the quads queued so far.
void QueueSpriteQuad(std::int32_t slot, const Quad& quad);
// Draws the queued sprite quads. Every other use of GL in the 2D code calls this first.
void FlushSprites();
// Forgets the queue and its buffer object (deleted while the context exists).
void ForgetSpriteQueue();

// Whether a texture drawn now is modulated by opaque white (2D mode, global alpha 1, no lighting, no
// shader program): replacing the colour by the texel then gives the same fragments, for less work.
bool PlainTexturing();

}  // namespace tarvok
