// Meshes of the 3D objects: animation frames of quantised vertex records, the shared texture coordinate
// and colour tables, and the expanded vertices that drawing reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tarvok {

// Colours at or above this value are not colours: 0xFFFFFFFD..0xFFFFFFFF start a group, 0xFFFFFFFC is
// reserved; all of them draw as white and are left out of the quantisation bounds.
constexpr std::uint32_t kFirstMarker = 0xFFFFFFFC;
constexpr std::uint32_t kFanMarker = 0xFFFFFFFD;
constexpr std::uint32_t kStripMarker = 0xFFFFFFFE;
constexpr std::uint32_t kTrianglesMarker = 0xFFFFFFFF;

// A colour index is one byte, so a colour table holds at most 256 entries.
constexpr std::size_t kMaxColours = 256;
// Records over all frames of one mesh: every record can expand to an 88-byte vertex per frame, so this
// bounds what a small hostile file can make us allocate (about 370 MB of triangle lists).
constexpr std::size_t kMaxMeshRecords = std::size_t{1} << 22;

// One vertex as OpenGL reads it with a stride of 88 bytes.
struct ExpandedVertex {
    float x = 0, y = 0, z = 0;     // position, offset 0
    float nx = 0, ny = 0, nz = 0;  // normal, offset 12
    float u = 0, v = 0;            // texture coordinate, offset 24
    float lx = 0, ly = 0, lz = 0;  // light vector (bump mapping), offset 32
    float tx = 0, ty = 0, tz = 0;  // tangent, offset 44
    float bx = 0, by = 0, bz = 0;  // binormal, offset 56
    std::uint32_t colour = 0;      // engine RGB or a marker, offset 68
    std::uint8_t colourIndex = 0;  // offset 72 (three bytes of padding follow)
    float red = 1, green = 1, blue = 1;  // offset 76, 80, 84
};
static_assert(sizeof(ExpandedVertex) == 88);
static_assert(offsetof(ExpandedVertex, nx) == 12 && offsetof(ExpandedVertex, u) == 24);
static_assert(offsetof(ExpandedVertex, lx) == 32 && offsetof(ExpandedVertex, tx) == 44);
static_assert(offsetof(ExpandedVertex, bx) == 56 && offsetof(ExpandedVertex, colour) == 68);
static_assert(offsetof(ExpandedVertex, colourIndex) == 72 && offsetof(ExpandedVertex, red) == 76);
static_assert(offsetof(ExpandedVertex, blue) == 84);

// One quantised vertex record: 7 bytes.
struct VertexRecord {
    std::uint8_t x = 0, y = 0, z = 0;  // position, dequantised by the frame's offset and scale
    std::uint8_t normal = 0;           // index into the normal table
    std::uint8_t tangent = 0;          // index into the normal table (bump mapping)
    std::uint8_t binormal = 0;         // index into the normal table (bump mapping)
    std::uint8_t colour = 0;           // index into the mesh's colour table
};
static_assert(sizeof(VertexRecord) == 7);

struct MeshFrame {
    std::vector<VertexRecord> records;
    float offset[3] = {0, 0, 0};  // position axis i = (q_i - offset_i) x scale_i
    float scale[3] = {1, 1, 1};
    float radius = 0;             // bounding sphere
    float centre[3] = {0, 0, 0};
    std::vector<ExpandedVertex> triangles;  // three vertices per triangle
    std::vector<ExpandedVertex> polygons;   // while building: vertices with group markers between
};

// The mesh operations that every mesh kind offers.
class MeshObject {
public:
    virtual ~MeshObject() = default;
    // Turns every frame's records into its triangle list and fills the draw buffer from frame 0.
    virtual void BuildTriangles() = 0;
};

class MeshObjectX : public MeshObject {
public:
    void BuildTriangles() override;

    std::vector<MeshFrame> frames;
    std::vector<float> uList, vList;      // one texture coordinate per record index, shared by all frames
    std::vector<std::uint32_t> colours;   // colour table, markers included
    bool normalsComputed = false;
    bool hasColours = false;              // some table entry is neither 0x00FFFFFF nor a marker
    std::vector<ExpandedVertex> drawBuffer;  // vertices of the frame being drawn
    std::uint32_t staticBuffer = 0;       // vertex buffer names (0 until created)
    std::uint32_t streamBuffer = 0;
    std::size_t streamBufferBytes = 0;    // size the stream buffer was created with
    std::uint32_t celTexture = 0;         // cel-shading texture and 1 / its height
    float celScale = 0;
    std::vector<std::int32_t> neighbours; // shadow volumes: per triangle edge, the triangle across it or -1
    std::int32_t textureA = -1;           // scene meshes: indices into the slot's texture list
    std::int32_t textureB = -1;

    // Whether the mesh can be drawn: it has a frame and its first frame has records.
    bool Drawable() const { return !frames.empty() && !frames[0].records.empty(); }
    // Drops every frame and list (vertex buffer names are released by the drawing code first).
    void Clear();
};

}  // namespace tarvok
