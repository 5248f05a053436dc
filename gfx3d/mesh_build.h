// Mesh operations over memory: quantisation of built polygon lists, expansion of records into triangles,
// bounding spheres and recomputed normals.
#pragma once

#include <cstdint>
#include <functional>

#include "gfx3d/mesh.h"

namespace tarvok {

// Quantises every frame's polygon list into records (frame 0 also fills the U and V lists), then empties
// the polygon lists and clears the normals-computed flag. False when the colours need more than 256
// table entries (the mesh is then left as it is, for the caller to release).
bool QuantiseMesh(MeshObjectX& mesh);
// Quantises one frame's polygon list (the first frame also fills the U and V lists); false as above.
bool QuantiseFrame(MeshObjectX& mesh, MeshFrame& frame, bool firstFrame);

// The expanded vertex of record i of a frame: dequantised position, table normal, tangent and binormal,
// colour and its channels (white for markers), u = U[i], v = -V[i].
ExpandedVertex ExpandRecord(const MeshObjectX& mesh, const MeshFrame& frame, std::size_t i);

// Calls visit(a, b, c) with the record indices of every triangle of the frame, in the winding the group
// markers give (separate triangles, strips with alternating winding, fans).
void ForEachTriangle(const MeshObjectX& mesh, const MeshFrame& frame,
                     const std::function<void(std::size_t, std::size_t, std::size_t)>& visit);

// Centre = mean of each frame's triangle list positions, radius = largest distance from it.
void ComputeBoundingSpheres(MeshObjectX& mesh);

// Normal modes: 1 gives each triangle its own face normal, 2 smooths over corners at one position.
// Skipped when the normals-computed flag is set, which it becomes afterwards.
void RecomputeNormals(MeshObjectX& mesh, int mode);

}  // namespace tarvok
