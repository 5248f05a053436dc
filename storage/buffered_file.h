// BufferedFile: reads of an open file through a read-ahead buffer, with the file pointer kept where
// unbuffered reads would have left it (seeks, tells and writes see the logical position).
//
// Games read files a byte or a line at a time; one system call per read costs ten times the work
// itself. The buffer is dropped by every seek and before every write.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/files.h"
#include "storage/line_rule.h"

namespace tarvok {

class BufferedFile final : public LineSource {
public:
    BufferedFile() = default;
    explicit BufferedFile(platform::FileHandle file) : file_(file) {}

    platform::FileHandle Handle() const { return file_; }

    // Reads up to count bytes; the number delivered (fewer only at the end of the file or on failure).
    std::size_t Read(char* buffer, std::size_t count) override;
    // Moves back count bytes (the line rule's re-read of what followed a line feed).
    void Back(std::size_t count) override;
    // Moves the logical position; false (nothing moved) when the target lies before the start.
    bool Seek(std::int64_t offset, platform::SeekFrom from);
    // The logical position; -1 on failure.
    std::int64_t Tell();
    // Writes all bytes at the logical position; false when not all were written.
    bool Write(const void* bytes, std::size_t count);

private:
    // Drops the buffered bytes, moving the file pointer back to the logical position.
    void Sync();

    static constexpr std::size_t kBufferSize = 64 * 1024;

    platform::FileHandle file_ = platform::kNoFile;
    std::vector<char> buffer_;  // allocated at the first read
    std::size_t start_ = 0;     // next unread byte in buffer_
    std::size_t end_ = 0;       // bytes held in buffer_; the file pointer is end_ - start_ bytes ahead
};

}  // namespace tarvok
