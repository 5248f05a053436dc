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
    return std::span<std::uint8_t>(buffer_).subspan(filled_);
}

void PacketAssembler::Commit(std::size_t n) {
    if (state_ != State::Incomplete || n > buffer_.size() - filled_) return;
    filled_ += n;
    Update();
}

void PacketAssembler::Update() {
    if (packetLength_ == 0 && filled_ == kPacketPrefixBytes) {
        std::uint32_t n = 0;
        for (std::size_t i = 0; i < kPacketPrefixBytes; ++i) {
            n |= static_cast<std::uint32_t>(buffer_[i]) << (8 * i);
        }
        // The length is checked before anything is sized by it; empty packets are never written.
        if (n == 0 || n > maxLength_) {
            state_ = State::BadLength;
            return;
        }
        packetLength_ = n;
        buffer_.resize(kPacketPrefixBytes + packetLength_);
    }
    if (packetLength_ != 0 && filled_ == buffer_.size()) state_ = State::Ready;
}

std::span<const std::uint8_t> PacketAssembler::Packet() const {
    if (state_ != State::Ready) return {};
    return std::span<const std::uint8_t>(buffer_).subspan(kPacketPrefixBytes);
}

void PacketAssembler::Consume() {
    if (state_ != State::Ready) return;
    buffer_.resize(kPacketPrefixBytes);
    filled_ = 0;
    packetLength_ = 0;
    state_ = State::Incomplete;
}

}  // namespace tarvok
