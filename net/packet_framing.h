// Framing of whole packets on a TCP byte stream: each packet travels as a 4-byte little-endian length
// followed by that many bytes. Pure logic over memory; the socket code feeds it what it receives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tarvok {

inline constexpr std::size_t kPacketPrefixBytes = 4;

// Writes the frame (prefix and packet) of one packet; the packet must not be empty.
std::vector<std::uint8_t> FramePacket(std::span<const std::uint8_t> packet);

// Collects one packet at a time from stream bytes. It never asks for more than the rest of the current
// packet, so its memory stays below the prefix plus maxLength.
class PacketAssembler {
public:
    enum class State { Incomplete, Ready, BadLength };

    explicit PacketAssembler(std::size_t maxLength) : maxLength_(maxLength) {}

    // Room for the next bytes of the stream (empty while a packet is ready or after a bad length).
    std::span<std::uint8_t> Space();
    // Records that n bytes were received into Space().
    void Commit(std::size_t n);
    State Status() const { return state_; }
    // The ready packet (empty unless Status() is Ready).
    std::span<const std::uint8_t> Packet() const;
    // Forgets the ready packet and starts on the next one.
    void Consume();

private:
    void Update();

    std::size_t maxLength_;
    std::vector<std::uint8_t> buffer_ = std::vector<std::uint8_t>(kPacketPrefixBytes);
    std::size_t filled_ = 0;
    std::size_t packetLength_ = 0;  // known once the prefix is complete
    State state_ = State::Incomplete;
};

}  // namespace tarvok
