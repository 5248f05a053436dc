// The packed resource archive format, as pure functions over bytes.
//
// Layout (little-endian): entry data blocks, then the directory (entries of: name length 1..255, name,
// signed 32-bit data offset, 32-bit stored size; a zero length byte ends it), then a 7-byte trailer:
// "sbX" and the signed 32-bit directory offset. A negative directory offset means that it and every
// data offset count back from the end of the file, so the archive can sit behind another file. A data
// block is the 32-bit original size followed by LZO1X-compressed bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tarvok {

using ByteSpan = std::span<const std::uint8_t>;

constexpr std::size_t kArchiveTrailerSize = 7;
constexpr std::uint8_t kArchiveMagic[3] = {0x73, 0x62, 0x58};  // "sbX"
constexpr std::size_t kArchiveMaxNameLength = 255;
constexpr std::size_t kArchiveBlockHeaderSize = 4;

// The directory offset of a trailer (the last 7 bytes of the file); nothing when the magic is wrong or
// fewer than 7 bytes are given.
std::optional<std::int32_t> ParseArchiveTrailer(ByteSpan trailer);

// The position in the file that an offset names: from the start when the directory offset is 0 or
// more, else back from the end. Nothing when the position lies outside the file.
std::optional<std::uint64_t> ArchivePosition(std::int32_t offset, bool fromEnd, std::uint64_t fileSize);

// One directory entry.
struct ArchiveEntry {
    std::string name;              // as stored, 1..255 bytes
    std::int32_t dataOffset = 0;   // where the data block starts (see ArchivePosition)
    std::uint32_t storedSize = 0;  // bytes of the data block
};

enum class DirectoryStep {
    kEntry,      // an entry was read and the cursor moved past it
    kEnd,        // the zero length byte that ends the directory
    kTruncated,  // the bytes end inside an entry (a failed read)
};
// Reads the entry at cursor within the directory bytes.
DirectoryStep NextArchiveEntry(ByteSpan directory, std::size_t& cursor, ArchiveEntry& entry);

// Whether an entry's name is one that may be extracted: no separators and no zero bytes in it.
bool IsPlainEntryName(std::string_view name);

// The original size of a data block: how large its decompression must be; nothing when the block is
// shorter than its header or the size is beyond what its compressed bytes can expand to.
std::optional<std::uint32_t> ArchiveBlockOriginalSize(ByteSpan block);
// Decompresses a data block into out (resized to the original size). False when the block is corrupt:
// too short, an impossible size, or LZO1X data that does not decompress to exactly the stated size.
bool DecodeArchiveBlock(ByteSpan block, std::vector<std::uint8_t>& out);

// The part of a file name after its last "/" or "\" (the whole name when there is none).
std::string_view BaseName(std::string_view name);
// ASCII letters compared without case, every other byte exactly.
bool EqualIgnoringCase(std::string_view a, std::string_view b);

// File name of an entry extracted by archive slot 1 or 2 into the temporary directory: "sbx", two
// capital letters from the entry's directory numbers, then the entry's name (for names too long for a
// file name, a hash of it and its extension). The second letter is turned half the alphabet on for
// slot 2, so that one entry extracted by both slots gives two files and neither slot deletes the other's.
std::string ExtractedFileName(const ArchiveEntry& entry, int slot);

}  // namespace tarvok
