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

// Collects packets from stream bytes. Received bytes may run ahead of the current packet by up to
// readAhead bytes, so one system read can bring many small packets; memory stays below the prefix plus
// maxLength plus readAhead.
class PacketAssembler {
public:
    enum class State { Incomplete, Ready, BadLength };

    explicit PacketAssembler(std::size_t maxLength, std::size_t readAhead = 0)
        : maxLength_(maxLength), capacity_(kPacketPrefixBytes + maxLength + readAhead) {}

    // Room for the next bytes of the stream (empty while a packet is ready or after a bad length).
    std::span<std::uint8_t> Space();
    // Records that n bytes were received into Space().
    void Commit(std::size_t n);
    State Status() const { return state_; }
    // The ready packet (empty unless Status() is Ready).
    std::span<const std::uint8_t> Packet() const;
    // Forgets the ready packet and goes on with the next one.
    void Consume();

private:
    void Update();

    std::size_t maxLength_;
    std::size_t capacity_;
    std::vector<std::uint8_t> buffer_;  // allocated at the first read
    std::size_t start_ = 0;             // the current packet's prefix starts here
    std::size_t filled_ = 0;            // bytes received up to here
    std::size_t packetLength_ = 0;      // of the current packet, once its prefix is complete
    State state_ = State::Incomplete;
};

}  // namespace tarvok
