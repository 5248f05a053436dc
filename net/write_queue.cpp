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

bool WriteQueue::PushMany(std::span<const std::uint8_t> bytes, std::span<const std::int32_t> lengths,
                          bool framed) {
    std::size_t total = 0;
    for (const std::int32_t n : lengths) {
        if (n < 0) return false;
        total += static_cast<std::size_t>(n);
    }
    if (total != bytes.size()) return false;
    const std::size_t add = total + (framed ? kPacketPrefixBytes * lengths.size() : 0);
    if (Bytes() + add > maxBytes_ || Packets() + lengths.size() > maxPackets_) return false;
    Compact();
    std::uint8_t* to = bytes_.Grow(add);
    std::size_t from = 0;
    for (const std::int32_t n : lengths) {
        const auto size = static_cast<std::size_t>(n);
        if (framed) {
            for (std::size_t i = 0; i < kPacketPrefixBytes; ++i)
                *to++ = static_cast<std::uint8_t>(size >> (8 * i));
        }
        std::memcpy(to, bytes.data() + from, size);
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
        bytes_.DropFront(start_);
        start_ = 0;
    }
}

void WriteQueue::Append(std::span<const std::uint8_t> packet, bool framed) {
    Compact();
    std::uint8_t* to = bytes_.Grow(packet.size() + (framed ? kPacketPrefixBytes : 0));
    if (framed) {
        const auto n = static_cast<std::uint32_t>(packet.size());
        for (std::size_t i = 0; i < kPacketPrefixBytes; ++i) *to++ = static_cast<std::uint8_t>(n >> (8 * i));
    }
    if (!packet.empty()) std::memcpy(to, packet.data(), packet.size());
    pushedTotal_ += packet.size() + (framed ? kPacketPrefixBytes : 0);
    ends_.push_back(pushedTotal_);
}

std::span<const std::uint8_t> WriteQueue::Pending() const {
    return {bytes_.data() + start_, bytes_.size() - start_};
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
