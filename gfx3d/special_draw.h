// The joins of lights, shadows, the special draw modes and shaders with the scene and object drawing.
#pragma once

#include <cstddef>
#include <vector>

#include "gfx3d/animation.h"
#include "gfx3d/scene.h"

namespace tarvok {

// Start3D: lighting off, lights mask, normals flag and special mode cleared.
void ResetLighting(Zazuzive3D& scene);
// Ends an open shadow pass: darkens every pixel whose stencil value is not 0, then clears the stencil.
void CloseShadowPass(Zazuzive3D& scene);
// Deletes the cel-shading textures of every mesh so that they are rebuilt with the current ramp.
void DropShadeTextures(Zazuzive3D& scene);

// Where drawing finds each array in the 88-byte vertices.
struct VertexLayout {
    std::size_t texCoords[2] = {offsetof(ExpandedVertex, u), offsetof(ExpandedVertex, u)};
    std::size_t colours = offsetof(ExpandedVertex, red);
    bool colourArray = false;  // colours fed per vertex
    bool normalArray = false;  // normals fed per vertex
};

// Whether a special draw mode changes how meshes are drawn (vertices then always go through the blend).
bool SpecialModeOn(const Zazuzive3D& scene);
// Before the triangles are used: normals recomputed as the mode asks, cel texture built when missing.
void PrepareSpecialMesh(Zazuzive3D& scene, MeshObjectX& mesh);
// After blending: the mode's per-vertex fields. For shadow volumes it draws the volume into the stencil
// buffer and returns false: the mesh itself is not drawn.
bool ApplySpecialVertices(Zazuzive3D& scene, MeshObjectX& mesh, const FramePair& pair, const Mat4& transform,
                          std::vector<ExpandedVertex>& vertices);
// The arrays and texture units for drawing the mesh (texture units set up for bump mapping or cel shading).
VertexLayout BeginMeshDraw(Zazuzive3D& scene, const MeshObjectX& mesh);
// After the mesh is drawn: the cel-shading outline, then the display's textures bound again.
void EndMeshDraw(Zazuzive3D& scene, MeshObjectX& mesh, const FramePair& pair, const Mat4& transform,
                 std::vector<ExpandedVertex>& vertices);

// Shadow mode: the mesh's shadow volume (vertices in object space) into the stencil buffer.
void DrawShadowVolume(Zazuzive3D& scene, MeshObjectX& mesh, const std::vector<ExpandedVertex>& vertices,
                      const Mat4& transform);

// Deletes the shader objects of every slot (while the GL context exists) and empties the slots.
void ReleaseShaders(Zazuzive3D& scene);
// Sets an integer uniform of the current shader by name, as SetShaderFloat does for floats.
void SetShaderInteger(const char* name, int value);

}  // namespace tarvok
