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
// Sends what the system takes now, without waiting: Done with the count (maybe fewer than asked), or
// WouldBlock when it takes nothing.
IoResult TcpSendSome(int socket, std::span<const std::uint8_t> bytes);
// Receives up to out.size() bytes; waits at most waitMs for the first byte (0 = no wait).
IoResult TcpReceive(int socket, std::span<std::uint8_t> out, int waitMs);
// Closes the descriptor (a no-op for -1).
void TcpClose(int socket);

// The address the socket is bound to (after bind or connect); false on failure.
bool SocketLocalEndpoint(int socket, Ipv4Endpoint& out);
// The address of the socket's peer (once connected); false on failure.
bool SocketRemoteEndpoint(int socket, Ipv4Endpoint& out);
// The IPv4 addresses of the machine's interfaces that are up (loopback included).
std::vector<std::uint32_t> LocalIpv4Addresses();
// Resolves a dotted address or a host name to an IPv4 address; false when it has none.
bool ResolveIpv4(const char* name, std::uint32_t& ip);

// One descriptor of a PollSockets wait: what is asked, and what was found.
struct PollEntry {
    int socket = -1;
    bool wantRead = true;    // wait for data, a pending connection or an end
    bool wantWrite = false;  // wait for room to send
    bool readable = false;   // out: data, a connection, an end or an error waits
    bool writable = false;   // out: bytes can be sent now
    bool ended = false;      // out: the peer has ended its side (what it sent may still be unread)
};
// Waits at most timeoutMs (0 = no wait, negative = no limit) until one of the entries is ready;
// returns the number of ready entries, or -1 on failure.
int PollSockets(std::span<PollEntry> entries, int timeoutMs);

// A wake-up signal one thread gives to another that waits in PollSockets (an eventfd): it reads as
// readable until drained. -1 when it cannot be made.
int WakerCreate();
void WakerSignal(int waker);  // makes it readable (from any thread)
void WakerDrain(int waker);   // makes it quiet again

}  // namespace platform
