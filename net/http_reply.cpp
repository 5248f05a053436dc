// HTTP reply header scanning.
#include "net/http_reply.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace tarvok {

std::span<const std::uint8_t> HttpReplyScanner::Feed(std::span<const std::uint8_t> bytes) {
    if (headerDone_) return TakeBody(bytes);
    if (tooLong_) return {};
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const std::uint8_t c = bytes[i];
        if (header_.size() == kMaxHttpHeaderBytes) {
            tooLong_ = true;
            header_.clear();
            return {};
        }
        header_.push_back(static_cast<char>(c));
        if (c == '\n') {
            ++lineEnds_;
        } else if (c != '\r') {
            lineEnds_ = 0;
        }
        if (lineEnds_ == 2) {
            headerDone_ = true;
            ReadContentLength();
            header_.clear();
            return TakeBody(bytes.subspan(i + 1));
        }
    }
    return {};
}

std::span<const std::uint8_t> HttpReplyScanner::TakeBody(std::span<const std::uint8_t> bytes) {
    if (!contentLength_) return bytes;
    const std::uint64_t take = std::min<std::uint64_t>(bytes.size(), *contentLength_ - bodyBytes_);
    bodyBytes_ += take;
    return bytes.first(static_cast<std::size_t>(take));
}

void HttpReplyScanner::ReadContentLength() {
    static constexpr char kField[] = "content-length:";
    constexpr std::size_t kFieldLength = sizeof kField - 1;
    std::size_t line = 0;
    while (line < header_.size()) {
        const std::size_t end = std::min(header_.find('\n', line), header_.size());
        std::size_t i = 0;
        while (i < kFieldLength && line + i < end &&
               std::tolower(static_cast<unsigned char>(header_[line + i])) == kField[i]) {
            ++i;
        }
        if (i == kFieldLength) {
            std::size_t p = line + kFieldLength;
            while (p < end && (header_[p] == ' ' || header_[p] == '\t')) ++p;
            std::uint64_t value = 0;
            bool digits = false;
            for (; p < end && header_[p] >= '0' && header_[p] <= '9'; ++p) {
                const auto d = static_cast<std::uint64_t>(header_[p] - '0');
                if (value > (std::numeric_limits<std::uint64_t>::max() - d) / 10) return;  // unreadable
                value = value * 10 + d;
                digits = true;
            }
            if (digits) contentLength_ = value;
            return;
        }
        line = end + 1;
    }
}

}  // namespace tarvok
