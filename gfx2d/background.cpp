// Background layers: a picture cut into square tiles, drawn behind everything at the start of each frame.
#include <GL/gl.h>
#include <GL/glext.h>

#include <string>

#include "frame/gl_extensions.h"
#include "gfx2d/gfx2d.h"
#include "gfx2d/layer_tiling.h"
#include "gfx2d/layers.h"
#include "gfx2d/picture_file.h"
#include "gfx2d/sprite_binding.h"
#include "gfx2d/texture_store.h"
#include "gfx2d/texture_upload.h"
#include "runtime/program_end.h"

namespace tarvok {

void FreeLayer(BackgroundLayer& layer) {
    if (ContextAlive()) {
        for (auto& column : layer.tile) glDeleteTextures(kLayerTileLimit, column);
    }
    layer = BackgroundLayer{};
}

bool LoadLayer(BackgroundLayer& layer, const std::string& path) {
    ImageBuffer& image = Store().image;
    if (!ContextAlive() || !ReadPictureFile(path, image, kNoColourKey)) return false;
    LayerTiling tiling;
    // A picture needing more than 8 x 8 tiles is refused rather than written past the table.
    if (!TileLayer(image.width, image.height, MaxTextureSize(), tiling)) return false;
    FreeLayer(layer);
    for (std::int32_t r = 0; r < tiling.rows; ++r) {
        for (std::int32_t c = 0; c < tiling.columns; ++c) {
            UploadRequest request;
            request.x = c * tiling.tile;
            request.y = r * tiling.tile;
            request.w = request.h = tiling.tile;
            TextureBlock block;
            if (!UploadTexture(image, request, layer.tile[c][r], block)) return false;
            layer.tileTextureWidth[c][r] = layer.tileTextureHeight[c][r] = tiling.tile;
            layer.tileUsedWidth[c][r] = layer.tileUsedHeight[c][r] = tiling.tile;
        }
    }
    layer.columns = tiling.columns;
    layer.rows = tiling.rows;
    return true;
}

void DrawLayer(const BackgroundLayer& layer) {
    if (layer.columns == 0) return;
    FlushSprites();
    glDisable(GL_ALPHA_TEST);
    UseTextureUnitZeroOnly();
    const bool replace = PlainTexturing();
    if (replace) glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    float x = 0;
    for (std::int32_t c = 0; c < layer.columns; ++c) {
        float y = 0;
        for (std::int32_t r = 0; r < layer.rows; ++r) {
            const auto w = static_cast<float>(layer.tileUsedWidth[c][r]);
            const auto h = static_cast<float>(layer.tileUsedHeight[c][r]);
            const float s = w / static_cast<float>(layer.tileTextureWidth[c][r]);
            const float t = h / static_cast<float>(layer.tileTextureHeight[c][r]);
            glBindTexture(GL_TEXTURE_2D, layer.tile[c][r]);
            glBegin(GL_QUADS);
            glTexCoord2f(0, 0);
            glVertex2f(x, y + h);
            glTexCoord2f(s, 0);
            glVertex2f(x + w, y + h);
            glTexCoord2f(s, t);
            glVertex2f(x + w, y);
            glTexCoord2f(0, t);
            glVertex2f(x, y);
            glEnd();
            y += static_cast<float>(layer.tileTextureHeight[c][r]);
        }
        x += static_cast<float>(layer.tileTextureWidth[c][0]);
    }
    glEnable(GL_ALPHA_TEST);
    if (replace) glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glDisable(GL_TEXTURE_2D);
    Store().boundSlot = -1;
}

}  // namespace tarvok

using namespace tarvok;

void LoadBackground(const RtString& file) {
    BackgroundLayer& layer = Store().layers[0];
    AppendErrorLog("Loadbmp");
    AppendErrorLog("Zidovuzuza");
    std::string path;
    if (!ResolveDataFile(file.CText(), path)) {
        AppendErrorLog("failed");
        BlackScreen();
        return;
    }
    AppendErrorLog("OK?");
    if (LoadLayer(layer, path)) {
        DrawLayer(layer);
    } else {
        BlackScreen();
    }
}

void BlackScreen() {
    FreeLayer(Store().layers[0]);
    FlushSprites();
    if (ContextAlive()) glClear(GL_COLOR_BUFFER_BIT);
}

bool DrawBackground() {
    const BackgroundLayer& layer = Store().layers[0];
    if (layer.columns == 0 || !ContextAlive()) return false;
    DrawLayer(layer);
    return true;
}
