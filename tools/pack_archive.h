// Building the engine's packed resource archive in memory.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace pack {

// One file to pack: its entry name (a base name of 1..255 bytes) and its data block.
struct PackedEntry {
    std::string name;
    std::vector<std::uint8_t> block;  // 4-byte original size, then the LZO1X data
};

// The data block of a file: its size, then its bytes compressed by LZO1X-999. Empty when the file is
// too large for the format's 32-bit size.
std::vector<std::uint8_t> CompressBlock(std::span<const std::uint8_t> data);

// The archive bytes for the entries: data blocks, directory, trailer. With appended, every offset counts
// back from the end of the file, so the bytes can be written behind another file; otherwise offsets
// count from the start. Empty when the archive would pass the format's 2 GiB offset range.
std::vector<std::uint8_t> BuildArchive(const std::vector<PackedEntry>& entries, bool appended);

}  // namespace pack
