// Copying the buffer being drawn into sprites and background layers, the colour-key probe, and the
// screen cross-fade.
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <string>

#include "frame/frame.h"
#include "gfx2d/gfx2d.h"
#include "gfx2d/sprite_binding.h"
#include "gfx2d/layer_tiling.h"
#include "gfx2d/layers.h"
#include "gfx2d/surfaces.h"
#include "gfx2d/texture_upload.h"
#include "runtime/engine_globals.h"
#include "runtime/number_args.h"
#include "runtime/program_end.h"

Gfx2dHooks g_gfx2dHooks;

namespace tarvok {
namespace {

constexpr double kBlendMs = 1500.0;
constexpr double kFirstBlendWeight = 0.9;
constexpr std::int32_t kProbeX = 4, kProbeY = 4;

// A grabbed sprite's texture side: 16 doubled at least once and until it holds n (so at least 32).
std::int32_t GrabTextureSide(std::int32_t n) {
    std::int32_t side = 16;
    do side *= 2;
    while (side < n);
    return side;
}

std::int32_t AlphaBits() {
    SurfaceState& state = Surfaces();
    if (state.alphaBits < 0) {
        GLint bits = 0;
        glGetIntegerv(GL_ALPHA_BITS, &bits);
        state.alphaBits = bits;
    }
    return state.alphaBits;
}

// A rectangle of the frame buffer (rows from the bottom) and the part of it inside the buffer.
struct Clip {
    std::int32_t x0, y0, x1, y1;  // inside part, end exclusive
    bool Empty() const { return x1 <= x0 || y1 <= y0; }
};

Clip ClipToBuffer(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
    const std::int64_t x1 = std::min<std::int64_t>(static_cast<std::int64_t>(x) + w, DrawingWidth());
    const std::int64_t y1 = std::min<std::int64_t>(static_cast<std::int64_t>(y) + h, DrawingHeight());
    return {std::max(x, 0), std::max(y, 0), static_cast<std::int32_t>(std::max<std::int64_t>(x1, 0)),
            static_cast<std::int32_t>(std::max<std::int64_t>(y1, 0))};
}

// The bound texture at (0, 0) gets the w x h frame-buffer rectangle at (x, fy) straight from the buffer.
void CopyWithAlpha(std::int32_t x, std::int32_t fy, std::int32_t w, std::int32_t h) {
    const Clip clip = ClipToBuffer(x, fy, w, h);
    if (clip.Empty() || clip.x0 != x || clip.y0 != fy || clip.x1 - x != w || clip.y1 - fy != h) {
        const std::vector<std::uint8_t> clear(static_cast<std::size_t>(w) * h * 4, 0);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, clear.data());
    }
    if (clip.Empty()) return;
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, clip.x0 - x, clip.y0 - fy, clip.x0, clip.y0, clip.x1 - clip.x0,
                        clip.y1 - clip.y0);
}

// The bound texture of tw x th gets the same area of the buffer read as bytes, key pixels transparent.
void CopyKeyingPixels(std::int32_t x, std::int32_t fy, std::int32_t tw, std::int32_t th) {
    std::vector<std::uint8_t>& block = Surfaces().grabScratch;
    block.assign(static_cast<std::size_t>(tw) * th * 4, 0);
    const Clip clip = ClipToBuffer(x, fy, tw, th);
    if (!clip.Empty()) {
        // Read tightly packed, then placed row by row: WebGL has no pack row length.
        const std::size_t rowBytes = static_cast<std::size_t>(clip.x1 - clip.x0) * 4;
        std::vector<std::uint8_t> rows(rowBytes * static_cast<std::size_t>(clip.y1 - clip.y0));
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(clip.x0, clip.y0, clip.x1 - clip.x0, clip.y1 - clip.y0, GL_RGBA, GL_UNSIGNED_BYTE,
                     rows.data());
        for (std::int32_t r = 0; r < clip.y1 - clip.y0; ++r) {
            const std::size_t at = (static_cast<std::size_t>(clip.y0 - fy + r) * tw + (clip.x0 - x)) * 4;
            std::copy_n(rows.data() + r * rowBytes, rowBytes, block.data() + at);
        }
    }
    const SavedKey key = DisplayedKey();
    for (std::size_t i = 0; i < block.size(); i += 4) {
        if (key.Matches(&block[i])) block[i + 3] = 0;
    }
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, tw, th, 0, GL_RGBA, GL_UNSIGNED_BYTE, block.data());
}

