// Shared inside the network library: the per-thread error and the table of open sockets.
#pragma once

#include <chrono>
#include <memory>
#include <mutex>
#include <optional>

#include "net/nl.h"
#include "net/packet_framing.h"
#include "net/write_queue.h"

namespace tarvok::nl {

// Bytes read past the current packet in one system read: many small packets per read.
inline constexpr std::size_t kReadAheadBytes = 16 * 1024;

// The bounds of a socket's write queue (nlSetWriteQueue).
struct QueueLimits {
    NLint maxBytes = 0;
    NLint maxPackets = 0;
    NLint stallMs = 0;
};

// One open socket. The descriptor is closed only while both locks are held, so a read or write that
// runs on another thread never sees it reused.
struct SocketRecord {
    int fd = -1;
    NLint type = NL_TCP;
    bool listening = false;
    bool blockingReads = false;  // NL_BLOCKING_READS was on when it was opened
    std::mutex readLock;         // guards fd use for reads, assembler, readBroken
    std::mutex writeLock;        // guards fd use for writes, writeBroken
    PacketAssembler assembler{NL_MAX_PACKET_LENGTH, kReadAheadBytes};  // NL_TCP_PACKETS only
    bool readBroken = false;               // a bad packet length: the stream cannot be resynced
    bool writeBroken = false;              // a packet was cut off, or the write queue overflowed or stalled
    NLerror writeError = NL_SYSTEM_ERROR;  // what a write to a broken socket reports
    // Writes that never wait (nlSetWriteQueue): what is left to send, and when a byte last left.
    std::optional<QueueLimits> queueLimits;
    std::optional<WriteQueue> queue;
    std::chrono::steady_clock::time_point lastMove{};
};

// Wakes a poller that waits in nlPollGroupStatus when bytes are queued on an idle queue.
void WakePoller();

// Sets this thread's error; returns false so a failing call can end with `return Fail(...)`.
bool Fail(NLerror error);
// The record of an open socket, or null (with NL_INVALID_SOCKET set).
std::shared_ptr<SocketRecord> FindSocket(NLsocket socket);
// Takes a socket that is being closed out of every group.
void RemoveFromAllGroups(NLsocket socket);

}  // namespace tarvok::nl
