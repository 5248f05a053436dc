// Sprite drawing: plain, animated, stretched, zoomed and rotated sprites. Quads drawn with the 2D state
// as it stands are queued (sprite_batch.cpp); a mirrored or rotated quad, which needs a state of its own,
// is drawn at once.
#include <algorithm>
#include <cmath>

#include <GL/gl.h>
#include <GL/glext.h>

#include "frame/gl_extensions.h"
#include "gfx2d/gfx2d.h"
#include "gfx2d/sprite_binding.h"
#include "gfx2d/texture_store.h"
#include "runtime/number_args.h"

namespace tarvok {
namespace {

GLuint TextureName(std::int32_t slot, bool useMip, const std::uint32_t* nameTable) {
    if (nameTable) return nameTable[slot];
    const SpriteSlot& s = Store().slots[static_cast<std::size_t>(slot)];
    return useMip ? s.mipTexture : s.drawTexture;
}

void EmitQuad(const Quad& q) {
    glBegin(GL_QUADS);
    for (const QuadCorner& c : q) {
        glTexCoord2f(c.s, c.t);
        glVertex2f(c.x, c.y);
    }
    glEnd();
}

// The slot of a drawing command with its sizes; false for a number that is not a slot.
bool DrawingSlot(double sprite, std::int32_t& slot, SpriteSizes& sizes) {
    if (!SlotNumber(sprite, slot)) return false;
    sizes = SizesOf(Store().slots[static_cast<std::size_t>(slot)]);
    return true;
}

void BindForDrawing(std::int32_t slot) {
    BindSprite(slot);
    ApplySmoothing();
}

}  // namespace

void BindSprite(std::int32_t slot, std::int32_t secondSlot, bool useMip, const std::uint32_t* nameTable) {
    FlushSprites();
    TextureStore& store = Store();
    store.boundSlot = slot;
    if (g_gl.glActiveTextureARB) {
        const bool secondOn = slot >= 0 && secondSlot >= 0;
        // NOTE: switching texture units makes the driver flush queued quads, so unit 1 is visited only when
        // its state may change: while it is (or may be) on, or when it must be turned on. The shortcut
        // holds only while unit 0 is the active unit, as every binding here leaves it.
        GLint active = GL_TEXTURE0_ARB;
        glGetIntegerv(GL_ACTIVE_TEXTURE_ARB, &active);
        if (secondOn || store.secondUnitMaybeOn || active != GL_TEXTURE0_ARB) {
            g_gl.glActiveTextureARB(GL_TEXTURE1_ARB);
            if (secondOn) {
                glBindTexture(GL_TEXTURE_2D, TextureName(secondSlot, useMip, nameTable));
                glEnable(GL_TEXTURE_2D);
            } else {
                glDisable(GL_TEXTURE_2D);
            }
            g_gl.glActiveTextureARB(GL_TEXTURE0_ARB);
            store.secondUnitMaybeOn = secondOn;
        }
    }
    if (slot < 0) {
        glDisable(GL_TEXTURE_2D);
    } else {
        glBindTexture(GL_TEXTURE_2D, TextureName(slot, useMip, nameTable));
        glEnable(GL_TEXTURE_2D);
    }
}

void ApplySmoothing() {
    const GLint filter = Store().smoothing ? GL_LINEAR : GL_NEAREST;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, filter);
}

}  // namespace tarvok

using namespace tarvok;

void SetAlphaMode(double alpha) {
    FlushSprites();
    float global = 1.0f;
    if (alpha == 0 || std::isnan(alpha)) {
        glDisable(GL_BLEND);
    } else {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, alpha < 0 ? GL_ONE_MINUS_SRC_ALPHA : GL_ONE);
        global = static_cast<float>(std::min(std::fabs(alpha), 1.0));
    }
    SetGlobalAlpha(global);
    glColor4f(1, 1, 1, global);
}

void SetSmoothing(double on) { Store().smoothing = ToBool(on); }

void DrawSprite(double sprite, double x, double y) {
    std::int32_t slot = 0;
    SpriteSizes s;
    if (!DrawingSlot(sprite, slot, s)) return;
    QueueSpriteQuad(slot, SpriteQuad(s, x, y));
}

void DrawAnim(double sprite, double frame, double x, double y) {
    std::int32_t slot = 0;
    SpriteSizes s;
    FrameCoords f;
    if (!DrawingSlot(sprite, slot, s) || !AnimFrame(s, ToInt(frame), f)) return;
    QueueSpriteQuad(slot, AnimQuad(s, f, x, y));
}

void StretchSprite(double sprite, double x, double y, double width, double height) {
    std::int32_t slot = 0;
    SpriteSizes s;
    if (!DrawingSlot(sprite, slot, s)) return;
    const Quad quad = StretchQuad(s, x, y, width, height);
    if (!StretchMirrored(width, height)) return QueueSpriteQuad(slot, quad);
    // A mirrored picture reverses the quad's winding; it must not be culled as a back face.
    BindForDrawing(slot);
    glFrontFace(GL_CW);
    EmitQuad(quad);
    glFrontFace(GL_CCW);
}

void StretchAnim(double sprite, double frame, double x, double y, double width, double height) {
    std::int32_t slot = 0;
    SpriteSizes s;
    FrameCoords f;
    if (!DrawingSlot(sprite, slot, s) || !AnimFrame(s, ToInt(frame), f)) return;
    QueueSpriteQuad(slot, StretchAnimQuad(f, x, y, width, height));
}

void ZoomSprite(double sprite, double x, double y, double xFactor, double yFactor) {
    std::int32_t slot = 0;
    SpriteSizes s;
    if (!DrawingSlot(sprite, slot, s)) return;
    const double w = s.width * xFactor, h = s.height * yFactor;
    StretchSprite(sprite, x - (w - s.width) * 0.5, y - (h - s.height) * 0.5, w, h);
}

void RotoSprite(double sprite, double x, double y, double angle) { RotoZoomSprite(sprite, x, y, angle, 1.0); }

void RotoZoomSprite(double sprite, double x, double y, double angle, double zoom) {
    std::int32_t slot = 0;
    SpriteSizes s;
    if (!DrawingSlot(sprite, slot, s)) return;
    BindForDrawing(slot);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glTranslatef(static_cast<float>(x + (s.width >> 1)), static_cast<float>(y + (s.height >> 1)), 0);
    glRotatef(static_cast<float>(angle), 0, 0, -1);
    EmitQuad(RotoZoomLocalQuad(s, zoom));
    glPopMatrix();
}

void RotoZoomAnim(double sprite, double frame, double x, double y, double angle, double zoom) {
    std::int32_t slot = 0;
    SpriteSizes s;
    FrameCoords f;
    if (!DrawingSlot(sprite, slot, s) || !AnimFrame(s, ToInt(frame), f)) return;
    QueueSpriteQuad(slot, RotoZoomAnimQuad(s, f, x, y, angle, zoom));
}

void GetScreenSize(double& width, double& height) {
    width = ScreenWidth();
    height = ScreenHeight();
}