std::uint8_t Byte(std::uint32_t colour, int shift) { return static_cast<std::uint8_t>(colour >> shift); }

void ReadRgb(std::int32_t x, std::int32_t y, std::uint8_t rgb[3]) {
    std::uint8_t rgba[4] = {0, 0, 0, 0};  // RGBA: the one read format WebGL always takes
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    std::copy_n(rgba, 3, rgb);
}

void ShowFrame() {
    if (g_gfx2dHooks.showScreen)
        g_gfx2dHooks.showScreen();
    else
        SwapAndWait(*g_engine.display);
}

}  // namespace

void GrabIntoSlot(std::int32_t slot, std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
    if (!ContextAlive()) return;
    const std::int32_t largest = MaxTextureSize();
    if (w < 1 || h < 1 || w > largest || h > largest) {
        AppendErrorLog(("GrabSprite: size " + std::to_string(w) + " x " + std::to_string(h) +
                        " is outside 1.." + std::to_string(largest))
                           .c_str());
        return;
    }
    FlushSprites();
    const std::int32_t tw = GrabTextureSide(w), th = GrabTextureSide(h);
    SpriteSlot& s = Store().slots[static_cast<std::size_t>(slot)];
    if (s.drawTexture == 0 || s.textureWidth != tw || s.textureHeight != th) {
        if (s.mipTexture != 0) glDeleteTextures(1, &s.mipTexture);
        s.mipTexture = 0;
        MakeLinearTexture(s.drawTexture, tw, th, nullptr);
    } else {
        glBindTexture(GL_TEXTURE_2D, s.drawTexture);
    }
    Store().boundSlot = -1;
    // The frame buffer is addressed from the bottom.
    const std::int64_t bottom = static_cast<std::int64_t>(DrawingHeight()) - y - h;
    const auto fy = static_cast<std::int32_t>(std::clamp<std::int64_t>(bottom, INT32_MIN / 2, INT32_MAX / 2));
    if (AlphaBits() > 0)
        CopyWithAlpha(x, fy, w, h);
    else
        CopyKeyingPixels(x, fy, tw, th);
    s.textureWidth = static_cast<std::int16_t>(tw);
    s.textureHeight = static_cast<std::int16_t>(th);
    s.width = static_cast<std::int16_t>(w);
    s.height = static_cast<std::int16_t>(h);
    s.opaque = false;
    DiscardMask(slot);
}

void GrabLayer(BackgroundLayer& layer) {
    if (!ContextAlive()) return;
    FlushSprites();
    const std::int32_t w = ScreenWidth(), h = ScreenHeight(), largest = MaxTextureSize();
    std::int32_t tile = 128;
    while (tile < std::max(w, h) && tile < largest) tile *= 2;
    const std::int32_t columns = std::min((w + tile - 1) / tile, kLayerTileLimit);
    const std::int32_t rows = std::min((h + tile - 1) / tile, kLayerTileLimit);
    for (std::int32_t r = 0; r < rows; ++r) {
        for (std::int32_t c = 0; c < columns; ++c) {
            if (layer.tile[c][r] != 0 && layer.tileTextureWidth[c][r] == tile &&
                layer.tileTextureHeight[c][r] == tile) {
                glBindTexture(GL_TEXTURE_2D, layer.tile[c][r]);
            } else {
                MakeLinearTexture(layer.tile[c][r], tile, tile, nullptr);
            }
            const std::int32_t x = c * tile, y = r * tile;
            const std::int32_t cw = std::min(tile, w - x), ch = std::min(tile, h - y);
            glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, x, h - y - ch, cw, ch);
            layer.tileTextureWidth[c][r] = layer.tileTextureHeight[c][r] = tile;
            layer.tileUsedWidth[c][r] = cw;
            layer.tileUsedHeight[c][r] = ch;
        }
    }
    layer.columns = columns;
    layer.rows = rows;
    Store().boundSlot = -1;
}

