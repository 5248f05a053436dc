// Helpers shared by the storage commands.
#include "storage/file_access.h"

namespace tarvok {

bool FitsPathBuffer(std::string_view name) { return name.size() < kPathBufferSize; }

bool WriteNewFile(const std::string& name, std::string_view bytes) {
    if (!FitsPathBuffer(name)) return false;
    const platform::FileHandle file = platform::CreateFileForWriting(name);
    if (file == platform::kNoFile) return false;
    const bool written = platform::WriteFile(file, bytes.data(), bytes.size());
    platform::CloseFile(file);
    return written;
}

}  // namespace tarvok
