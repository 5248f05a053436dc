// Tangents and binormals of a mesh for bump mapping: the directions in which the texture coordinates u
// and v grow across each triangle, summed on the corners and stored as normal-table indices.
#pragma once

#include "gfx3d/mesh.h"

namespace tarvok {

// Mode 2 shares the sums between corners at one quantised position, any other mode keeps them per
// record. Skipped when the first record of frame 0 already has a tangent or binormal index; triangles
// whose texture coordinates span no area add nothing. BuildTriangles must run again afterwards.
void ComputeTangents(MeshObjectX& mesh, int mode);

}  // namespace tarvok
