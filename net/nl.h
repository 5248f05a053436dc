// The small portable network library under the message protocol and HTTP download: sockets, socket
// groups and polling, address text, local addresses, length-prefixed TCP packets, threads and mutexes.
//
// Only what the engine calls is here. Sockets are numbers handed out by the library (NL_INVALID = none);
// every call reports failure by its result and leaves the reason for nlGetError (per thread). Reads never
// block unless NL_BLOCKING_READS is enabled, and then only up to the read timeout; writes, connects and
// every other wait are bounded too. The POSIX side is platform/sockets.h.
#pragma once

#include <cstdint>

using NLint = std::int32_t;
using NLushort = std::uint16_t;
using NLboolean = bool;
using NLsocket = std::int32_t;
using NLthreadID = std::int32_t;

inline constexpr NLsocket NL_INVALID = -1;

// The one network driver: IPv4 ("NL_IP").
inline constexpr NLint NL_IP = 3;

// Connection types for nlOpen.
inline constexpr NLint NL_TCP = 16;          // a plain TCP byte stream
inline constexpr NLint NL_TCP_PACKETS = 17;  // TCP carrying whole packets: one nlRead returns one nlWrite

// Options for nlEnable; each applies to the sockets opened afterwards (and those they accept).
inline constexpr NLint NL_BLOCKING_READS = 64;  // reads wait for data, up to the read timeout
inline constexpr NLint NL_NO_DELAY = 65;        // small writes leave at once

// Limits.
inline constexpr NLint NL_MAX_PACKET_LENGTH = 8192;  // largest packet of an NL_TCP_PACKETS socket
inline constexpr NLint NL_MAX_GROUP_SOCKETS = 1024;  // sockets one group can hold
inline constexpr NLint NL_MAX_STRING_LENGTH = 64;    // buffer size for nlAddrToString
inline constexpr NLint NL_CONNECT_TIMEOUT_MS = 5000;
inline constexpr NLint NL_WRITE_TIMEOUT_MS = 5000;
inline constexpr NLint NL_DEFAULT_READ_TIMEOUT_MS = 15000;

// Error codes reported by nlGetError.
enum NLerror : NLint {
    NL_NO_ERROR = 0,
    NL_NO_NETWORK = 0x101,         // the library is not started or no network is selected
    NL_INVALID_ENUM = 0x102,       // an unknown network, connection type, option or status
    NL_INVALID_SOCKET = 0x103,     // the socket number names no open socket
    NL_INVALID_GROUP = 0x104,      // the group number names no group
    NL_GROUP_FULL = 0x105,         // the group already holds NL_MAX_GROUP_SOCKETS sockets
    NL_BAD_ADDRESS = 0x106,        // the text is no address, or the name has no IPv4 address
    NL_SYSTEM_ERROR = 0x107,       // a socket call of the system failed
    NL_CONNECT_FAILED = 0x108,     // refused, unreachable or timed out
    NL_NO_PENDING = 0x109,         // no connection is waiting to be accepted
    NL_TIMEOUT = 0x10A,            // a blocking read or a write ran out of time
    NL_PACKET_SIZE = 0x10B,        // a packet length is 0, above the limit, or above the read buffer
    NL_CONNECTION_CLOSED = 0x10C,  // the peer closed the connection in order (the normal end)
    NL_NULL_POINTER = 0x10D,       // a required argument is null or a length is negative
    NL_QUEUE_FULL = 0x10E,         // a write would overflow the socket's write queue
};
static_assert(NL_CONNECTION_CLOSED == 268, "the engine compares the normal end with the number 268");

// An IPv4 address and port (host byte order).
struct NLaddress {
    std::uint32_t ip = 0;
    NLushort port = 0;
    bool valid = false;
};

// A mutex made by nlMutexInit.
struct NLmutexRecord;
using NLmutex = NLmutexRecord*;

// Library life.
NLboolean nlInit();                        // starts the library; true also when already started
void nlShutdown();                         // closes every socket and group; the library is stopped
NLboolean nlSelectNetwork(NLint network);  // NL_IP only
NLboolean nlEnable(NLint option);          // NL_BLOCKING_READS or NL_NO_DELAY
NLboolean nlDisable(NLint option);         // turns an option off again
void nlSetReadTimeout(NLint ms);           // the bound of blocking reads (NL_DEFAULT_READ_TIMEOUT_MS)
NLint nlGetError();                        // the error of this thread's last failing call

