// HTTP replies: received in pieces (their size set by the first byte), split into header and body; the
// body handed back is always part of what was received.
#include <algorithm>

#include "fuzz/fuzz.h"
#include "net/http_reply.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t piece = 1 + data[0] % 200;
    tarvok::HttpReplyScanner reply;
    for (std::size_t at = 1; at < size && !reply.HeaderTooLong(); at += piece) {
        const std::span<const std::uint8_t> bytes(data + at, std::min(piece, size - at));
        const std::span<const std::uint8_t> body = reply.Feed(bytes);
        Require(body.empty() ||
                (body.data() >= bytes.data() && body.data() + body.size() <= bytes.data() + bytes.size()));
        Require(body.empty() || reply.HeaderDone());
    }
    return 0;
}