SavedKey DisplayedKey() {
    const std::int32_t key = Store().spriteColourKey;
    const auto bits = static_cast<std::uint32_t>(key);
    SavedKey shown{key != 0, Byte(bits, 0), Byte(bits, 8), Byte(bits, 16)};
    // Too small a buffer to probe in: the key is taken as stored exactly.
    if (!shown.active || !ContextAlive() || DrawingWidth() <= kProbeX || DrawingHeight() <= kProbeY)
        return shown;
    FlushSprites();
    const std::int32_t fy = DrawingHeight() - 1 - kProbeY;
    const GLboolean blending = glIsEnabled(GL_BLEND);
    glDisable(GL_BLEND);  // the probe must store the key itself, not a mix
    std::uint8_t saved[3] = {}, probed[3] = {};
    ReadRgb(kProbeX, fy, saved);
    SetPixel(kProbeX, kProbeY, key);
    ReadRgb(kProbeX, fy, probed);
    SetPixel(kProbeX, kProbeY, PackColour(saved[0], saved[1], saved[2]));
    if (blending) glEnable(GL_BLEND);
    shown.r = probed[0];
    shown.g = probed[1];
    shown.b = probed[2];
    return shown;
}

std::int32_t SurfacePixel(std::int32_t x, std::int32_t y) {
    if (x < 0 || y < 0 || x >= DrawingWidth() || y >= DrawingHeight()) return 0;
    FlushSprites();
    std::uint8_t rgb[3] = {};
    ReadRgb(x, DrawingHeight() - 1 - y, rgb);
    return PackColour(rgb[0], rgb[1], rgb[2]);
}

}  // namespace tarvok

using namespace tarvok;

void GrabSprite(double sprite, double x, double y, double width, double height) {
    std::int32_t slot = 0;
    if (!SlotNumber(sprite, slot)) return;
    GrabIntoSlot(slot, ToInt(x), ToInt(y), ToInt(width), ToInt(height));
}

void UseScreenAsBackground() { GrabLayer(Store().layers[0]); }

void BlendScreen(const RtString& file) {
    std::string path;
    if (!ContextAlive() || !ResolveDataFile(file.CText(), path)) return;
    auto& layers = Store().layers;
    BackgroundLayer& incoming = layers[1];
    BackgroundLayer& outgoing = layers[2];
    GrabLayer(outgoing);
    // A file that is not a picture changes nothing either.
    if (!LoadLayer(incoming, path)) {
        FreeLayer(outgoing);
        return;
    }
    FreeLayer(layers[0]);
    glClear(GL_COLOR_BUFFER_BIT);
    const double end = FrameClock() + kBlendMs;
    double weight = kFirstBlendWeight;  // of the old screen
    do {
        SetAlphaMode(weight);
        DrawLayer(outgoing);
        SetAlphaMode(1 - weight);
        DrawLayer(incoming);
        ShowFrame();
        weight = (end - FrameClock()) / kBlendMs;
    } while (weight < 1 && weight > 0);
    FreeLayer(outgoing);
    FreeLayer(incoming);
    LoadLayer(layers[0], path);
    SetAlphaMode(0);
    glColor4f(1, 1, 1, 1);
    DrawLayer(layers[0]);
    ShowFrame();
}
