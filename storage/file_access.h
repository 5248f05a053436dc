// Helpers that the storage commands share: the path buffer limit, writing a whole new file and the
// steps of the storage shutdown.
#pragma once

#include <string>
#include <string_view>

#include "platform/files.h"

namespace tarvok {

// File names are held in 1024-byte buffers: at most 1023 characters. Longer names are refused rather
// than cut, so that a cut name never opens some other file.
constexpr std::size_t kPathBufferSize = 1024;
bool FitsPathBuffer(std::string_view name);

// The steps of FlushStorageFiles: save the global INI store if changed, write the slot file if
// dirty, close the eight file channels.
void SaveIniStore();
void FlushSlotFile();
void CloseAllFileChannels();

// Replaces the file of that name by one holding bytes; false when it cannot be made or written.
bool WriteNewFile(const std::string& name, std::string_view bytes);

}  // namespace tarvok
