// Object slots: loading .ddd files and scene descriptions, saving, building objects vertex by vertex, and
// handing triangles to the game.
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

#include "gfx3d/ddd_format.h"
#include "gfx3d/gfx3d.h"
#include "gfx3d/mesh_build.h"
#include "gfx3d/scene.h"
#include "gfx3d/scene_description.h"
#include "runtime/number_args.h"
#include "runtime/program_end.h"
#include "storage/ini_store.h"
#include "storage/storage.h"

namespace tarvok {

Gfx3dServices g_gfx3dServices;

namespace {

// Largest object file read: far above any real mesh (a 100,000-triangle file is about 1.5 MB).
constexpr std::streamoff kMaxObjectFileBytes = std::streamoff{1} << 28;

std::string WithSlashes(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

bool Resolve(const std::string& name, std::string& path) {
    return ArchiveLookup(kDataArchive, name.c_str(), path) != 0;
}

// The whole file, or false when it cannot be opened or is too large.
bool ReadFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
    std::ifstream in(WithSlashes(path), std::ios::binary | std::ios::ate);
    if (!in) return false;
    const std::streamoff size = in.tellg();
    if (size < 0 || size > kMaxObjectFileBytes) return false;
    bytes.resize(static_cast<std::size_t>(size));
    in.seekg(0);
    return static_cast<bool>(in.read(reinterpret_cast<char*>(bytes.data()), size));
}

// Reads a .ddd file into the mesh, logging the reasons the engine logs; false leaves the mesh empty.
bool ReadMeshFile(const std::string& path, const std::string& shownName, MeshObjectX& mesh) {
    std::vector<std::uint8_t> bytes;
    if (!ReadFile(path, bytes)) return false;
    const DddStatus status = ReadDdd(bytes, mesh);
    if (status == DddStatus::Ok) return true;
    if (status == DddStatus::WrongVersion) AppendErrorLog("Wrong .ddd version.");
    AppendErrorLog("# read error");
    AppendErrorLog(shownName.c_str());
    return false;
}

void FinishMesh(MeshObjectX& mesh) {
    mesh.BuildTriangles();
    ComputeBoundingSpheres(mesh);
}

double LoadScene(ObjectSlot& slot, const std::string& path, const std::string& name) {
    IniStore ini;
    ini.Load(path.c_str());
    const SceneDescription description = ReadSceneDescription(ini);
    const std::size_t cut = name.find_last_of("/\\");
    const std::string base = cut == std::string::npos ? std::string() : name.substr(0, cut + 1);

    slot.textures.assign(description.textures.size(), 0);
    for (std::size_t i = 0; i < description.textures.size(); ++i) {
        std::string picture;
        // A missing name is not looked up: a count far above the names given costs no file searches.
        if (g_gfx3dServices.loadTexture && !description.textures[i].empty() &&
            Resolve(base + description.textures[i], picture))
            slot.textures[i] = g_gfx3dServices.loadTexture(picture);
    }

    slot.meshes.resize(description.meshes.size());
    bool any = false;
    for (std::size_t i = 0; i < description.meshes.size(); ++i) {
        MeshObjectX& mesh = slot.meshes[i];
        const std::string file = base + description.meshes[i].file;
        std::string meshPath;
        const bool named = !description.meshes[i].file.empty();
        if (named && Resolve(file, meshPath) && ReadMeshFile(meshPath, file, mesh)) any = true;
        mesh.textureA = description.meshes[i].textureA;
        mesh.textureB = description.meshes[i].textureB;
        FinishMesh(mesh);
    }
    if (!any) {
        ReleaseSlot(slot);
        return 0;
    }
    slot.loaded = true;
    slot.scene = true;
    return 1;
}

ExpandedVertex BuildVertex(float x, float y, float z, float u, float v, std::uint32_t colour) {
    ExpandedVertex vertex;
    vertex.x = x;
    vertex.y = y;
    vertex.z = z;
    vertex.u = u;
    vertex.v = v;
    vertex.colour = colour;
    if (colour < kFirstMarker) {
        vertex.red = static_cast<float>(colour & 0xFF) / 255.0f;
        vertex.green = static_cast<float>((colour >> 8) & 0xFF) / 255.0f;
        vertex.blue = static_cast<float>((colour >> 16) & 0xFF) / 255.0f;
    }
    return vertex;
}

MeshFrame* BuildFrame() {
    Zazuzive3D* scene = g_engine.scene;
    if (!scene || scene->buildSlot < 0) return nullptr;
    ObjectSlot& slot = scene->slots[scene->buildSlot];
    if (slot.meshes.empty() || slot.meshes[0].frames.empty()) return nullptr;
    return &slot.meshes[0].frames[0];
}

}  // namespace

ObjectSlot* SlotFor(double slot) {
    const std::int32_t n = ToInt(slot);
    if (!g_engine.scene || n < 0 || n >= kObjectSlots) return nullptr;
    return &g_engine.scene->slots[n];
}

void ReleaseSlot(ObjectSlot& slot) {
    for (MeshObjectX& mesh : slot.meshes) ReleaseMeshGl(mesh);
    slot.meshes.clear();
    for (std::uint32_t& name : slot.textures) ReleaseTextureName(name);
    slot.textures.clear();
    slot.loaded = false;
    slot.scene = false;
}

}  // namespace tarvok

