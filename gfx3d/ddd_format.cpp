// Reading and writing .ddd files.
#include "gfx3d/ddd_format.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>

#include "gfx3d/mesh_build.h"
#include "gfx3d/normal_table.h"
#include "runtime/number_args.h"

namespace tarvok {

namespace {

// Bounded little-endian reads: a read past the end sets failed and gives 0.
class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::size_t Remaining() const { return bytes_.size() - position_; }
    bool Failed() const { return failed_; }
    std::uint32_t U32() {
        std::uint8_t b[4];
        if (!Take(b, 4)) return 0;
        return b[0] | b[1] << 8 | b[2] << 16 | static_cast<std::uint32_t>(b[3]) << 24;
    }
    std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
    float F32() { return std::bit_cast<float>(U32()); }
    double F64() {
        const std::uint64_t low = U32();
        const std::uint64_t high = U32();
        return std::bit_cast<double>(low | high << 32);
    }
    bool Take(std::uint8_t* out, std::size_t n) {
        if (failed_ || n > Remaining()) {
            failed_ = true;
            std::memset(out, 0, n);
            return false;
        }
        std::memcpy(out, bytes_.data() + position_, n);
        position_ += n;
        return true;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
    bool failed_ = false;
};

// A count that must fit the bytes left, items of itemBytes each.
bool CountFits(std::int32_t count, std::size_t itemBytes, const ByteReader& in) {
    return count >= 0 && static_cast<std::size_t>(count) <= in.Remaining() / itemBytes;
}

constexpr std::size_t kFrameHeaderBytes = 28;  // record count, offset, scale
constexpr std::size_t kFileRecordBytes = 5;

DddStatus ReadBinary(ByteReader& in, MeshObjectX& mesh) {
    if (in.F64() != kDddVersion) return DddStatus::WrongVersion;
    const std::int32_t frameCount = in.I32();
    const std::int32_t colourCount = in.I32();
    const std::int32_t uvCount = in.I32();
    if (in.Failed()) return DddStatus::ReadError;
    if (colourCount < 0 || static_cast<std::size_t>(colourCount) > kMaxColours) return DddStatus::ReadError;
    if (!CountFits(colourCount, 4, in)) return DddStatus::ReadError;
    for (std::int32_t i = 0; i < colourCount; ++i) mesh.colours.push_back(in.U32());
    if (!CountFits(uvCount, 8, in)) return DddStatus::ReadError;
    mesh.uList.resize(static_cast<std::size_t>(uvCount));
    mesh.vList.resize(static_cast<std::size_t>(uvCount));
    for (std::int32_t i = 0; i < uvCount; ++i) {
        mesh.uList[i] = in.F32();
        mesh.vList[i] = in.F32();
    }
    if (!CountFits(frameCount, kFrameHeaderBytes, in)) return DddStatus::ReadError;
    mesh.frames.resize(static_cast<std::size_t>(frameCount));
    std::size_t totalRecords = 0;
    for (MeshFrame& frame : mesh.frames) {
        const std::int32_t recordCount = in.I32();
        for (float& o : frame.offset) o = in.F32();
        for (float& s : frame.scale) s = in.F32();
        if (in.Failed() || !CountFits(recordCount, kFileRecordBytes, in)) return DddStatus::ReadError;
        for (int i = 0; i < 3; ++i)
            if (!std::isfinite(frame.offset[i]) || !std::isfinite(frame.scale[i])) return DddStatus::ReadError;
        // Record i of every frame takes U[i] and V[i]: a shorter list would leave records without them.
        if (recordCount > uvCount) return DddStatus::ReadError;
        totalRecords += static_cast<std::size_t>(recordCount);
        if (totalRecords > kMaxMeshRecords) return DddStatus::ReadError;
        frame.records.resize(static_cast<std::size_t>(recordCount));
        for (VertexRecord& r : frame.records) {
            std::uint8_t b[kFileRecordBytes];
            in.Take(b, kFileRecordBytes);
            if (b[3] >= kNormalCount || b[4] >= colourCount) return DddStatus::ReadError;
            r = VertexRecord{b[0], b[1], b[2], b[3], 0, 0, b[4]};
        }
    }
    return in.Failed() ? DddStatus::ReadError : DddStatus::Ok;
}

// Tokens of the text form: separated by space, tab, CR and LF; "#" comments out the rest of the line.
class TokenReader {
public:
    explicit TokenReader(std::span<const std::uint8_t> bytes)
        : text_(reinterpret_cast<const char*>(bytes.data()), bytes.size()) {}

