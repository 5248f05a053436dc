// Bounded queue of outgoing packets.
#include "net/write_queue.h"

#include <cstring>

#include "net/packet_framing.h"

namespace tarvok {

bool WriteQueue::Push(std::span<const std::uint8_t> packet, bool framed) {
    const std::size_t add = packet.size() + (framed ? kPacketPrefixBytes : 0);
    if (Bytes() + add > maxBytes_ || Packets() + 1 > maxPackets_) return false;
    // Sent bytes are dropped from the front once they are the larger part, so memory stays near the bound.
    if (start_ > 0 && start_ >= bytes_.size() / 2) {
        bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(start_));
        start_ = 0;
    }
    if (framed) {
        const auto n = static_cast<std::uint32_t>(packet.size());
        for (std::size_t i = 0; i < kPacketPrefixBytes; ++i) bytes_.push_back(static_cast<std::uint8_t>(n >> (8 * i)));
    }
    bytes_.insert(bytes_.end(), packet.begin(), packet.end());
    pushedTotal_ += add;
    ends_.push_back(pushedTotal_);
    return true;
}

std::span<const std::uint8_t> WriteQueue::Pending() const {
    return std::span<const std::uint8_t>(bytes_).subspan(start_);
}

void WriteQueue::Sent(std::size_t n) {
    if (n > Bytes()) n = Bytes();
    start_ += n;
    sentTotal_ += n;
    while (!ends_.empty() && ends_.front() <= sentTotal_) ends_.pop_front();
    if (start_ == bytes_.size()) {
        bytes_.clear();
        start_ = 0;
    }
}

}  // namespace tarvok
