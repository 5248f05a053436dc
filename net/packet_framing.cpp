// Length-prefixed packet framing.
#include "net/packet_framing.h"

#include <cstring>

namespace tarvok {

std::vector<std::uint8_t> FramePacket(std::span<const std::uint8_t> packet) {
    std::vector<std::uint8_t> frame(kPacketPrefixBytes + packet.size());
    const auto n = static_cast<std::uint32_t>(packet.size());
    for (std::size_t i = 0; i < kPacketPrefixBytes; ++i) frame[i] = static_cast<std::uint8_t>(n >> (8 * i));
    if (!packet.empty()) std::memcpy(frame.data() + kPacketPrefixBytes, packet.data(), packet.size());
    return frame;
}

std::span<std::uint8_t> PacketAssembler::Space() {
    if (state_ != State::Incomplete) return {};
    if (buffer_.empty()) buffer_.resize(capacity_);
    // The unfinished packet moves to the front, so a whole packet always fits behind its start.
    if (start_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + start_, filled_ - start_);
        filled_ -= start_;
        start_ = 0;
    }
    return std::span<std::uint8_t>(buffer_).subspan(filled_);
}

void PacketAssembler::Commit(std::size_t n) {
    if (state_ != State::Incomplete || n > buffer_.size() - filled_) return;
    filled_ += n;
    Update();
}

void PacketAssembler::Update() {
    packetLength_ = 0;
    state_ = State::Incomplete;
    if (filled_ - start_ < kPacketPrefixBytes) return;
    std::uint32_t n = 0;
    for (std::size_t i = 0; i < kPacketPrefixBytes; ++i) {
        n |= static_cast<std::uint32_t>(buffer_[start_ + i]) << (8 * i);
    }
    // The length is checked before anything is located by it; empty packets are never written.
    if (n == 0 || n > maxLength_) {
        state_ = State::BadLength;
        return;
    }
    packetLength_ = n;
    if (filled_ - start_ >= kPacketPrefixBytes + packetLength_) state_ = State::Ready;
}

std::span<const std::uint8_t> PacketAssembler::Packet() const {
    if (state_ != State::Ready) return {};
    return std::span<const std::uint8_t>(buffer_).subspan(start_ + kPacketPrefixBytes, packetLength_);
}

void PacketAssembler::Consume() {
    if (state_ != State::Ready) return;
    start_ += kPacketPrefixBytes + packetLength_;
    if (start_ == filled_) start_ = filled_ = 0;
    Update();
}

}  // namespace tarvok
