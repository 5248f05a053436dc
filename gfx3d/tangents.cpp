// Tangent space of the mesh's records from positions and texture coordinates.
#include "gfx3d/tangents.h"

#include <array>
#include <cmath>
#include <unordered_map>

#include "gfx3d/mesh_build.h"
#include "gfx3d/normal_table.h"

namespace tarvok {

namespace {

using Sum = std::array<float, 6>;  // tangent x y z, binormal x y z

std::uint8_t IndexOf(float x, float y, float z) {
    const float length = std::sqrt(x * x + y * y + z * z);
    if (length > 0.0000001f) x /= length, y /= length, z /= length;
    return NearestNormalIndex(x, y, z);
}

}  // namespace

void ComputeTangents(MeshObjectX& mesh, int mode) {
    if (mesh.frames.empty() || mesh.frames[0].records.empty()) return;
    const VertexRecord& first = mesh.frames[0].records[0];
    if (first.tangent != 0 || first.binormal != 0) return;
    for (MeshFrame& frame : mesh.frames) {
        const auto key = [&](std::size_t i) -> std::uint32_t {
            if (mode != 2) return static_cast<std::uint32_t>(i);
            const VertexRecord& r = frame.records[i];
            return r.x + r.y * 256u + r.z * 65536u;
        };
        std::unordered_map<std::uint32_t, Sum> sums;
        ForEachTriangle(mesh, frame, [&](std::size_t ia, std::size_t ib, std::size_t ic) {
            const ExpandedVertex a = ExpandRecord(mesh, frame, ia);
            const ExpandedVertex b = ExpandRecord(mesh, frame, ib);
            const ExpandedVertex c = ExpandRecord(mesh, frame, ic);
            const float e1[3] = {b.x - a.x, b.y - a.y, b.z - a.z}, e2[3] = {c.x - a.x, c.y - a.y, c.z - a.z};
            const float du1 = b.u - a.u, dv1 = b.v - a.v, du2 = c.u - a.u, dv2 = c.v - a.v;
            const float area = du1 * dv2 - du2 * dv1;
            if (area == 0 || !std::isfinite(area)) return;
            Sum s;
            for (int k = 0; k < 3; ++k) {
                s[k] = (e1[k] * dv2 - e2[k] * dv1) / area;
                s[3 + k] = (e2[k] * du1 - e1[k] * du2) / area;
            }
            for (const std::size_t corner : {ia, ib, ic}) {
                Sum& total = sums.try_emplace(key(corner), Sum{}).first->second;
                for (int k = 0; k < 6; ++k) total[k] += s[k];
            }
        });
        for (std::size_t i = 0; i < frame.records.size(); ++i) {
            const auto found = sums.find(key(i));
            if (found == sums.end()) continue;
            const Sum& s = found->second;
            frame.records[i].tangent = IndexOf(s[0], s[1], s[2]);
            frame.records[i].binormal = IndexOf(s[3], s[4], s[5]);
        }
    }
}

}  // namespace tarvok
