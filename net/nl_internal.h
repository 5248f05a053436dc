// Shared inside the network library: the per-thread error and the table of open sockets.
#pragma once

#include <memory>
#include <mutex>

#include "net/nl.h"
#include "net/packet_framing.h"

namespace tarvok::nl {

// One open socket. The descriptor is closed only while both locks are held, so a read or write that
// runs on another thread never sees it reused.
struct SocketRecord {
    int fd = -1;
    NLint type = NL_TCP;
    bool listening = false;
    bool blockingReads = false;                       // NL_BLOCKING_READS was on when it was opened
    std::mutex readLock;                              // guards fd use for reads, assembler, readBroken
    std::mutex writeLock;                             // guards fd use for writes, writeBroken
    PacketAssembler assembler{NL_MAX_PACKET_LENGTH};  // NL_TCP_PACKETS only
    bool readBroken = false;                          // a bad packet length: the stream cannot be resynced
    bool writeBroken = false;                         // a packet was cut off: the peer would misframe
};

// Sets this thread's error; returns false so a failing call can end with `return Fail(...)`.
bool Fail(NLerror error);
// The record of an open socket, or null (with NL_INVALID_SOCKET set).
std::shared_ptr<SocketRecord> FindSocket(NLsocket socket);
// Takes a socket that is being closed out of every group.
void RemoveFromAllGroups(NLsocket socket);

}  // namespace tarvok::nl
