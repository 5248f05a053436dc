// Off-screen surfaces: drawing into a sprite through a frame-buffer object, or, when the driver has
// none, in the top-left corner of the back buffer with the screen area saved and put back around it.
#include "gfx2d/surfaces.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <string>

#include "frame/display.h"
#include "frame/gl_extensions.h"
#include "gfx2d/gfx2d.h"
#include "gfx2d/sprite_binding.h"
#include "gfx2d/texture_prep.h"
#include "gfx2d/texture_upload.h"
#include "runtime/engine_globals.h"
#include "runtime/number_args.h"
#include "runtime/program_end.h"

namespace tarvok {
namespace {

SurfaceState g_surfaces;

bool FramebuffersAvailable() {
    return g_gl.glGenFramebuffersEXT && g_gl.glGenRenderbuffersEXT && g_gl.glBindFramebufferEXT &&
           g_gl.glBindRenderbufferEXT && g_gl.glRenderbufferStorageEXT && g_gl.glCheckFramebufferStatusEXT &&
           g_gl.glFramebufferTexture2DEXT && g_gl.glFramebufferRenderbufferEXT &&
           g_gl.glDeleteFramebuffersEXT && g_gl.glDeleteRenderbuffersEXT;
}

void FreeSurface(OffscreenSurface& surface) {
    if (surface.framebuffer && ContextAlive() && FramebuffersAvailable()) {
        g_gl.glDeleteFramebuffersEXT(1, &surface.framebuffer);
        g_gl.glDeleteRenderbuffersEXT(1, &surface.depthBuffer);
    }
    surface = OffscreenSurface{};
}

// Binds the surface's frame-buffer object with the texture as colour and its render buffer as depth;
// false (window bound again) when the result is not complete.
bool AttachSurface(const OffscreenSurface& surface, std::uint32_t texture) {
    g_gl.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, surface.framebuffer);
    g_gl.glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, surface.depthBuffer);
    g_gl.glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, texture, 0);
    g_gl.glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT,
                                      surface.depthBuffer);
    if (g_gl.glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT) == GL_FRAMEBUFFER_COMPLETE_EXT) return true;
    g_gl.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    g_gl.glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, 0);
    return false;
}

// Gives the surface a frame-buffer object of tw x th drawing into texture; without the entry points, or
// when the driver does not accept the combination, the surface is left without one (emulated).
void MakeSurface(OffscreenSurface& surface, std::uint32_t texture, std::int32_t tw, std::int32_t th) {
    FreeSurface(surface);
    if (!FramebuffersAvailable()) return;
    GLint previousFramebuffer = 0, previousRenderbuffer = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &previousFramebuffer);
    glGetIntegerv(GL_RENDERBUFFER_BINDING_EXT, &previousRenderbuffer);
    g_gl.glGenFramebuffersEXT(1, &surface.framebuffer);
    g_gl.glGenRenderbuffersEXT(1, &surface.depthBuffer);
    g_gl.glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, surface.depthBuffer);
    g_gl.glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT24, tw, th);
    const bool complete = AttachSurface(surface, texture);
    g_gl.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, static_cast<GLuint>(previousFramebuffer));
    g_gl.glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, static_cast<GLuint>(previousRenderbuffer));
    if (complete) {
        surface.width = tw;
        surface.height = th;
    } else {
        FreeSurface(surface);
    }
}

const SpriteSlot& SurfaceSlot(const OffscreenSurface& surface) {
    return Store().slots[static_cast<std::size_t>(surface.sprite)];
}

// Ends drawing into the current surface: unbinds its frame-buffer object, or, emulated, grabs the corner
// into the sprite (key-coloured areas turn transparent) and puts the saved screen area back.
void FinishCurrent() {
    if (g_surfaces.current < 0) return;
    FlushSprites();
    const OffscreenSurface& surface = g_surfaces.surfaces[static_cast<std::size_t>(g_surfaces.current)];
    if (g_surfaces.framebufferBound) {
        g_gl.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
        g_gl.glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, 0);
        g_surfaces.framebufferBound = false;
    } else {
        const SpriteSlot& slot = SurfaceSlot(surface);
        GrabIntoSlot(surface.sprite, 0, 0, slot.width, slot.height);
        DrawRect(0, 0, slot.textureWidth, slot.textureHeight, 0);
        DrawSprite(kScratchSlot, 0, 0);
    }
    g_surfaces.current = -1;
}

