// The bytes a socket still has to send, in whole packets, bounded in bytes and in packets. Pure logic
// over memory: the socket code pushes packets and reports what the system took.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>

#include "net/byte_buffer.h"

namespace tarvok {

class WriteQueue {
public:
    WriteQueue(std::size_t maxBytes, std::size_t maxPackets) : maxBytes_(maxBytes), maxPackets_(maxPackets) {}

    // Appends one packet (behind its 4-byte length when framed); false, with nothing appended, when the
    // queue would then hold more than its bounds allow.
    bool Push(std::span<const std::uint8_t> packet, bool framed);
    // Appends packets laid end to end in bytes, with the given lengths: all of them, or none when
    // they would not all fit.
    bool PushMany(std::span<const std::uint8_t> bytes, std::span<const std::int32_t> lengths, bool framed);
    // The bytes to send next, oldest first.
    std::span<const std::uint8_t> Pending() const;
    // Records that the first n pending bytes left.
    void Sent(std::size_t n);
    std::size_t Bytes() const { return bytes_.size() - start_; }
    std::size_t Packets() const { return ends_.size(); }
    bool Empty() const { return Bytes() == 0; }

private:
    void Append(std::span<const std::uint8_t> packet, bool framed);
    void Compact();

    std::size_t maxBytes_;
    std::size_t maxPackets_;
    ByteBuffer bytes_;
    std::size_t start_ = 0;           // bytes before this have left
    std::uint64_t sentTotal_ = 0;     // bytes that left since the queue was made
    std::deque<std::uint64_t> ends_;  // end of each queued packet, counted like sentTotal_
    std::uint64_t pushedTotal_ = 0;   // bytes pushed since the queue was made
};

}  // namespace tarvok