using namespace tarvok;

double LoadObject(const RtString& file, double slotNumber) {
    ObjectSlot* slot = SlotFor(slotNumber);
    if (!slot) return 0;
    std::string path;
    if (!Resolve(file.CText(), path)) return 0;
    ReleaseSlot(*slot);
    std::string shownName = file.CText();
    std::replace(shownName.begin(), shownName.end(), '/', '\\');

    std::ifstream in(WithSlashes(path), std::ios::binary);
    char magic[4] = {};
    if (!in.read(magic, 4) || std::string_view(magic, 4) != ";DDW") {
        in.close();
        slot->meshes.resize(1);
        MeshObjectX& mesh = slot->meshes[0];
        if (!ReadMeshFile(path, shownName, mesh) || !mesh.Drawable()) {
            slot->meshes.clear();
            return 0;
        }
        FinishMesh(mesh);
        slot->loaded = true;
        return 1;
    }
    in.close();
    return LoadScene(*slot, path, file.CText());
}

double SaveObject(const RtString& file, double slotNumber) {
    ObjectSlot* slot = SlotFor(slotNumber);
    if (!slot || !slot->loaded || slot->meshes.empty()) return 0;
    const std::vector<std::uint8_t> bytes = WriteDdd(slot->meshes[0]);
    const std::string path = WithSlashes(file.CText());
    std::remove(path.c_str());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return 0;
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return out.good() ? 1 : 0;
}

void StartObject(double slotNumber) {
    ObjectSlot* slot = SlotFor(slotNumber);
    if (!slot) return;
    ReleaseSlot(*slot);
    slot->meshes.resize(1);
    slot->meshes[0].frames.resize(1);
    g_engine.scene->buildSlot = ToInt(slotNumber);
    NewGroup();
}

void AddVertex(double x, double y, double z, double u, double v, double colour) {
    MeshFrame* frame = BuildFrame();
    if (!frame) return;
    frame->polygons.push_back(BuildVertex(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z),
                                          static_cast<float>(u), static_cast<float>(v), ToLowBits32(colour)));
}

void NewGroup() {
    MeshFrame* frame = BuildFrame();
    if (frame) frame->polygons.push_back(BuildVertex(0, 0, 0, 0, 0, kStripMarker));
}

void EndObject() {
    Zazuzive3D* scene = g_engine.scene;
    if (!scene || scene->buildSlot < 0) return;
    ObjectSlot& slot = scene->slots[scene->buildSlot];
    scene->buildSlot = -1;
    MeshObjectX& mesh = slot.meshes[0];
    const bool enough = std::any_of(mesh.frames.begin(), mesh.frames.end(),
                                    [](const MeshFrame& f) { return f.polygons.size() > 2; });
    // A mesh whose colours need more than 256 table entries cannot be stored; it is dropped like an empty one.
    if (!enough || mesh.frames[0].polygons.size() > kMaxMeshRecords || !QuantiseMesh(mesh)) {
        ReleaseSlot(slot);
        return;
    }
    RecomputeNormals(mesh, scene->normalMode);
    FinishMesh(mesh);
    slot.loaded = true;
}

void SetNormalMode(double mode) {
    if (g_engine.scene) g_engine.scene->normalMode = ToInt(mode) % 3;
}

void GetTriangle(double slotNumber, double frameNumber, double index, RtArray<double>& array) {
    array.Dim(3, 9, 0, 0);
    ObjectSlot* slot = SlotFor(slotNumber);
    if (!slot) return;
    const std::int64_t frame = ToInt64(frameNumber);
    std::int64_t remaining = ToInt64(index);
    if (remaining < 0) return;
    for (MeshObjectX& mesh : slot->meshes) {
        if (mesh.frames.empty()) continue;
        if (mesh.drawBuffer.empty()) mesh.BuildTriangles();
        // A frame past the mesh's last one has no triangles to count.
        if (frame < 0 || frame >= static_cast<std::int64_t>(mesh.frames.size())) continue;
        const std::vector<ExpandedVertex>& triangles = mesh.frames[static_cast<std::size_t>(frame)].triangles;
        const std::int64_t count = static_cast<std::int64_t>(triangles.size() / 3);
        if (remaining >= count) {
            remaining -= count;
            continue;
        }
        for (std::int32_t k = 0; k < 3; ++k) {
            const ExpandedVertex& v = triangles[static_cast<std::size_t>(remaining * 3 + k)];
            const double values[9] = {v.x, v.y, v.z, v.u, v.v, static_cast<double>(v.colour), v.nx, v.ny, v.nz};
            for (std::int32_t j = 0; j < 9; ++j) array.ElementAt(k, j) = values[j];
        }
        return;
    }
}
