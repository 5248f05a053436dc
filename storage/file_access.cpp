// Helpers shared by the storage commands.
#include "storage/file_access.h"

namespace tarvok {

bool FitsPathBuffer(std::string_view name) { return name.size() < kPathBufferSize; }

std::size_t FileLineSource::Read(char* buffer, std::size_t count) {
    const std::size_t n = platform::ReadFile(file_, buffer, count);
    if (position_) *position_ += static_cast<std::uint32_t>(n);
    return n;
}

void FileLineSource::Back(std::size_t count) {
    if (count == 0) return;
    platform::SeekFile(file_, -static_cast<std::int64_t>(count), platform::SeekFrom::kCurrent);
    if (position_) *position_ -= static_cast<std::uint32_t>(count);
}

bool WriteNewFile(const std::string& name, std::string_view bytes) {
    if (!FitsPathBuffer(name)) return false;
    const platform::FileHandle file = platform::CreateFileForWriting(name);
    if (file == platform::kNoFile) return false;
    const bool written = platform::WriteFile(file, bytes.data(), bytes.size());
    platform::CloseFile(file);
    return written;
}

}  // namespace tarvok
