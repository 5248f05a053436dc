// Splitting an HTTP reply into header and body as it arrives: pure logic over received bytes.
//
// Line ends are counted: a carriage return leaves the count, a line feed adds one, any other byte
// resets it; at two the header is over. So "\r\n\r\n" and bare "\n\n" both end it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tarvok {

// A header longer than this is not an HTTP reply worth reading on.
inline constexpr std::size_t kMaxHttpHeaderBytes = 64 * 1024;

// The longest a whole download may take (60 seconds), besides the time-out of each read; tests
// shorten it.
int& HttpDeadlineMs();

class HttpReplyScanner {
public:
    // Takes the next received bytes; returns the part of them that belongs to the body. A body ends at
    // the length the header announced: bytes past it are not returned.
    std::span<const std::uint8_t> Feed(std::span<const std::uint8_t> bytes);
    bool HeaderDone() const { return headerDone_; }
    // The header grew past kMaxHttpHeaderBytes before it ended; nothing more is examined.
    bool HeaderTooLong() const { return tooLong_; }
    // The Content-Length the header gave, once the header is over (nothing when absent or unreadable).
    std::optional<std::uint64_t> ContentLength() const { return contentLength_; }

private:
    void ReadContentLength();
    std::span<const std::uint8_t> TakeBody(std::span<const std::uint8_t> bytes);

    int lineEnds_ = 0;
    bool headerDone_ = false;
    bool tooLong_ = false;
    std::string header_;
    std::optional<std::uint64_t> contentLength_;
    std::uint64_t bodyBytes_ = 0;  // body bytes returned so far
};

}  // namespace tarvok
