// Bounded queue of outgoing packets.
#include "net/write_queue.h"

#include <cstring>

#include "net/packet_framing.h"

namespace tarvok {

bool WriteQueue::Push(std::span<const std::uint8_t> packet, bool framed) {
    const std::size_t add = packet.size() + (framed ? kPacketPrefixBytes : 0);
    if (Bytes() + add > maxBytes_ || Packets() + 1 > maxPackets_) return false;
    Append(packet, framed);
    return true;
}

bool WriteQueue::PushMany(std::span<const std::uint8_t> bytes, std::span<const std::int32_t> lengths, bool framed) {
    std::size_t total = 0;
    for (const std::int32_t n : lengths) {
        if (n < 0) return false;
        total += static_cast<std::size_t>(n);
    }
    if (total != bytes.size()) return false;
    const std::size_t add = total + (framed ? kPacketPrefixBytes * lengths.size() : 0);
    if (Bytes() + add > maxBytes_ || Packets() + lengths.size() > maxPackets_) return false;
    Compact();
    // One resize, then each packet copied into place behind its prefix.
    std::size_t to = bytes_.size();
    bytes_.resize(to + add);
    std::size_t from = 0;
    for (const std::int32_t n : lengths) {
        const auto size = static_cast<std::size_t>(n);
        if (framed) {
            for (std::size_t i = 0; i < kPacketPrefixBytes; ++i) bytes_[to++] = static_cast<std::uint8_t>(size >> (8 * i));
        }
        std::memcpy(bytes_.data() + to, bytes.data() + from, size);
        to += size;
        from += size;
        pushedTotal_ += size + (framed ? kPacketPrefixBytes : 0);
        ends_.push_back(pushedTotal_);
    }
    return true;
}

void WriteQueue::Compact() {
    // Sent bytes are dropped from the front once they are the larger part, so memory stays near the bound.
    if (start_ > 0 && start_ >= bytes_.size() / 2) {
        bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(start_));
        start_ = 0;
    }
}

void WriteQueue::Append(std::span<const std::uint8_t> packet, bool framed) {
    Compact();
    if (framed) {
        const auto n = static_cast<std::uint32_t>(packet.size());
        std::uint8_t prefix[kPacketPrefixBytes];
        for (std::size_t i = 0; i < kPacketPrefixBytes; ++i) prefix[i] = static_cast<std::uint8_t>(n >> (8 * i));
        bytes_.insert(bytes_.end(), prefix, prefix + kPacketPrefixBytes);
    }
    bytes_.insert(bytes_.end(), packet.begin(), packet.end());
    pushedTotal_ += packet.size() + (framed ? kPacketPrefixBytes : 0);
    ends_.push_back(pushedTotal_);
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