// Sockets.
NLsocket nlOpen(NLushort port, NLint type);    // a TCP socket bound to port (0 = any), NL_INVALID on failure
NLboolean nlListen(NLsocket socket);           // starts listening for connections
NLsocket nlAcceptConnection(NLsocket socket);  // a pending connection, or NL_INVALID with NL_NO_PENDING
NLboolean nlConnect(NLsocket socket, const NLaddress* address);  // connects, waiting a bounded time
NLboolean nlClose(NLsocket socket);  // closes the socket and takes it out of every group
// Reads one packet (NL_TCP_PACKETS) or what is waiting (NL_TCP) into buffer: the byte count, 0 when
// nothing (complete) is waiting, -1 on error (NL_CONNECTION_CLOSED when the peer ended the connection).
NLint nlRead(NLsocket socket, void* buffer, NLint length);
// Reads up to count waiting packets (NL_TCP_PACKETS) without waiting, laid end to end in buffer, their
// lengths in lengths: the number read, 0 when none is waiting, -1 on error (as nlRead; an error met
// after some packets is reported by the next call).
NLint nlReadMany(NLsocket socket, void* buffer, NLint length, NLint* lengths, NLint count);
// nlRead whose wait (NL_BLOCKING_READS) also ends after maxWaitMs, with NL_TIMEOUT.
NLint nlReadWithin(NLsocket socket, void* buffer, NLint length, NLint maxWaitMs);
// Writes length bytes as one packet (NL_TCP_PACKETS) or as stream bytes: length, or -1 on error. On a
// socket with a write queue the bytes are queued and nlFlush or the next write sends them.
NLint nlWrite(NLsocket socket, const void* buffer, NLint length);

// Writes count packets laid end to end in buffer, with the given lengths, as count nlWrite calls would
// (on a socket with a write queue: all of them or none). The count written, or -1 on error.
NLint nlWriteMany(NLsocket socket, const void* buffer, const NLint* lengths, NLint count);

// Write queues (this library's own extension, for a server that must never wait on one peer). After
// nlSetWriteQueue, nlWrite on the socket never waits: it queues the packet, at most maxBytes bytes and
// maxPackets packets in all. A write past either bound fails with NL_QUEUE_FULL, and so does every write
// after it: the peer takes too little to be served. Sockets accepted on a listening socket with a queue
// get the same bounds.
NLboolean nlSetWriteQueue(NLsocket socket, NLint maxBytes, NLint maxPackets, NLint stallMs);
// Sends what the queue holds without waiting: the bytes still queued, or -1 on error (NL_QUEUE_FULL
// after an overflow, NL_TIMEOUT when queued bytes have not moved for stallMs, NL_CONNECTION_CLOSED,
// NL_SYSTEM_ERROR). The socket is unusable for writes after an error.
NLint nlFlush(NLsocket socket);

// Addresses.
NLboolean nlGetLocalAddr(NLsocket socket, NLaddress* address);   // the bound address (any -> 127.0.0.1)
NLboolean nlGetRemoteAddr(NLsocket socket, NLaddress* address);  // the peer's address
const NLaddress* nlGetAllLocalAddr(NLint* count);  // this machine's addresses, valid until the next call
NLboolean nlSetAddrPort(NLaddress* address, NLushort port);
// "a.b.c.d", "a.b.c.d:port", "name" or "name:port" into an address.
NLboolean nlStringToAddr(const char* text, NLaddress* address);
// "a.b.c.d:port" ("a.b.c.d" when the port is 0) into text (NL_MAX_STRING_LENGTH bytes); returns text.
char* nlAddrToString(const NLaddress* address, char* text);

// Socket groups.
NLint nlGroupCreate();  // a new empty group, or -1
NLboolean nlGroupDestroy(NLint group);
NLboolean nlGroupAddSocket(NLint group, NLsocket socket);
NLboolean nlGroupDeleteSocket(NLint group, NLsocket socket);
// What nlPollGroupStatus found for one socket.
struct NLsocketStatus {
    NLsocket socket = NL_INVALID;
    NLboolean readable = false;  // a packet, bytes, a pending connection, an end or an error to read
    NLboolean writable = false;  // queued bytes can leave now (or the queue has failed: see nlFlush)
    NLboolean ended = false;     // the peer has ended the connection; what it sent may still be unread
};
// Waits at most timeoutMs (0 = no wait) until a socket of the group is readable, writable with queued
// bytes, or ended, or until bytes are queued on an idle write queue of any socket (from any thread).
// Writes the status of up to number such sockets (taken in turns when there are more); the count
// written, or -1 on error.
NLint nlPollGroupStatus(NLint group, NLsocketStatus* status, NLint number, NLint timeoutMs);

// Threads and mutexes.
using NLThreadFunc = void* (*)(void* data);
NLthreadID nlThreadCreate(NLThreadFunc func, void* data, NLboolean joinable);  // -1 on failure
NLboolean nlThreadJoin(NLthreadID thread, void** status);
NLboolean nlMutexInit(NLmutex* mutex);
NLboolean nlMutexLock(NLmutex* mutex);
NLboolean nlMutexUnlock(NLmutex* mutex);
NLboolean nlMutexDestroy(NLmutex* mutex);
