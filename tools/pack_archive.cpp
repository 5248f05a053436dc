// The packed resource archive writer.
#include "tools/pack_archive.h"

#include <lzo/lzo1x.h>

#include <limits>

#include "storage/archive_format.h"

namespace pack {

namespace {

void PutLe32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

std::vector<std::uint8_t> CompressBlock(std::span<const std::uint8_t> data) {
    if (data.size() > std::numeric_limits<std::uint32_t>::max()) return {};
    static const bool lzoReady = lzo_init() == LZO_E_OK;
    if (!lzoReady) return {};
    // Room for the size and the worst case of LZO1X on incompressible data.
    std::vector<std::uint8_t> block(4 + data.size() + data.size() / 16 + 64 + 3);
    for (int i = 0; i < 4; ++i)
        block[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(data.size() >> (8 * i));
    std::vector<std::uint8_t> work(LZO1X_999_MEM_COMPRESS);
    lzo_uint written = 0;
    if (lzo1x_999_compress(data.data(), data.size(), block.data() + 4, &written, work.data()) != LZO_E_OK)
        return {};
    block.resize(4 + written);
    return block;
}

std::vector<std::uint8_t> BuildArchive(const std::vector<PackedEntry>& entries, bool appended) {
    std::uint64_t total = tarvok::kArchiveTrailerSize + 1;
    for (const PackedEntry& entry : entries) total += entry.block.size() + 1 + entry.name.size() + 8;
    if (total > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) return {};

    // Offsets of the archive's own positions: from the start, or (appended) back from the end.
    const auto offsetOf = [&](std::size_t position) {
        const std::int64_t signedPosition = static_cast<std::int64_t>(position);
        return static_cast<std::uint32_t>(appended ? signedPosition - static_cast<std::int64_t>(total)
                                                   : signedPosition);
    };
    std::vector<std::uint8_t> out;
    out.reserve(static_cast<std::size_t>(total));
    std::vector<std::size_t> positions;
    for (const PackedEntry& entry : entries) {
        positions.push_back(out.size());
        out.insert(out.end(), entry.block.begin(), entry.block.end());
    }
    const std::size_t directory = out.size();
    for (std::size_t i = 0; i < entries.size(); ++i) {
        out.push_back(static_cast<std::uint8_t>(entries[i].name.size()));
        out.insert(out.end(), entries[i].name.begin(), entries[i].name.end());
        PutLe32(out, offsetOf(positions[i]));
        PutLe32(out, static_cast<std::uint32_t>(entries[i].block.size()));
    }
    out.push_back(0);
    out.insert(out.end(), std::begin(tarvok::kArchiveMagic), std::end(tarvok::kArchiveMagic));
    PutLe32(out, offsetOf(directory));
    return out;
}

}  // namespace pack
