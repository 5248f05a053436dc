// How the sound commands find and read their files: the archive lookup, then a bounded read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "runtime/rt_string.h"

namespace tarvok {

// The path to open for a file name through the archive slot (kDataArchive or kMediaArchive): a plain
// file wins, else an archive entry unpacked into a temporary file; empty when neither exists.
std::string LookupSoundFile(int archiveSlot, const RtString& name);

// The first maxBytes bytes of an existing file (all of a shorter one); empty when it cannot be opened.
std::optional<std::vector<std::uint8_t>> ReadFileHead(const std::string& path, std::size_t maxBytes);

}  // namespace tarvok
