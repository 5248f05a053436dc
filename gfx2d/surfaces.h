// Off-screen surfaces and the reads of the buffer being drawn: the 32 surface records, the current
// surface, grabbing into slots and layers, the colour key as the frame buffer shows it, and the picture
// kept at the last swap.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "gfx2d/image_buffer.h"
#include "gfx2d/picture_writers.h"
#include "gfx2d/texture_store.h"

namespace tarvok {

constexpr std::int32_t kSurfaces = 32;
// Holds the saved screen area while a surface is emulated without frame-buffer objects.
constexpr std::int32_t kScratchSlot = kLastOrdinarySlot;

struct OffscreenSurface {
    std::uint32_t framebuffer = 0;  // GL frame-buffer object; 0 = none
    std::uint32_t depthBuffer = 0;  // render buffer with 24-bit depth
    std::int32_t width = 0;         // frame-buffer object size (the sprite's texture size); 0 = none
    std::int32_t height = 0;
    std::int32_t sprite = -1;  // slot drawn into; -1 = never created
};

struct SurfaceState {
    std::array<OffscreenSurface, kSurfaces> surfaces{};
    std::int32_t current = -1;              // -1: drawing goes to the window
    bool framebufferBound = false;          // the current surface's frame-buffer object is bound
    std::int32_t alphaBits = -1;            // alpha bits of the window's frame buffer; -1 = not asked yet
    std::vector<std::uint8_t> grabScratch;  // grabs without frame-buffer alpha
};

SurfaceState& Surfaces();

// Size of the buffer being drawn: the current surface's picture while its frame-buffer object is bound,
// else the screen.
std::int32_t DrawingWidth();
std::int32_t DrawingHeight();

// Drawing goes back to the window (what UseScreen (-1) does); nothing when no surface is current.
void FinishSurfaceForSwap();
// Deletes the surfaces' GL objects (while a context exists) and forgets every surface and the grab scratch.
void ReleaseSurfaces();

// Copies the rectangle (x, y, w, h) of the buffer being drawn (screen pixels, y downward) into the slot;
// parts outside the buffer become transparent black. With a frame buffer without alpha, pixels showing
// the colour key become transparent. A size below 1 or above the largest texture only logs a line.
void GrabIntoSlot(std::int32_t slot, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h);
// Copies the screen into the layer's tiles.
void GrabLayer(BackgroundLayer& layer);

// The colour key as the buffer being drawn stores it, found by drawing it once at (4, 4) and putting the
// pixel back. Inactive when the key is 0.
SavedKey DisplayedKey();

// The pixel (x, y) of the bound surface, y downward, as red + green x 256 + blue x 65536 (0 outside).
std::int32_t SurfacePixel(std::int32_t x, std::int32_t y);

// The picture kept at the last swap, as RGB rows from the top; false when none was kept yet.
bool ReadShownPicture(ImageBuffer& image);

}  // namespace tarvok
