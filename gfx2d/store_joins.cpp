// The texture store's joins with the display: unbinding, release at the end, the kept picture for
// GetPixel.
#include <GL/gl.h>
#include <GL/glext.h>

#include <vector>

#include "frame/display.h"
#include "frame/gl_extensions.h"
#include "gfx2d/gfx2d.h"
#include "gfx2d/sprite_binding.h"
#include "gfx2d/surfaces.h"
#include "gfx2d/texture_prep.h"
#include "gfx2d/texture_store.h"
#include "platform/texture_read.h"
#include "runtime/number_args.h"

namespace tarvok {
namespace {

// The picture presented last, copied from the back buffer just before each swap (the front buffer
// cannot be read back reliably).
struct ShownPicture {
    GLuint texture = 0;
    GLuint framebuffer = 0;
    std::int32_t width = 0, height = 0;                // picture
    std::int32_t textureWidth = 0, textureHeight = 0;  // power-of-two texture holding it
};
ShownPicture g_shown;

// Unit 1 is turned off whatever the store believes: other code may have used it since.
void UnbindTextures() {
    Store().secondUnitMaybeOn = true;
    BindSprite(-1);
}

void ReleaseTextures() {
    ReleaseSurfaces();
    for (std::int32_t slot = 0; slot < kSpriteSlots; ++slot) ClearSlot(slot);
    for (std::int32_t layer = 0; layer < kBackgroundLayers; ++layer) {
        BackgroundLayer& l = Store().layers[static_cast<std::size_t>(layer)];
        for (auto& column : l.tile) glDeleteTextures(8, column);
        l = BackgroundLayer{};
    }
    glDeleteTextures(1, &g_shown.texture);
    if (g_shown.framebuffer && g_gl.glDeleteFramebuffersEXT) g_gl.glDeleteFramebuffersEXT(1, &g_shown.framebuffer);
    g_shown = ShownPicture{};
}

// The pixel (x, y) of the kept picture, y from the bottom, as red + green x 256 + blue x 65536.
std::int32_t ShownPixel(std::int32_t x, std::int32_t y) {
    std::uint8_t rgb[3] = {0, 0, 0};
    if (g_gl.glGenFramebuffersEXT && g_gl.glBindFramebufferEXT && g_gl.glFramebufferTexture2DEXT) {
        GLint previous = 0;
        glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &previous);
        if (!g_shown.framebuffer) g_gl.glGenFramebuffersEXT(1, &g_shown.framebuffer);
        g_gl.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, g_shown.framebuffer);
        g_gl.glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D, g_shown.texture, 0);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
        g_gl.glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, static_cast<GLuint>(previous));
    } else {
        std::vector<std::uint8_t> all(static_cast<std::size_t>(g_shown.textureWidth) * g_shown.textureHeight *
                                      4);
        Store().boundSlot = -1;
        if (platform::ReadTextureRgba(g_shown.texture, g_shown.textureWidth, g_shown.textureHeight,
                                      all.data())) {
            const std::size_t at = (static_cast<std::size_t>(y) * g_shown.textureWidth + x) * 4;
            rgb[0] = all[at], rgb[1] = all[at + 1], rgb[2] = all[at + 2];
        }
    }
    return PackColour(rgb[0], rgb[1], rgb[2]);
}

}  // namespace

bool ReadShownPicture(ImageBuffer& image) {
    if (!g_shown.texture || !image.Resize(g_shown.width, g_shown.height)) return false;
    std::vector<std::uint8_t> all(static_cast<std::size_t>(g_shown.textureWidth) * g_shown.textureHeight * 4);
    Store().boundSlot = -1;
    if (!platform::ReadTextureRgba(g_shown.texture, g_shown.textureWidth, g_shown.textureHeight, all.data()))
        return false;
    for (std::int32_t y = 0; y < image.height; ++y) {  // texture row 0 is the bottom row
        const std::uint8_t* row = all.data() + static_cast<std::size_t>(image.height - 1 - y) * g_shown.textureWidth * 4;
        std::copy(row, row + static_cast<std::size_t>(image.width) * 4, image.Row(y));
    }
    return true;
}

}  // namespace tarvok

using namespace tarvok;

void AttachTextureStore() {
    Store();
    g_displayHooks.unbindTextures = UnbindTextures;
    g_displayHooks.releaseTextures = ReleaseTextures;
    g_displayHooks.finishSurface = FinishSurfaceForSwap;
}

void ReleaseTextureStore() {
    if (ContextAlive()) ReleaseTextures();
    ReleaseSurfaces();
    g_shown = ShownPicture{};
    Store() = TextureStore{};
}

void KeepShownPicture() {
    if (!ContextAlive()) return;
    const std::int32_t w = ScreenWidth(), h = ScreenHeight();
    if (w <= 0 || h <= 0) return;
    if (!g_shown.texture || TextureSide(w) != g_shown.textureWidth || TextureSide(h) != g_shown.textureHeight) {
        if (!g_shown.texture) glGenTextures(1, &g_shown.texture);
        g_shown.textureWidth = TextureSide(w);
        g_shown.textureHeight = TextureSide(h);
        glBindTexture(GL_TEXTURE_2D, g_shown.texture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, g_shown.textureWidth, g_shown.textureHeight, 0, GL_RGBA,
                     GL_UNSIGNED_BYTE, nullptr);
    }
    g_shown.width = w;
    g_shown.height = h;
    glBindTexture(GL_TEXTURE_2D, g_shown.texture);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, w, h);
    Store().boundSlot = -1;
}

double GetPixel(double x, double y) {
    const std::int32_t px = ToInt(x), py = ToInt(y);
    // While a surface is drawn into, its own pixels are read.
    if (ContextAlive() && Surfaces().framebufferBound) return SurfacePixel(px, py);
    if (!ContextAlive() || !g_shown.texture || px < 0 || py < 0 || px >= g_shown.width || py >= g_shown.height) {
        return 0;
    }
    return ShownPixel(px, g_shown.height - 1 - py);
}
