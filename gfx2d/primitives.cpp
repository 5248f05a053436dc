// Polygons from vertex lists, and untextured points, lines and rectangles in screen pixels.
#include <GL/gl.h>

#include "gfx2d/gfx2d.h"
#include "gfx2d/sprite_binding.h"
#include "gfx2d/texture_store.h"
#include "runtime/number_args.h"

namespace tarvok {
namespace {

constexpr std::size_t kFirstPolygonRoom = 512;
constexpr std::size_t kPolygonGrowth = 128;
// Integer coordinates hit pixel centres with this shift of the projection.
constexpr float kPixelCentreShift = 0.375f;

struct Colour {
    float r, g, b;
    bool isKey;
};

Colour ColourOf(double value) {
    const std::int32_t c = ToInt(value);
    const auto bits = static_cast<std::uint32_t>(c);
    return {static_cast<float>(bits & 0xFF) / 255.0f, static_cast<float>((bits >> 8) & 0xFF) / 255.0f,
            static_cast<float>((bits >> 16) & 0xFF) / 255.0f, c == Store().spriteColourKey};
}

// Runs draw with the primitive state: alpha test and texturing off, the colour set, the projection
// shifted to pixel centres; everything is put back afterwards.
template <typename Draw>
void WithPrimitiveState(double colour, Draw draw) {
    FlushSprites();
    const std::int32_t c = ToInt(colour);
    const auto bits = static_cast<std::uint32_t>(c);
    const auto alpha = c == Store().spriteColourKey ? 0 : static_cast<GLubyte>(255.0f * GlobalAlpha());
    glDisable(GL_ALPHA_TEST);
    glColor4ub(bits & 0xFF, (bits >> 8) & 0xFF, (bits >> 16) & 0xFF, static_cast<GLubyte>(alpha));
    BindSprite(-1);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glTranslatef(kPixelCentreShift, kPixelCentreShift, 0);
    glMatrixMode(GL_MODELVIEW);
    draw();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glColor4f(1, 1, 1, GlobalAlpha());
    glEnable(GL_ALPHA_TEST);
}

}  // namespace
}  // namespace tarvok

using namespace tarvok;

void StartPoly(double sprite) {
    TextureStore& store = Store();
    std::int32_t slot = ToInt(sprite);
    // Any number that is not a slot draws untextured.
    if (slot >= kSpriteSlots) slot = -1;
    BindSprite(slot < 0 ? -1 : slot);
    if (store.polygon.capacity() == 0) store.polygon.reserve(kFirstPolygonRoom);
    store.polygon.clear();
}

void PolyVector(double x, double y, double sPixel, double tPixel, double colour) {
    TextureStore& store = Store();
    PolyVertex v{};
    v.x = static_cast<float>(ToInt(x));
    v.y = static_cast<float>(ToInt(y));
    if (store.boundSlot >= 0) {
        const SpriteSlot& s = store.slots[static_cast<std::size_t>(store.boundSlot)];
        v.s = static_cast<float>(sPixel / s.textureWidth);
        v.t = static_cast<float>((s.height - tPixel) / s.textureHeight);
    }
    const Colour c = ColourOf(colour);
    v.r = c.r;
    v.g = c.g;
    v.b = c.b;
    v.a = c.isKey ? 0.0f : GlobalAlpha();
    if (store.polygon.size() == store.polygon.capacity()) store.polygon.reserve(store.polygon.size() + kPolygonGrowth);
    store.polygon.push_back(v);
}

void EndPoly() {
    TextureStore& store = Store();
    if (store.polygon.empty()) return;
    FlushSprites();
    const bool textured = store.boundSlot >= 0;
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_DITHER);
    glShadeModel(GL_SMOOTH);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(2, GL_FLOAT, sizeof(PolyVertex), &store.polygon[0].x);
    if (textured) {
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, sizeof(PolyVertex), &store.polygon[0].s);
        ApplySmoothing();
    }
    glEnableClientState(GL_COLOR_ARRAY);
    glColorPointer(4, GL_FLOAT, sizeof(PolyVertex), &store.polygon[0].r);
    glDrawArrays(GL_TRIANGLE_FAN, 0, static_cast<GLsizei>(store.polygon.size()));
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glShadeModel(GL_FLAT);
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, GlobalAlpha());
    glDisable(GL_DITHER);
    glDisable(GL_COLOR_MATERIAL);
}

void SetPixel(double x, double y, double colour) {
    WithPrimitiveState(colour, [&] {
        glBegin(GL_POINTS);
        glVertex2f(static_cast<float>(x), static_cast<float>(y));
        glEnd();
    });
}

void DrawLine(double x1, double y1, double x2, double y2, double colour) {
    WithPrimitiveState(colour, [&] {
        glBegin(GL_LINES);
        glVertex2f(static_cast<float>(x1), static_cast<float>(y1));
        glVertex2f(static_cast<float>(x2), static_cast<float>(y2));
        glEnd();
        glBegin(GL_POINTS);  // the end point is always lit
        glVertex2f(static_cast<float>(x2), static_cast<float>(y2));
        glEnd();
    });
}

void DrawRect(double x, double y, double width, double height, double colour) {
    auto fx = static_cast<float>(x), fy = static_cast<float>(y);
    auto w = static_cast<float>(width), h = static_cast<float>(height);
    if (w < 0) {
        fx += w + 1;
        w = -w;
    }
    if (h < 0) {
        fy += h + 1;
        h = -h;
    }
    WithPrimitiveState(colour, [&] {
        glBegin(GL_QUADS);
        glVertex2f(fx, fy + h);
        glVertex2f(fx + w, fy + h);
        glVertex2f(fx + w, fy);
        glVertex2f(fx, fy);
        glEnd();
    });
}
