#include "sound/sound_files.h"

#include <algorithm>

#include "platform/files.h"
#include "storage/storage.h"

namespace tarvok {

std::string LookupSoundFile(int archiveSlot, const RtString& name) {
    std::string path;
    return ArchiveLookup(archiveSlot, name.CText(), path) == 1 ? path : std::string();
}

std::optional<std::vector<std::uint8_t>> ReadFileHead(const std::string& path, std::size_t maxBytes) {
    const platform::FileHandle file = platform::OpenFileForReading(path);
    if (file == platform::kNoFile) return std::nullopt;
    const std::int64_t size = platform::SizeOfFile(file);
    std::vector<std::uint8_t> bytes;
    if (size > 0) {
        bytes.resize(std::min(static_cast<std::uint64_t>(size), static_cast<std::uint64_t>(maxBytes)));
        bytes.resize(platform::ReadFile(file, bytes.data(), bytes.size()));
    }
    platform::CloseFile(file);
    return bytes;
}

}  // namespace tarvok
