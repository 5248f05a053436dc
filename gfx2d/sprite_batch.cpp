// The sprite queue: consecutive sprite quads drawn with one texture and one filter go to GL together, as
// one vertex array of quads (from a buffer object when the driver has them). The binding and the filter
// are set when the first quad of a run is queued and stay, because every other piece of GL work flushes
// the queue first (FlushSprites here, FlushQueuedDrawing outside the 2D code).
//
// While the display is in 2D mode with the global alpha at 1, the current colour is opaque white; the run
// is then drawn with the texture replacing the colour (white times a texel is the texel) and, for a
// texture without a transparent texel, without the alpha test (every fragment passes it). Both give the
// same pixels and spare the driver work on every pixel.
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstddef>
#include <vector>

#include "frame/display.h"
#include "frame/gl_extensions.h"
#include "gfx2d/sprite_binding.h"
#include "gfx2d/texture_store.h"
#include "runtime/engine_globals.h"

namespace tarvok {
namespace {

// Quads per draw; a longer run is drawn in pieces (keeps the vertex block small).
constexpr std::size_t kQuadsPerDraw = 8192;

struct SpriteQueue {
    std::vector<QuadCorner> corners;  // four per quad, in drawing order
    std::uint32_t texture = 0;        // texture of the run
    bool linear = false;              // its filter
    bool opaque = false;              // the texture has no transparent texel
    std::uint32_t buffer = 0;         // buffer object holding the vertices; 0 = none made yet
};
SpriteQueue g_queue;

bool BuffersOffered() { return g_gl.glGenBuffersARB && g_gl.glBindBufferARB && g_gl.glBufferDataARB; }

void DrawQueue() {
    const auto* base = reinterpret_cast<const std::byte*>(g_queue.corners.data());
    const bool buffered = BuffersOffered();
    if (buffered) {
        if (!g_queue.buffer) g_gl.glGenBuffersARB(1, &g_queue.buffer);
        g_gl.glBindBufferARB(GL_ARRAY_BUFFER_ARB, g_queue.buffer);
        g_gl.glBufferDataARB(GL_ARRAY_BUFFER_ARB,
                             static_cast<GLsizeiptrARB>(g_queue.corners.size() * sizeof(QuadCorner)), base,
                             GL_STREAM_DRAW_ARB);
        base = nullptr;  // offsets into the buffer from here on
    }
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(2, GL_FLOAT, sizeof(QuadCorner), base + offsetof(QuadCorner, x));
    glTexCoordPointer(2, GL_FLOAT, sizeof(QuadCorner), base + offsetof(QuadCorner, s));
    glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(g_queue.corners.size()));
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    if (buffered) g_gl.glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
}

}  // namespace

void QueueSpriteQuad(std::int32_t slot, const Quad& quad) {
    TextureStore& store = Store();
    const SpriteSlot& s = store.slots[static_cast<std::size_t>(slot)];
    if (!g_queue.corners.empty() && (s.drawTexture != g_queue.texture || store.smoothing != g_queue.linear)) {
        FlushSprites();
    }
    if (g_queue.corners.empty()) {
        BindSprite(slot);
        ApplySmoothing();
        g_queue.texture = s.drawTexture;
        g_queue.linear = store.smoothing;
        g_queue.opaque = s.opaque;
        if (g_queue.corners.capacity() == 0) g_queue.corners.reserve(kQuadsPerDraw * 4);
    }
    store.boundSlot = slot;
    g_queue.corners.insert(g_queue.corners.end(), quad.begin(), quad.end());
    if (g_queue.corners.size() >= kQuadsPerDraw * 4) FlushSprites();
}

void FlushSprites() {
    if (g_queue.corners.empty()) return;
    const bool replace = PlainTexturing();
    const bool skipAlphaTest = replace && g_queue.opaque && glIsEnabled(GL_ALPHA_TEST);
    if (replace) glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    if (skipAlphaTest) glDisable(GL_ALPHA_TEST);
    DrawQueue();
    if (skipAlphaTest) glEnable(GL_ALPHA_TEST);
    if (replace) glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    g_queue.corners.clear();
}

bool PlainTexturing() {
    const OpenGLZazuzive* display = g_engine.display;
    if (!display || !display->mode2D || display->globalAlpha != 1.0f || glIsEnabled(GL_LIGHTING))
        return false;
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    return program == 0;
}

void ForgetSpriteQueue() {
    if (g_queue.buffer && g_engine.display && g_engine.display->initialised && g_gl.glDeleteBuffersARB) {
        g_gl.glDeleteBuffersARB(1, &g_queue.buffer);
    }
    g_queue = SpriteQueue{};
}

}  // namespace tarvok
