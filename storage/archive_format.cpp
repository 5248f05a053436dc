// The packed resource archive format: trailer, directory entries and LZO1X data blocks.
#include "storage/archive_format.h"

#include <cstdio>

#include <lzo/lzo1x.h>

namespace tarvok {

namespace {

std::uint32_t ReadLe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::int32_t ReadLeSigned32(const std::uint8_t* p) { return static_cast<std::int32_t>(ReadLe32(p)); }

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// LZO1X spends at least one byte per 255 bytes of output (a run length byte), plus a few bytes of
// start and end codes: a stated size past this bound cannot be genuine and is not allocated.
constexpr std::uint64_t kLzoMaxExpansion = 256;
constexpr std::uint64_t kLzoExpansionSlack = 1024;

}  // namespace

std::optional<std::int32_t> ParseArchiveTrailer(ByteSpan trailer) {
    if (trailer.size() < kArchiveTrailerSize) return std::nullopt;
    const std::uint8_t* p = trailer.data() + trailer.size() - kArchiveTrailerSize;
    if (p[0] != kArchiveMagic[0] || p[1] != kArchiveMagic[1] || p[2] != kArchiveMagic[2]) return std::nullopt;
    return ReadLeSigned32(p + 3);
}

std::optional<std::uint64_t> ArchivePosition(std::int32_t offset, bool fromEnd, std::uint64_t fileSize) {
    const std::int64_t base = fromEnd ? static_cast<std::int64_t>(fileSize) : 0;
    const std::int64_t position = base + offset;
    if (position < 0 || static_cast<std::uint64_t>(position) > fileSize) return std::nullopt;
    return static_cast<std::uint64_t>(position);
}

DirectoryStep NextArchiveEntry(ByteSpan directory, std::size_t& cursor, ArchiveEntry& entry) {
    if (cursor >= directory.size()) return DirectoryStep::kTruncated;
    const std::size_t length = directory[cursor];
    if (length == 0) return DirectoryStep::kEnd;
    const std::size_t need = 1 + length + 8;
    if (directory.size() - cursor < need) return DirectoryStep::kTruncated;
    const std::uint8_t* p = directory.data() + cursor + 1;
    entry.name.assign(reinterpret_cast<const char*>(p), length);
    entry.dataOffset = ReadLeSigned32(p + length);
    entry.storedSize = ReadLe32(p + length + 4);
    cursor += need;
    return DirectoryStep::kEntry;
}

bool IsPlainEntryName(std::string_view name) {
    if (name.empty() || name.size() > kArchiveMaxNameLength) return false;
    return name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

std::optional<std::uint32_t> ArchiveBlockOriginalSize(ByteSpan block) {
    if (block.size() < kArchiveBlockHeaderSize) return std::nullopt;
    const std::uint32_t original = ReadLe32(block.data());
    const std::uint64_t compressed = block.size() - kArchiveBlockHeaderSize;
    if (original > compressed * kLzoMaxExpansion + kLzoExpansionSlack) return std::nullopt;
    return original;
}

bool DecodeArchiveBlock(ByteSpan block, std::vector<std::uint8_t>& out) {
    out.clear();
    const std::optional<std::uint32_t> original = ArchiveBlockOriginalSize(block);
    if (!original) return false;
    const ByteSpan data = block.subspan(kArchiveBlockHeaderSize);
    // An empty file may be stored with no compressed bytes at all.
    if (*original == 0 && data.empty()) return true;
    static const bool lzoReady = lzo_init() == LZO_E_OK;
    if (!lzoReady) return false;
    out.resize(*original);
    lzo_uint produced = *original;
    const int rc = lzo1x_decompress_safe(data.data(), data.size(), out.data(), &produced, nullptr);
    if (rc != LZO_E_OK || produced != *original) {
        out.clear();
        return false;
    }
    return true;
}

std::string_view BaseName(std::string_view name) {
    const std::size_t slash = name.find_last_of("/\\");
    return slash == std::string_view::npos ? name : name.substr(slash + 1);
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    }
    return true;
}

std::string ExtractedFileName(const ArchiveEntry& entry, int slot) {
    const std::uint32_t turn = slot == 2 ? 13 : 0;
    std::string name = "sbx";
    name += static_cast<char>('A' + (static_cast<std::uint32_t>(entry.dataOffset) & 0xFF) % 26);
    name += static_cast<char>('A' + ((entry.storedSize & 0xFF) % 26 + turn) % 26);
    // File names hold at most 255 bytes: a longer one is replaced by a hash of the name, keeping a short
    // extension, which is what loaders look at.
    constexpr std::size_t kMaxFileName = 255, kMaxKeptExtension = 32;
    if (name.size() + entry.name.size() <= kMaxFileName) return name + entry.name;
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (const char c : entry.name) hash = (hash ^ static_cast<std::uint8_t>(c)) * 1099511628211ull;
    char digits[17];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(hash));
    name += digits;
    const std::size_t dot = entry.name.rfind('.');
    if (dot != std::string::npos && entry.name.size() - dot <= kMaxKeptExtension) {
        name += entry.name.substr(dot);
    }
    return name;
}

}  // namespace tarvok
