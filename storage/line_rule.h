// The engine's line rule, shared by ReadLine, the INI reader and the slot-file reader.
//
// A line is read in pieces of at most 64 bytes, up to 1024 bytes. The first line feed ends it: the
// source is moved back to just after it, and the line feed and one carriage return before it are
// removed. A piece that delivers fewer bytes than asked ends the line at the end of its data. 1024 bytes
// without a line feed are a line of their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tarvok {

constexpr std::size_t kLineLimit = 1024;
constexpr std::size_t kLinePiece = 64;

// Where the line rule reads from: a file channel or bytes in memory.
class LineSource {
public:
    virtual ~LineSource() = default;
    // Reads up to count bytes; the number delivered (0 at the end).
    virtual std::size_t Read(char* buffer, std::size_t count) = 0;
    // Moves back count bytes, so that they are read again.
    virtual void Back(std::size_t count) = 0;
};

// Reads one line into line (kLineLimit + 1 bytes), zero-terminated, and gives its byte count (a zero
// byte read from the source may end the text earlier). False when nothing at all could be read: the
// source is at its end.
bool ReadLineFrom(LineSource& source, char* line, std::size_t& length);

// Reads lines out of bytes in memory.
class MemoryLineSource final : public LineSource {
public:
    explicit MemoryLineSource(std::span<const char> bytes) : bytes_(bytes) {}
    std::size_t Read(char* buffer, std::size_t count) override;
    void Back(std::size_t count) override;

private:
    std::span<const char> bytes_;
    std::size_t cursor_ = 0;
};

}  // namespace tarvok
