// Layout of Print3D's text: the projection of its point to the screen and the quads of its characters.
// Pure functions; vertices are 5 floats each (x, y, z, s, t), four per character.
#pragma once

#include <string_view>
#include <vector>

#include "gfx3d/transform.h"

namespace tarvok {

// The glyph grid of the current font.
struct FontCells {
    int cellWidth = 0, cellHeight = 0;
    int rows = 8;            // 8 rows of 16 cells (128 characters) or 16 rows (256)
    float sStep = 0, tStep = 0;  // texture size of one cell
};

struct ScreenPoint {
    float x = 0, y = 0;  // pixels from the viewport's top-left
    float depth = 0;     // normalised device z
};

// The point's place on a viewport of width x height: false when its clip w is not above 0 (at or behind
// the camera plane), where it has no place on the screen.
bool ProjectToScreen(const Mat4& projection, const Mat4& modelview, int width, int height, const float point[3],
                     ScreenPoint& out);

// Squares of side size x cell width facing the camera (right and up from the modelview's first two
// rows), the text centred on the point along the right direction.
void LayOutBillboard(const FontCells& font, std::string_view text, const float point[3], float size,
                     const Mat4& modelview, std::vector<float>& out);

// Screen text from (x, y) rounded up to whole pixels, one cell per byte, at depth z.
void LayOutScreenText(const FontCells& font, std::string_view text, float x, float y, float z, std::vector<float>& out);

}  // namespace tarvok