    // The next token, empty at the end.
    std::string_view Next() {
        for (;;) {
            while (position_ < text_.size() && IsSpace(text_[position_])) ++position_;
            if (position_ < text_.size() && text_[position_] == '#') {
                while (position_ < text_.size() && text_[position_] != '\n') ++position_;
                continue;
            }
            break;
        }
        const std::size_t start = position_;
        while (position_ < text_.size() && !IsSpace(text_[position_]) && text_[position_] != '#') ++position_;
        return text_.substr(start, position_ - start);
    }
    // A finite decimal number; false for a missing or malformed token.
    bool Number(double& value) {
        std::string_view token = Next();
        if (!token.empty() && token[0] == '+') token.remove_prefix(1);
        if (token.empty()) return false;
        const auto [end, error] = std::from_chars(token.data(), token.data() + token.size(), value);
        return error == std::errc{} && end == token.data() + token.size() && std::isfinite(value);
    }
    // A count or index: a number truncated to an integer, at least 0 and at most limit.
    bool Count(std::int64_t& value, std::int64_t limit) {
        double number;
        if (!Number(number)) return false;
        value = ToInt64(number);
        return value >= 0 && value <= limit;
    }
    bool Float(float& value) {
        double number;
        if (!Number(number)) return false;
        value = static_cast<float>(number);
        return std::isfinite(value);
    }
    // An upper bound for how many more tokens there can be.
    std::int64_t MaxTokensLeft() const { return static_cast<std::int64_t>((text_.size() - position_) / 2 + 1); }

private:
    static bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
    std::string_view text_;
    std::size_t position_ = 0;
};

struct TextFace {
    std::uint32_t colour = 0;
    std::vector<std::pair<std::int64_t, std::int64_t>> corners;  // vertex index, texture coordinate index
};

DddStatus ReadText(std::span<const std::uint8_t> bytes, MeshObjectX& mesh) {
    TokenReader in(bytes);
    if (in.Next() != "DDDA") return DddStatus::ReadError;
    double version;
    if (!in.Number(version) || version > 1.1) return DddStatus::ReadError;
    const bool withNormals = version >= 1.1;

    std::int64_t uvCount;
    if (!in.Count(uvCount, in.MaxTokensLeft() / 2)) return DddStatus::ReadError;
    std::vector<std::pair<float, float>> uvs(static_cast<std::size_t>(uvCount));
    for (auto& [u, v] : uvs)
        if (!in.Float(u) || !in.Float(v)) return DddStatus::ReadError;

    std::int64_t faceCount;
    if (!in.Count(faceCount, in.MaxTokensLeft() / 4)) return DddStatus::ReadError;
    std::vector<TextFace> faces(static_cast<std::size_t>(faceCount));
    std::size_t recordsPerFrame = 0;
    for (TextFace& face : faces) {
        double channel[3];
        for (double& c : channel)
            if (!in.Number(c)) return DddStatus::ReadError;
        face.colour = (ToLowBits32(channel[0]) & 0xFF) | (ToLowBits32(channel[1]) & 0xFF) << 8 |
                      (ToLowBits32(channel[2]) & 0xFF) << 16;
        std::int64_t corners;
        if (!in.Count(corners, in.MaxTokensLeft() / 2)) return DddStatus::ReadError;
        face.corners.resize(static_cast<std::size_t>(corners));
        for (auto& [vertex, uv] : face.corners) {
            if (!in.Count(vertex, INT32_MAX) || !in.Count(uv, INT32_MAX)) return DddStatus::ReadError;
            if (uvCount > 0 && uv >= uvCount) return DddStatus::ReadError;
        }
        recordsPerFrame += face.corners.size() + 1;
    }

    std::int64_t frameCount;
    if (!in.Count(frameCount, in.MaxTokensLeft())) return DddStatus::ReadError;
    if (recordsPerFrame != 0 && static_cast<std::size_t>(frameCount) > kMaxMeshRecords / recordsPerFrame)
        return DddStatus::ReadError;
    mesh.frames.resize(static_cast<std::size_t>(frameCount));
    std::vector<ExpandedVertex> vertices;
    for (MeshFrame& frame : mesh.frames) {
        std::int64_t vertexCount;
        if (!in.Count(vertexCount, in.MaxTokensLeft() / 3)) return DddStatus::ReadError;
        vertices.assign(static_cast<std::size_t>(vertexCount), ExpandedVertex{});
        for (ExpandedVertex& v : vertices) {
            if (!in.Float(v.x) || !in.Float(v.y) || !in.Float(v.z)) return DddStatus::ReadError;
            if (withNormals && (!in.Float(v.nx) || !in.Float(v.ny) || !in.Float(v.nz))) return DddStatus::ReadError;
        }
        frame.polygons.reserve(recordsPerFrame);
        for (const TextFace& face : faces) {
            ExpandedVertex marker{};
            marker.colour = kFanMarker;
            marker.red = marker.green = marker.blue = 1;
            frame.polygons.push_back(marker);
            for (const auto& [vertex, uv] : face.corners) {
                if (vertex >= vertexCount) return DddStatus::ReadError;
                ExpandedVertex corner{};
                corner.x = vertices[vertex].x;
                corner.y = vertices[vertex].y;
                corner.z = vertices[vertex].z;
                corner.nx = vertices[vertex].nx;
                corner.ny = vertices[vertex].ny;
                corner.nz = vertices[vertex].nz;
                if (uvCount > 0) {
                    corner.u = uvs[uv].first;
                    corner.v = uvs[uv].second;
                }
                corner.colour = face.colour;
                corner.red = static_cast<float>(face.colour & 0xFF) / 255.0f;
                corner.green = static_cast<float>((face.colour >> 8) & 0xFF) / 255.0f;
                corner.blue = static_cast<float>((face.colour >> 16) & 0xFF) / 255.0f;
                frame.polygons.push_back(corner);
            }
        }
        // Quantised frame by frame, so only one frame is ever held expanded.
        if (!QuantiseFrame(mesh, frame, &frame == &mesh.frames[0])) return DddStatus::ReadError;
    }
    mesh.normalsComputed = false;
    return DddStatus::Ok;
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void PutF32(std::vector<std::uint8_t>& out, float v) { PutU32(out, std::bit_cast<std::uint32_t>(v)); }

}  // namespace

DddStatus ReadDdd(std::span<const std::uint8_t> bytes, MeshObjectX& mesh) {
    mesh.Clear();
    ByteReader in(bytes);
    const std::uint32_t magic = in.U32();
    const DddStatus status = !in.Failed() && magic == kDddMagic ? ReadBinary(in, mesh) : ReadText(bytes, mesh);
    if (status != DddStatus::Ok) mesh.Clear();
    return status;
}

std::vector<std::uint8_t> WriteDdd(const MeshObjectX& mesh) {
    std::vector<std::uint8_t> out;
    PutU32(out, kDddMagic);
    const std::uint64_t version = std::bit_cast<std::uint64_t>(kDddVersion);
    PutU32(out, static_cast<std::uint32_t>(version));
    PutU32(out, static_cast<std::uint32_t>(version >> 32));
    PutU32(out, static_cast<std::uint32_t>(mesh.frames.size()));
    PutU32(out, static_cast<std::uint32_t>(mesh.colours.size()));
    PutU32(out, static_cast<std::uint32_t>(mesh.uList.size()));
    for (const std::uint32_t c : mesh.colours) PutU32(out, c);
    for (std::size_t i = 0; i < mesh.uList.size(); ++i) {
        PutF32(out, mesh.uList[i]);
        PutF32(out, i < mesh.vList.size() ? mesh.vList[i] : 0.0f);
    }
    for (const MeshFrame& frame : mesh.frames) {
        PutU32(out, static_cast<std::uint32_t>(frame.records.size()));
        for (const float o : frame.offset) PutF32(out, o);
        for (const float s : frame.scale) PutF32(out, s);
        for (const VertexRecord& r : frame.records)
            out.insert(out.end(), {r.x, r.y, r.z, r.normal, r.colour});
    }
    return out;
}

}  // namespace tarvok