void BackToWindow() {
    FinishCurrent();
    Reset2DState(*g_engine.display, 0, 0, 0, 0);
}

}  // namespace

SurfaceState& Surfaces() { return g_surfaces; }

std::int32_t DrawingWidth() {
    if (!g_surfaces.framebufferBound) return ScreenWidth();
    return SurfaceSlot(g_surfaces.surfaces[static_cast<std::size_t>(g_surfaces.current)]).width;
}

std::int32_t DrawingHeight() {
    if (!g_surfaces.framebufferBound) return ScreenHeight();
    return SurfaceSlot(g_surfaces.surfaces[static_cast<std::size_t>(g_surfaces.current)]).height;
}

void FinishSurfaceForSwap() {
    if (g_surfaces.current >= 0 && ContextAlive()) BackToWindow();
}

void ReleaseSurfaces() {
    FlushSprites();
    if (g_surfaces.framebufferBound && ContextAlive()) {
        g_gl.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
        g_gl.glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, 0);
    }
    for (OffscreenSurface& surface : g_surfaces.surfaces) FreeSurface(surface);
    g_surfaces = SurfaceState{};
}

}  // namespace tarvok

using namespace tarvok;

void CreateScreen(double surface, double sprite, double width, double height) {
    const std::int32_t s = ToInt(surface);
    std::int32_t n = 0;
    if (s < 0 || s >= kSurfaces || !SlotNumber(sprite, n) || !ContextAlive()) return;
    const std::int32_t w = ToInt(width), h = ToInt(height), largest = MaxTextureSize();
    if (w < 1 || h < 1 || w > largest || h > largest) {
        AppendErrorLog(("CreateScreen: surface size " + std::to_string(w) + " x " + std::to_string(h) +
                        " is outside 1.." + std::to_string(largest))
                           .c_str());
        return;
    }
    FlushSprites();
    // A surface made again while it is being drawn into first hands drawing back to the window.
    if (g_surfaces.current == s) BackToWindow();
    const std::int32_t tw = TextureSide(w), th = TextureSide(h);
    ClearSlot(n);
    SpriteSlot& slot = Store().slots[static_cast<std::size_t>(n)];
    const std::vector<std::uint8_t> transparent(static_cast<std::size_t>(tw) * th * 4, 0);
    std::uint32_t texture = 0;
    MakeLinearTexture(texture, tw, th, transparent.data());
    Store().boundSlot = -1;
    slot.drawTexture = texture;
    slot.textureWidth = static_cast<std::int16_t>(tw);
    slot.textureHeight = static_cast<std::int16_t>(th);
    slot.width = static_cast<std::int16_t>(w);
    slot.height = static_cast<std::int16_t>(h);
    OffscreenSurface& record = g_surfaces.surfaces[static_cast<std::size_t>(s)];
    MakeSurface(record, texture, tw, th);
    record.sprite = n;
}

void UseScreen(double surface) {
    const std::int32_t s = ToInt(surface);
    if (s < -1 || s >= kSurfaces || !ContextAlive()) return;
    if (s == -1) {
        BackToWindow();
        return;
    }
    const OffscreenSurface& target = g_surfaces.surfaces[static_cast<std::size_t>(s)];
    // A surface never made, or whose sprite has lost its picture, has nothing to draw into.
    if (target.sprite < 0 || SurfaceSlot(target).width <= 0 || SurfaceSlot(target).height <= 0) return;
    FlushSprites();
    if (g_surfaces.current >= 0) BackToWindow();
    g_surfaces.current = s;
    OpenGLZazuzive& display = *g_engine.display;
    const SpriteSlot& slot = SurfaceSlot(target);
    const std::int32_t sw = slot.width, sh = slot.height;
    Store().slots[static_cast<std::size_t>(target.sprite)].opaque = false;  // drawing will change the picture
    if (target.width > 0 && AttachSurface(target, slot.drawTexture)) {
        g_surfaces.framebufferBound = true;
        Reset2DState(display, 0, 0, sw, sh);
        glViewport(0, 0, sw, sh);
        return;
    }
    Reset2DState(display, 0, 0, sw, sh);
    GrabIntoSlot(kScratchSlot, 0, 0, sw, sh);
    DrawRect(0, 0, sw, sh, Store().spriteColourKey);
    DrawSprite(target.sprite, 0, 0);
}
