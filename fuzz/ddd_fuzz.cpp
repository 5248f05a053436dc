// .ddd reader, binary and text: a refused file leaves the mesh empty; a mesh it accepts builds its
// triangles and smoothed normals, and its binary form reads back to the same binary form.
#include "fuzz/fuzz.h"
#include "gfx3d/ddd_format.h"
#include "gfx3d/mesh_build.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    tarvok::MeshObjectX mesh;
    if (tarvok::ReadDdd({data, size}, mesh) != tarvok::DddStatus::Ok) {
        Require(mesh.frames.empty());
        return 0;
    }
    mesh.BuildTriangles();
    tarvok::ComputeBoundingSpheres(mesh);
    tarvok::RecomputeNormals(mesh, 2);
    const std::vector<std::uint8_t> written = tarvok::WriteDdd(mesh);
    tarvok::MeshObjectX again;
    Require(tarvok::ReadDdd(written, again) == tarvok::DddStatus::Ok);
    Require(tarvok::WriteDdd(again) == written);
    return 0;
}
