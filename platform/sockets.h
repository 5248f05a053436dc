// IPv4 TCP sockets over POSIX: the system calls under the engine's small network library (net/nl.h).
//
// Sockets are plain descriptors (-1 = none). Every call is bounded in time: connects, sends and waits take
// a timeout in milliseconds, reads never block unless asked to wait. Sends never raise SIGPIPE.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace platform {

// Outcome of one socket transfer.
enum class IoStatus {
    Done,        // bytes moved (count > 0)
    WouldBlock,  // nothing could be moved now (or the wait timed out)
    Closed,      // the peer ended the connection in order (a read of 0 bytes)
    Failed,      // any other error; the connection is unusable
};

struct IoResult {
    IoStatus status = IoStatus::Failed;
    std::size_t count = 0;  // bytes moved when status is Done
};

// An IPv4 address and port, both in host byte order.
struct Ipv4Endpoint {
    std::uint32_t ip = 0;
    std::uint16_t port = 0;
};

// A new TCP socket bound to port on every local address (0 = any free port), with address reuse.
// -1 when the socket cannot be made or bound.
int TcpOpen(std::uint16_t port);
// Puts a bound socket into the listening state; false on failure.
bool TcpListen(int socket);
// Accepts one pending connection without waiting. -1 with wouldBlock set when none is pending.
int TcpAccept(int socket, bool& wouldBlock);
// Connects to the endpoint, waiting at most timeoutMs; false when refused, unreachable or timed out.
bool TcpConnect(int socket, Ipv4Endpoint to, int timeoutMs);
// Turns Nagle's delay off (small messages leave at once).
void TcpNoDelay(int socket);
// Sends all bytes, waiting at most timeoutMs in total for room; Done only when everything left.
IoResult TcpSendAll(int socket, std::span<const std::uint8_t> bytes, int timeoutMs);
// Receives up to out.size() bytes; waits at most waitMs for the first byte (0 = no wait).
IoResult TcpReceive(int socket, std::span<std::uint8_t> out, int waitMs);
// Closes the descriptor (a no-op for -1).
void TcpClose(int socket);

// The address the socket is bound to (after bind or connect); false on failure.
bool SocketLocalEndpoint(int socket, Ipv4Endpoint& out);
// The IPv4 addresses of the machine's interfaces that are up (loopback included).
std::vector<std::uint32_t> LocalIpv4Addresses();
// Resolves a dotted address or a host name to an IPv4 address; false when it has none.
bool ResolveIpv4(const char* name, std::uint32_t& ip);

// Waits at most timeoutMs (0 = no wait) until one of the sockets has data or an end to read; sets
// readable[i] for each one that has. Returns the number of such sockets, or -1 on failure.
int PollReadable(std::span<const int> sockets, std::span<bool> readable, int timeoutMs);

}  // namespace platform
