// Bitmap fonts in the 32 font slots, and printing text with them.
#include <GL/gl.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "gfx2d/gfx2d.h"
#include "gfx2d/sprite_binding.h"
#include "gfx2d/texture_store.h"
#include "gfx2d/texture_upload.h"
#include "runtime/number_args.h"

namespace tarvok {
namespace {

constexpr std::size_t kFirstTextRoom = 512;

std::int32_t FontNumber(double value) { return std::clamp(ToInt(value), 0, kFontCount - 1); }

std::int32_t FontSlot(std::int32_t font) { return kFirstFontSlot + font; }

// Fills the font's slot with the built-in font picture.
void BuiltinFont(std::int32_t font) {
    const std::int32_t slot = FontSlot(font);
    ClearSlot(slot);
    if (!ContextAlive()) return;
    ImageBuffer& image = Store().image;
    BuildBuiltinFont(image);
    SpriteSlot& s = Store().slots[static_cast<std::size_t>(slot)];
    UploadRequest request;
    request.reserved = true;
    TextureBlock block;
    if (!UploadTexture(image, request, s.drawTexture, block)) return;
    s.textureWidth = static_cast<std::int16_t>(block.textureWidth);
    s.textureHeight = static_cast<std::int16_t>(block.textureHeight);
    s.width = static_cast<std::int16_t>(block.usedWidth);
    s.height = static_cast<std::int16_t>(block.usedHeight);
}

FontGrid GridOfFont(std::int32_t font) {
    const SpriteSlot& s = Store().slots[static_cast<std::size_t>(FontSlot(font))];
    return FontGridOf(s.width, s.height, s.textureWidth, s.textureHeight);
}

// Draws a text with a font from (x, y) rounded up, at depth z; one vertex-array draw for the whole text.
void PrintWith(std::int32_t font, std::string_view text, double x, double y, float z) {
    if (text.empty()) return;
    TextureStore& store = Store();
    BindSprite(FontSlot(font));
    if (store.text.capacity() == 0) store.text.reserve(kFirstTextRoom);
    LayOutText(GridOfFont(font), text, static_cast<float>(CeilPixel(x)), static_cast<float>(CeilPixel(y)), z,
               store.text);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(TextVertex), &store.text[0].x);
    glTexCoordPointer(2, GL_FLOAT, sizeof(TextVertex), &store.text[0].s);
    glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(store.text.size()));
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
}

}  // namespace
}  // namespace tarvok

using namespace tarvok;

void LoadFont(const RtString& file, double font) {
    const std::int32_t f = FontNumber(font);
    Store().currentFont = f;
    const std::int32_t slot = FontSlot(f);
    ClearSlot(slot);
    std::string path;
    // A missing or unreadable font picture is not an error: the built-in font takes its place.
    if (!ResolveDataFile(file.CText(), path) || !LoadIntoSlot(slot, path, Store().fontColourKey, false)) {
        BuiltinFont(f);
    }
}

void SetFont(double font) { Store().currentFont = FontNumber(font); }

void PrintText(const RtString& text, double x, double y) {
    PrintWith(Store().currentFont, std::string_view(text.Data(), text.Length()), x, y, 0);
}

void PrintNumber(double value, double x, double y) {
    char digits[32];
    const std::uint32_t length = FormatNumberText(value, digits);
    PrintWith(Store().currentFont, std::string_view(digits, length), x, y, 0);
}

void GetFontSize(double& cellWidth, double& cellHeight) {
    const FontGrid grid = GridOfFont(Store().currentFont);
    cellWidth = grid.cellWidth;
    cellHeight = grid.cellHeight;
}

void PrintLoadingText() {
    LoadFont("", 0);
    LoadFont("smalfont.bmp", 0);
    double cellWidth = 0, cellHeight = 0;
    GetFontSize(cellWidth, cellHeight);
    const RtString text = "Loading...";
    PrintText(text, (ScreenWidth() - text.Length() * cellWidth) * 0.5, (ScreenHeight() - cellHeight) * 0.5);
}
