// Stencil shadows: each object drawn in shadow mode adds its shadow volume to the stencil buffer (front
// faces count up, back faces down); closing the pass darkens every pixel left with a non-zero count.
#include <GL/gl.h>

#include <array>
#include <iterator>

#include "frame/display.h"
#include "frame/gl_extensions.h"
#include "gfx3d/collision.h"
#include "gfx3d/effects.h"
#include "gfx3d/scene.h"
#include "gfx3d/special_draw.h"

namespace tarvok {

namespace {

void SetTexturing(bool on, const Zazuzive3D& scene) {
    for (int unit = 1; unit >= 0; --unit) {
        if (unit == 1 && !g_gl.glActiveTextureARB) continue;
        if (g_gl.glActiveTextureARB) g_gl.glActiveTextureARB(GL_TEXTURE0_ARB + unit);
        if (on && scene.unitBound[unit])
            glEnable(GL_TEXTURE_2D);
        else
            glDisable(GL_TEXTURE_2D);
    }
}

void DrawVolumeFaces(const ShadowVolume& volume) {
    glEnableClientState(GL_VERTEX_ARRAY);
    if (!volume.sides.empty()) {
        glVertexPointer(4, GL_FLOAT, 0, volume.sides.data());
        glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(volume.sides.size()));
    }
    if (!volume.caps.empty()) {
        glVertexPointer(4, GL_FLOAT, 0, volume.caps.data());
        glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(volume.caps.size()));
    }
    glDisableClientState(GL_VERTEX_ARRAY);
}

// The switches that the 2D darkening pass below changes (its own and the 2D state's); saved and put back
// one by one, since WebGL has no attribute stack.
constexpr GLenum kDarkeningCaps[] = {
    GL_TEXTURE_2D,           GL_CULL_FACE,     GL_ALPHA_TEST,    GL_BLEND,        GL_STENCIL_TEST,
    GL_DEPTH_TEST,           GL_FOG,           GL_LINE_SMOOTH,   GL_POINT_SMOOTH, GL_POLYGON_SMOOTH,
    GL_POLYGON_OFFSET_POINT, GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_NORMALIZE,    GL_LIGHTING,
    GL_COLOR_MATERIAL,       GL_DITHER};
using SavedCaps = std::array<GLboolean, std::size(kDarkeningCaps)>;

SavedCaps SaveCaps() {
    SavedCaps saved{};
    for (std::size_t i = 0; i < saved.size(); ++i) saved[i] = glIsEnabled(kDarkeningCaps[i]);
    return saved;
}

void RestoreCaps(const SavedCaps& saved) {
    for (std::size_t i = 0; i < saved.size(); ++i) {
        if (saved[i])
            glEnable(kDarkeningCaps[i]);
        else
            glDisable(kDarkeningCaps[i]);
    }
}

}  // namespace

void DrawShadowVolume(Zazuzive3D& scene, MeshObjectX& mesh, const std::vector<ExpandedVertex>& vertices,
                      const Mat4& transform) {
    FlushQueuedDrawing();
    if (mesh.neighbours.size() != vertices.size()) mesh.neighbours = FindTriangleNeighbours(vertices);
    const Vec3 light =
        ToObjectPoint(transform, {scene.specialLight[0], scene.specialLight[1], scene.specialLight[2]});
    const float objectLight[3] = {static_cast<float>(light.x), static_cast<float>(light.y),
                                  static_cast<float>(light.z)};
    ShadowVolume volume;
    BuildShadowVolume(vertices, mesh.neighbours, objectLight, volume);

    const GLboolean lighting = glIsEnabled(GL_LIGHTING);
    glDisable(GL_LIGHTING);
    SetTexturing(false, scene);
    if (g_gl.glBindBufferARB) g_gl.glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_CULL_FACE);
    // Volumes face outward with clockwise corners (the engine's triangle winding), whatever the game's
    // culling mode: with counter-clockwise front faces the counts would run backwards and clamp at 0.
    glFrontFace(GL_CW);
    glStencilFunc(GL_ALWAYS, 0, ~0u);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glMultMatrixf(transform.data());
    glCullFace(GL_BACK);
    glStencilOp(GL_KEEP, GL_KEEP, GL_INCR);
    DrawVolumeFaces(volume);
    glCullFace(GL_FRONT);
    glStencilOp(GL_KEEP, GL_KEEP, GL_DECR);
    DrawVolumeFaces(volume);
    glPopMatrix();
    glDepthFunc(GL_LESS);
    glCullFace(GL_BACK);
    ApplyCulling(scene.cullingMode);
    SetTexturing(true, scene);
    if (lighting) glEnable(GL_LIGHTING);
}

void CloseShadowPass(Zazuzive3D& scene) {
    FlushQueuedDrawing();
    scene.shadowPassOpen = false;
    OpenGLZazuzive* display = g_engine.display;
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glDepthMask(GL_TRUE);
    glDepthFunc(GL_LEQUAL);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    if (display && display->initialised) {
        // The darkening is drawn in 2D over the whole window; the 3D state around it (matrices, viewport,
        // enabled lights and fog, the display's viewport record) is kept for the rest of the frame.
        const int saved[4] = {display->viewportX, display->viewportY, display->viewportWidth,
                              display->viewportHeight};
        const SavedCaps caps = SaveCaps();
        GLint viewport[4];
        glGetIntegerv(GL_VIEWPORT, viewport);
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        Reset2DState(*display, 0, 0, 0, 0);
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_CULL_FACE);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        display->globalAlpha = 0.5f;
        glColor4f(1, 1, 1, 0.5f);
        glEnable(GL_STENCIL_TEST);
        glStencilFunc(GL_NOTEQUAL, 0, ~0u);
        glStencilOp(GL_KEEP, GL_KEEP, GL_KEEP);
        glColor4f(0, 0, 0, display->globalAlpha);
        const float w = static_cast<float>(display->clientWidth),
                    h = static_cast<float>(display->clientHeight);
        glBegin(GL_QUADS);
        glVertex2f(0, 0);
        glVertex2f(0, h);
        glVertex2f(w, h);
        glVertex2f(w, 0);
        glEnd();
        glDisable(GL_BLEND);
        display->globalAlpha = 1.0f;
        glColor4f(1, 1, 1, 1);
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPopMatrix();
        RestoreCaps(caps);
        glViewport(viewport[0], viewport[1], viewport[2], viewport[3]);
        display->viewportX = saved[0], display->viewportY = saved[1];
        display->viewportWidth = saved[2], display->viewportHeight = saved[3];
    }
    glShadeModel(GL_SMOOTH);
    glDepthFunc(GL_LESS);
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_STENCIL_TEST);
    glClear(GL_STENCIL_BUFFER_BIT);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    ApplyCulling(scene.cullingMode);
    if (scene.active) BindSceneSprites(scene);
}

}  // namespace tarvok
