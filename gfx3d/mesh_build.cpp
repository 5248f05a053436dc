// Quantisation, triangle expansion, bounding spheres and normal recomputation of meshes.
#include "gfx3d/mesh_build.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <unordered_map>

#include "gfx3d/normal_table.h"

namespace tarvok {

namespace {

bool IsMarker(std::uint32_t colour) { return colour >= kFirstMarker; }

// q = position / scale + offset, kept in 0..255 (NaN gives 0: a plain cast would be undefined). Worked in
// double, so that the bounds and other exact values land on their step rather than just below it.
std::uint8_t QuantiseAxis(float position, double scale, double offset) {
    const double q = position / scale + offset;
    if (q >= 255.0) return 255;
    if (q > 0.0) return static_cast<std::uint8_t>(q);
    return 0;
}

// Index of the colour in the table, appending it when missing; -1 when the table is full.
int ColourIndex(std::vector<std::uint32_t>& table, std::uint32_t colour) {
    const auto found = std::find(table.begin(), table.end(), colour);
    if (found != table.end()) return static_cast<int>(found - table.begin());
    if (table.size() >= kMaxColours) return -1;
    table.push_back(colour);
    return static_cast<int>(table.size() - 1);
}

}  // namespace

bool QuantiseFrame(MeshObjectX& mesh, MeshFrame& frame, bool firstFrame) {
    float low[3] = {0, 0, 0}, high[3] = {0, 0, 0};
    bool any = false;
    for (const ExpandedVertex& v : frame.polygons) {
        if (IsMarker(v.colour)) continue;
        const float p[3] = {v.x, v.y, v.z};
        for (int i = 0; i < 3; ++i) {
            low[i] = any ? std::min(low[i], p[i]) : p[i];
            high[i] = any ? std::max(high[i], p[i]) : p[i];
        }
        any = true;
    }
    double scale[3], offset[3];
    for (int i = 0; i < 3; ++i) {
        const double step = (static_cast<double>(high[i]) - low[i]) / 255.0;
        scale[i] = step == 0.0 ? 1.0 : step;
        offset[i] = -low[i] / scale[i];
        frame.scale[i] = static_cast<float>(scale[i]);
        frame.offset[i] = static_cast<float>(offset[i]);
    }
    frame.records.clear();
    frame.records.reserve(frame.polygons.size());
    for (const ExpandedVertex& v : frame.polygons) {
        const int colour = ColourIndex(mesh.colours, v.colour);
        if (colour < 0) return false;
        VertexRecord record;
        record.colour = static_cast<std::uint8_t>(colour);
        if (v.colour < kFanMarker) {
            float n[3] = {v.nx, v.ny, v.nz};
            const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
            if (length > 0.0000001f)
                for (float& c : n) c /= length;
            record.normal = NearestNormalIndex(n[0], n[1], n[2]);
            record.x = QuantiseAxis(v.x, scale[0], offset[0]);
            record.y = QuantiseAxis(v.y, scale[1], offset[1]);
            record.z = QuantiseAxis(v.z, scale[2], offset[2]);
        }
        frame.records.push_back(record);
        if (firstFrame) {
            mesh.uList.push_back(v.u);
            mesh.vList.push_back(v.v);
        }
    }
    frame.polygons.clear();
    frame.polygons.shrink_to_fit();
    return true;
}

namespace {

void StoreVector(const float* source, float& x, float& y, float& z) {
    x = source[0];
    y = source[1];
    z = source[2];
}

}  // namespace

std::uint8_t NearestNormalIndex(float x, float y, float z) {
    float best = 10000.0f;
    int index = 0;
    for (int i = 0; i < kNormalCount; ++i) {
        const float* t = kNormalTable[i];
        const float d = std::fabs(x * (x - t[0]) + y * (y - t[1]) + z * (z - t[2]));
        if (d < best) {
            best = d;
            index = i;
            if (d == 0.0f) break;
        }
    }
    return static_cast<std::uint8_t>(index);
}

bool QuantiseMesh(MeshObjectX& mesh) {
    for (std::size_t f = 0; f < mesh.frames.size(); ++f)
        if (!QuantiseFrame(mesh, mesh.frames[f], f == 0)) return false;
    mesh.normalsComputed = false;
    return true;
}

ExpandedVertex ExpandRecord(const MeshObjectX& mesh, const MeshFrame& frame, std::size_t i) {
    const VertexRecord& r = frame.records[i];
    ExpandedVertex v;
    v.x = (r.x - frame.offset[0]) * frame.scale[0];
    v.y = (r.y - frame.offset[1]) * frame.scale[1];
    v.z = (r.z - frame.offset[2]) * frame.scale[2];
    // Indices are checked when a mesh is read; the modulo keeps a stray one inside the table regardless.
    StoreVector(kNormalTable[r.normal % kNormalCount], v.nx, v.ny, v.nz);
    StoreVector(kNormalTable[r.tangent % kNormalCount], v.tx, v.ty, v.tz);
    StoreVector(kNormalTable[r.binormal % kNormalCount], v.bx, v.by, v.bz);
    v.colour = r.colour < mesh.colours.size() ? mesh.colours[r.colour] : 0x00FFFFFF;
    v.colourIndex = r.colour;
    if (!IsMarker(v.colour)) {
        v.red = static_cast<float>(v.colour & 0xFF) / 255.0f;
        v.green = static_cast<float>((v.colour >> 8) & 0xFF) / 255.0f;
        v.blue = static_cast<float>((v.colour >> 16) & 0xFF) / 255.0f;
    }
    v.u = i < mesh.uList.size() ? mesh.uList[i] : 0.0f;
    v.v = i < mesh.vList.size() ? -mesh.vList[i] : 0.0f;
    return v;
}

void ForEachTriangle(const MeshObjectX& mesh, const MeshFrame& frame,
                     const std::function<void(std::size_t, std::size_t, std::size_t)>& visit) {
    enum class Kind { Separate, Strip, Fan } kind = Kind::Separate;
    std::size_t window[3] = {0, 0, 0};
    int w = 0;
    int parity = 0;
    for (std::size_t i = 0; i < frame.records.size(); ++i) {
        const std::uint8_t index = frame.records[i].colour;
        const std::uint32_t c = index < mesh.colours.size() ? mesh.colours[index] : 0x00FFFFFF;
        if (c == kStripMarker || c == kTrianglesMarker || c == kFanMarker) {
            kind = c == kStripMarker ? Kind::Strip : c == kFanMarker ? Kind::Fan : Kind::Separate;
            parity = 0;
            w = 0;
            continue;
        }
        window[w++] = i;
        if (w < 3) continue;
        visit(window[0], window[1], window[2]);
        switch (kind) {
        case Kind::Strip:
            parity ^= 1;
            window[parity == 0 ? 1 : 0] = window[2];
            w = 2;
            break;
        case Kind::Fan:
            window[1] = window[2];
            w = 2;
            break;
        case Kind::Separate:
            w = 0;
            break;
        }
    }
}

void MeshObjectX::BuildTriangles() {
    for (MeshFrame& frame : frames) {
        frame.triangles.clear();
        ForEachTriangle(*this, frame, [&](std::size_t a, std::size_t b, std::size_t c) {
            frame.triangles.push_back(ExpandRecord(*this, frame, a));
            frame.triangles.push_back(ExpandRecord(*this, frame, b));
            frame.triangles.push_back(ExpandRecord(*this, frame, c));
        });
    }
    drawBuffer = frames.empty() ? std::vector<ExpandedVertex>{} : frames[0].triangles;
    hasColours = std::any_of(colours.begin(), colours.end(),
                             [](std::uint32_t c) { return c != 0x00FFFFFF && !IsMarker(c); });
}

void MeshObjectX::Clear() {
    *this = MeshObjectX{};
}

void ComputeBoundingSpheres(MeshObjectX& mesh) {
    for (MeshFrame& frame : mesh.frames) {
        double sum[3] = {0, 0, 0};
        for (const ExpandedVertex& v : frame.triangles) {
            sum[0] += v.x;
            sum[1] += v.y;
            sum[2] += v.z;
        }
        const double count = frame.triangles.empty() ? 1.0 : static_cast<double>(frame.triangles.size());
        for (int i = 0; i < 3; ++i) frame.centre[i] = static_cast<float>(sum[i] / count);
        float radius = 0;
        for (const ExpandedVertex& v : frame.triangles) {
            const float dx = v.x - frame.centre[0], dy = v.y - frame.centre[1], dz = v.z - frame.centre[2];
            radius = std::max(radius, std::sqrt(dx * dx + dy * dy + dz * dz));
        }
        frame.radius = radius;
    }
}

void RecomputeNormals(MeshObjectX& mesh, int mode) {
    if (mesh.normalsComputed || (mode != 1 && mode != 2)) return;
    for (MeshFrame& frame : mesh.frames) {
        const auto key = [&](std::size_t i) -> std::uint32_t {
            if (mode == 1) return static_cast<std::uint32_t>(i);
            const VertexRecord& r = frame.records[i];
            return r.x + r.y * 256u + r.z * 65536u;
        };
        std::unordered_map<std::uint32_t, std::array<float, 3>> sums;
        ForEachTriangle(mesh, frame, [&](std::size_t ia, std::size_t ib, std::size_t ic) {
            const ExpandedVertex a = ExpandRecord(mesh, frame, ia);
            const ExpandedVertex b = ExpandRecord(mesh, frame, ib);
            const ExpandedVertex c = ExpandRecord(mesh, frame, ic);
            const float e1[3] = {c.x - b.x, c.y - b.y, c.z - b.z};
            const float e2[3] = {b.x - a.x, b.y - a.y, b.z - a.z};
            const float n[3] = {e1[1] * e2[2] - e1[2] * e2[1], e1[2] * e2[0] - e1[0] * e2[2],
                                e1[0] * e2[1] - e1[1] * e2[0]};
            for (const std::size_t corner : {ia, ib, ic}) {
                auto& s = sums.try_emplace(key(corner), std::array<float, 3>{0, 0, 0}).first->second;
                for (int k = 0; k < 3; ++k) s[k] += n[k];
            }
        });
        for (std::size_t i = 0; i < frame.records.size(); ++i) {
            const auto found = sums.find(key(i));
            if (found == sums.end()) continue;
            float n[3] = {found->second[0], found->second[1], found->second[2]};
            const float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
            if (length > 0.0000001f)
                for (float& c : n) c /= length;
            frame.records[i].normal = NearestNormalIndex(n[0], n[1], n[2]);
        }
    }
    mesh.normalsComputed = true;
}

}  // namespace tarvok
