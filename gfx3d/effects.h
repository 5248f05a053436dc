// Maths of the special draw modes over memory: the cel-shading texture, the per-vertex light vectors of
// bump mapping and cel shading, and the shadow volume of a triangle list (neighbours, lit triangles,
// silhouette edges, extruded sides and caps).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "gfx3d/mesh.h"

namespace tarvok {

// The shade ramp a new engine starts with.
std::vector<std::uint8_t> DefaultShadeRamp();

struct ShadeTexture {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgba;  // row r = colour-table entry r shaded by the ramp across the width
};
// Height: the smallest power of two not below the table length (at most 32768); width: 64, or the
// smallest power of two from 64 that holds 4 texels per ramp value, at most 512. Rows past the table use
// entry 0; texel x of a row is each channel x ramp[x x ramp length / width] / 255, alpha 255. An empty
// ramp counts as [255], an empty table as one white entry.
ShadeTexture BuildShadeTexture(const std::vector<std::uint32_t>& colours,
                               const std::vector<std::uint8_t>& ramp);

// L = normalised (light - position), left as it is when its squared length is at most 0.0000001.
std::array<float, 3> LightDirection(const ExpandedVertex& v, const float light[3]);
// Bump mapping: (T.L, B.L, N.L) x 0.5 + 0.5 with the given tangent and binormal.
std::array<float, 3> BumpLightVector(const ExpandedVertex& v, const float tangent[3], const float binormal[3],
                                     const float light[3]);
// Cel shading: the shade texture coordinate s = L . normalised(position - normal), clamped to 0.05..0.95.
float CelShade(const ExpandedVertex& v, const float light[3]);

// Per triangle edge k (corner k to corner k + 1): the neighbouring triangle sharing that edge by
// identical corner positions, or -1 when the edge is open. An edge keeps the first neighbour in
// triangle order; a triangle is never its own neighbour. Three entries per triangle.
std::vector<std::int32_t> FindTriangleNeighbours(const std::vector<ExpandedVertex>& triangles);

// Triangle (a, b, c) faces the light when ((c - b) x (b - a)) . (light - (a + b + c) / 3) >= 0.
std::vector<std::uint8_t> LitTriangles(const std::vector<ExpandedVertex>& triangles, const float light[3]);

// The shadow volume in homogeneous coordinates (w 0: a point at infinity away from the light).
struct ShadowVolume {
    std::vector<std::array<float, 4>> sides;  // quads: b, a, a - light at infinity, b - light at infinity
    std::vector<std::array<float, 4>> caps;   // triangles: lit ones as they are, the others at infinity
};
// Sides for every silhouette edge (an edge of a lit triangle that is open or whose neighbour is unlit),
// then the caps.
void BuildShadowVolume(const std::vector<ExpandedVertex>& triangles,
                       const std::vector<std::int32_t>& neighbours, const float light[3], ShadowVolume& out);

}  // namespace tarvok
