// The texture store's joins with the display: unbinding, release at the end, the kept picture for
// GetPixel.
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <vector>

#include "frame/display.h"
#include "gfx2d/gfx2d.h"
#include "gfx2d/sprite_binding.h"
#include "gfx2d/surfaces.h"
#include "gfx2d/texture_store.h"
#include "runtime/number_args.h"

namespace tarvok {
namespace {

// The picture presented last, read from the back buffer just before each swap (the front buffer cannot
// be read back reliably). It is kept in memory as RGBA bytes, bottom row first (the one read format
// that every GL, WebGL included, offers), so reading a pixel needs no GL at all.
struct ShownPicture {
    std::vector<std::uint8_t> rgba;
    std::int32_t width = 0, height = 0;  // 0 until a picture was kept
};
ShownPicture g_shown;

// Unit 1 is turned off whatever the store believes: other code may have used it since.
void UnbindTextures() {
    Store().secondUnitMaybeOn = true;
    BindSprite(-1);
}

void ReleaseTextures() {
    ReleaseSurfaces();
    ForgetSpriteQueue();
    for (std::int32_t slot = 0; slot < kSpriteSlots; ++slot) ClearSlot(slot);
    for (std::int32_t layer = 0; layer < kBackgroundLayers; ++layer) {
        BackgroundLayer& l = Store().layers[static_cast<std::size_t>(layer)];
        for (auto& column : l.tile) glDeleteTextures(8, column);
        l = BackgroundLayer{};
    }
    g_shown = ShownPicture{};
}

// The pixel (x, y) of the kept picture, y from the bottom, as red + green x 256 + blue x 65536.
std::int32_t ShownPixel(std::int32_t x, std::int32_t y) {
    const std::uint8_t* p = g_shown.rgba.data() + (static_cast<std::size_t>(y) * g_shown.width + x) * 4;
    return PackColour(p[0], p[1], p[2]);
}

}  // namespace

bool ReadShownPicture(ImageBuffer& image) {
    if (g_shown.width == 0 || !image.Resize(g_shown.width, g_shown.height)) return false;
    const std::size_t rowBytes = static_cast<std::size_t>(image.width) * 4;
    for (std::int32_t y = 0; y < image.height; ++y) {  // kept rows run from the bottom
        const std::uint8_t* from = g_shown.rgba.data() + static_cast<std::size_t>(image.height - 1 - y) * rowBytes;
        std::copy(from, from + rowBytes, image.Row(y));
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
    g_displayHooks.flushDrawing = FlushSprites;
}

void ReleaseTextureStore() {
    if (ContextAlive()) ReleaseTextures();
    ReleaseSurfaces();
    ForgetSpriteQueue();
    g_shown = ShownPicture{};
    Store() = TextureStore{};
}

void KeepShownPicture() {
    if (!ContextAlive()) return;
    FlushSprites();
    const std::int32_t w = ScreenWidth(), h = ScreenHeight();
    if (w <= 0 || h <= 0) return;
    g_shown.rgba.resize(static_cast<std::size_t>(w) * h * 4);
    g_shown.width = w;
    g_shown.height = h;
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, g_shown.rgba.data());
}

double GetPixel(double x, double y) {
    const std::int32_t px = ToInt(x), py = ToInt(y);
    // While a surface is drawn into, its own pixels are read.
    if (ContextAlive() && Surfaces().framebufferBound) return SurfacePixel(px, py);
    if (!ContextAlive() || px < 0 || py < 0 || px >= g_shown.width || py >= g_shown.height) {
        return 0;
    }
    return ShownPixel(px, g_shown.height - 1 - py);
}
