// The line rule over any source.
#include "storage/line_rule.h"

#include <algorithm>
#include <cstring>

namespace tarvok {

bool ReadLineFrom(LineSource& source, char* line, std::size_t& length) {
    std::size_t total = 0;  // bytes in the line buffer
    std::size_t end = 0;    // where the line ends
    bool ended = false;
    while (!ended && total < kLineLimit) {
        const std::size_t want = std::min(kLinePiece, kLineLimit - total);
        char* piece = line + total;
        const std::size_t got = source.Read(piece, want);
        if (got == 0) {
            if (total == 0) return false;
            // NOTE: the end of the file right at a piece boundary ends the line there, exactly like a
            // short piece does; treating it as a failed read would lose the file's last line.
            end = total;
            break;
        }
        if (const void* feed = std::memchr(piece, '\n', got)) {
            end = static_cast<std::size_t>(static_cast<const char*>(feed) - line);
            source.Back(total + got - (end + 1));
            ended = true;
        } else {
            total += got;
            end = total;
            ended = got < want;  // a short piece: the line ends after its data
        }
    }
    line[end] = '\0';
    // A line of 1024 bytes without a line feed keeps its last byte, whatever it is.
    if (end < kLineLimit && end > 0 && line[end - 1] == '\r') line[--end] = '\0';
    length = end;
    return true;
}

std::size_t MemoryLineSource::Read(char* buffer, std::size_t count) {
    const std::size_t n = std::min(count, bytes_.size() - cursor_);
    std::memcpy(buffer, bytes_.data() + cursor_, n);
    cursor_ += n;
    return n;
}

void MemoryLineSource::Back(std::size_t count) { cursor_ -= std::min(count, cursor_); }

}  // namespace tarvok
