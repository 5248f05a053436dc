// Helpers that the storage commands share: the path buffer limit, line reading from an open file and
// writing a whole new file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "storage/line_rule.h"

namespace tarvok {

// File names are held in 1024-byte buffers: at most 1023 characters. Longer names are refused rather
// than cut, so that a cut name never opens some other file.
constexpr std::size_t kPathBufferSize = 1024;
bool FitsPathBuffer(std::string_view name);

// The line rule reading from an open file; delivered and re-read bytes are counted in *position when
// a counter is given.
class FileLineSource final : public LineSource {
public:
    explicit FileLineSource(platform::FileHandle file, std::uint32_t* position = nullptr)
        : file_(file), position_(position) {}
    std::size_t Read(char* buffer, std::size_t count) override;
    void Back(std::size_t count) override;

private:
    platform::FileHandle file_;
    std::uint32_t* position_;
};

// The steps of FlushStorageFiles: save the global INI store if changed, write the slot file if
// dirty, close the eight file channels.
void SaveIniStore();
void FlushSlotFile();
void CloseAllFileChannels();

// Replaces the file of that name by one holding bytes; false when it cannot be made or written.
bool WriteNewFile(const std::string& name, std::string_view bytes);

}  // namespace tarvok
