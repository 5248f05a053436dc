// Projection and character quads of Print3D.
#include "gfx3d/print_layout.h"

#include <cmath>

namespace tarvok {

namespace {

// Texture coordinates of a byte's cell: column = cell mod 16, row = cell / 16 from the top, the texture
// being stored bottom-up.
void CellOrigin(const FontCells& font, unsigned char byte, float& s0, float& t0) {
    const int cell = byte % (16 * font.rows);
    s0 = static_cast<float>(cell % 16) * font.sStep;
    t0 = static_cast<float>(font.rows - 1 - cell / 16) * font.tStep;
}

void Put(std::vector<float>& out, float x, float y, float z, float s, float t) {
    out.insert(out.end(), {x, y, z, s, t});
}

}  // namespace

bool ProjectToScreen(const Mat4& projection, const Mat4& modelview, int width, int height, const float point[3],
                     ScreenPoint& out) {
    const auto clip = Transform(Multiply(projection, modelview), point[0], point[1], point[2]);
    if (!(clip[3] > 0)) return false;
    const float nx = clip[0] / clip[3], ny = clip[1] / clip[3];
    out.x = (nx + 1) * static_cast<float>(width) / 2;
    out.y = static_cast<float>(height) - (ny + 1) * static_cast<float>(height) / 2;
    out.depth = clip[2] / clip[3];
    return true;
}

void LayOutBillboard(const FontCells& font, std::string_view text, const float point[3], float size,
                     const Mat4& modelview, std::vector<float>& out) {
    out.clear();
    const float s = size * static_cast<float>(font.cellWidth);
    const float right[3] = {modelview[0] * s, modelview[4] * s, modelview[8] * s};
    const float up[3] = {modelview[1] * s, modelview[5] * s, modelview[9] * s};
    const float half = static_cast<float>(text.size()) / 2;
    float b[3];
    for (int i = 0; i < 3; ++i) b[i] = point[i] - right[i] * half;
    for (const char c : text) {
        float s0, t0;
        CellOrigin(font, static_cast<unsigned char>(c), s0, t0);
        Put(out, b[0], b[1], b[2], s0, t0);
        Put(out, b[0] + right[0], b[1] + right[1], b[2] + right[2], s0 + font.sStep, t0);
        Put(out, b[0] + right[0] + up[0], b[1] + right[1] + up[1], b[2] + right[2] + up[2], s0 + font.sStep,
            t0 + font.tStep);
        Put(out, b[0] + up[0], b[1] + up[1], b[2] + up[2], s0, t0 + font.tStep);
        for (int i = 0; i < 3; ++i) b[i] += right[i];
    }
}

void LayOutScreenText(const FontCells& font, std::string_view text, float x, float y, float z, std::vector<float>& out) {
    out.clear();
    float left = std::ceil(x);
    const float top = std::ceil(y);
    const float w = static_cast<float>(font.cellWidth), h = static_cast<float>(font.cellHeight);
    for (const char c : text) {
        float s0, t0;
        CellOrigin(font, static_cast<unsigned char>(c), s0, t0);
        Put(out, left, top + h, z, s0, t0);
        Put(out, left + w, top + h, z, s0 + font.sStep, t0);
        Put(out, left + w, top, z, s0 + font.sStep, t0 + font.tStep);
        Put(out, left, top, z, s0, t0 + font.tStep);
        left += w;
    }
}

}  // namespace tarvok
