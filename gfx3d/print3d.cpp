// Print3D: text at a point of the 3D scene, either as camera-facing squares in the scene or on the screen
// at the point's projection.
#include <GL/gl.h>

#include <cmath>
#include <string_view>
#include <vector>

#include "frame/display.h"
#include "gfx3d/gfx3d.h"
#include "gfx3d/print_layout.h"
#include "gfx3d/scene.h"

namespace tarvok {

namespace {

void DrawQuads(const std::vector<float>& vertices) {
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, 5 * sizeof(float), vertices.data());
    glTexCoordPointer(2, GL_FLOAT, 5 * sizeof(float), vertices.data() + 3);
    glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(vertices.size() / 5));
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

}  // namespace

}  // namespace tarvok

using namespace tarvok;

void Print3D(const RtString& text, double x, double y, double z, double size) {
    FlushQueuedDrawing();
    Zazuzive3D* scene = g_engine.scene;
    if (!scene || !g_gfx3dServices.bindCurrentFont || text.Length() == 0) return;
    FontCells font;
    if (!g_gfx3dServices.bindCurrentFont(font.cellWidth, font.cellHeight, font.rows, font.sStep, font.tStep)) return;
    const std::string_view bytes(text.CText(), text.Length());
    const GLboolean culling = glIsEnabled(GL_CULL_FACE), lighting = glIsEnabled(GL_LIGHTING);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    Mat4 modelview;
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview.data());
    const float point[3] = {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)};
    std::vector<float> vertices;
    if (size != 0) {
        LayOutBillboard(font, bytes, point, static_cast<float>(size), modelview, vertices);
        DrawQuads(vertices);
    } else {
        Mat4 projection;
        GLint viewport[4];
        glGetFloatv(GL_PROJECTION_MATRIX, projection.data());
        glGetIntegerv(GL_VIEWPORT, viewport);
        ScreenPoint at;
        if (ProjectToScreen(projection, modelview, viewport[2], viewport[3], point, at)) {
            const OpenGLZazuzive* display = g_engine.display;
            const float width = display ? static_cast<float>(display->viewportWidth) : static_cast<float>(viewport[2]);
            const float height = display ? static_cast<float>(display->viewportHeight) : static_cast<float>(viewport[3]);
            glMatrixMode(GL_PROJECTION);
            glPushMatrix();
            glLoadIdentity();
            glOrtho(0, width, height, 0, -1, 1);
            glMatrixMode(GL_MODELVIEW);
            glPushMatrix();
            glLoadIdentity();
            const float n = static_cast<float>(bytes.size());
            LayOutScreenText(font, bytes, at.x - static_cast<float>(font.cellWidth) * n / 2,
                             at.y - static_cast<float>(font.cellHeight), -at.depth, vertices);
            DrawQuads(vertices);
            glPopMatrix();
            glMatrixMode(GL_PROJECTION);
            glPopMatrix();
            glMatrixMode(GL_MODELVIEW);
        }
    }
    if (culling) glEnable(GL_CULL_FACE);
    if (lighting) glEnable(GL_LIGHTING);
}
