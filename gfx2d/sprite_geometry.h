// Screen quads of the sprite drawing commands: corner positions and texture coordinates computed from the
// picture and texture sizes, with positions rounded up to whole pixels. Pure functions.
#pragma once

#include <array>
#include <cstdint>

namespace tarvok {

// What drawing needs to know of a slot.
struct SpriteSizes {
    std::int32_t width = 0;          // picture
    std::int32_t height = 0;
    std::int32_t textureWidth = 0;   // texture (powers of two; -1 for an empty slot)
    std::int32_t textureHeight = 0;
    std::int32_t frameWidth = 0;     // animation frame; 0 = not an animation
    std::int32_t frameHeight = 0;
};

struct QuadCorner {
    float x, y, s, t;
};
using Quad = std::array<QuadCorner, 4>;

// Texture rectangle of one animation frame.
struct FrameCoords {
    float sLeft, sRight, tBottom, tTop;
};

// A drawing position rounded up to a whole pixel (NaN gives 0; values out of range saturate).
std::int32_t CeilPixel(double v);

// Frame f of an animation strip; false when the slot has no frame size or the frame is larger than the
// picture (then nothing is drawn).
bool AnimFrame(const SpriteSizes& s, std::int32_t frame, FrameCoords& coords);

// DrawSprite: the picture unscaled with its top-left corner at (ceil x, ceil y).
Quad SpriteQuad(const SpriteSizes& s, double x, double y);
// DrawAnim: one frame unscaled.
Quad AnimQuad(const SpriteSizes& s, const FrameCoords& f, double x, double y);
// StretchSprite: the picture stretched to w x h (all rounded up); a negative size mirrors it.
Quad StretchQuad(const SpriteSizes& s, double x, double y, double w, double h);
// True when exactly one of the rounded sizes is negative (the quad's winding is reversed).
bool StretchMirrored(double w, double h);
// StretchAnim: one frame stretched, the right and bottom edges pushed out by 0.1 pixel.
Quad StretchAnimQuad(const FrameCoords& f, double x, double y, double w, double h);
// RotoZoomAnim: one frame turned by angle degrees (counter-clockwise on the screen) and scaled about its
// centre, each corner rounded up.
Quad RotoZoomAnimQuad(const SpriteSizes& s, const FrameCoords& f, double x, double y, double angle,
                      double zoom);
// RotoZoomSprite before its transform: the quad about the origin, texture coordinates inset half a texel.
Quad RotoZoomLocalQuad(const SpriteSizes& s, double zoom);

}  // namespace tarvok
