// POSIX side of the IPv4 TCP sockets.
#include "platform/sockets.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

namespace platform {

namespace {

sockaddr_in ToSockaddr(Ipv4Endpoint ep) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(ep.ip);
    sa.sin_port = htons(ep.port);
    return sa;
}

// Waits for events on one descriptor, retrying on signals; returns poll's result (0 on timeout).
int WaitFor(int socket, short events, int timeoutMs) {
    pollfd p{socket, events, 0};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const int r = poll(&p, 1, timeoutMs);
        if (r >= 0 || errno != EINTR) return r;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        timeoutMs = left.count() > 0 ? static_cast<int>(left.count()) : 0;
    }
}

int RemainingMs(std::chrono::steady_clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// The IPv4 endpoint that getsockname or getpeername gives for the socket.
bool EndpointOf(int socket, Ipv4Endpoint& out, int (*ask)(int, sockaddr*, socklen_t*)) {
    sockaddr_in sa{};
    socklen_t len = sizeof sa;
    if (ask(socket, reinterpret_cast<sockaddr*>(&sa), &len) != 0 || sa.sin_family != AF_INET) return false;
    out = {ntohl(sa.sin_addr.s_addr), ntohs(sa.sin_port)};
    return true;
}

}  // namespace

int TcpOpen(std::uint16_t port) {
    // Non-blocking from the start: every wait in this file is an explicit, bounded poll.
    const int s = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (s < 0) return -1;
    const int one = 1;
    setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    const sockaddr_in sa = ToSockaddr({INADDR_ANY, port});
    if (bind(s, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) {
        close(s);
        return -1;
    }
    return s;
}

bool TcpListen(int socket) { return listen(socket, SOMAXCONN) == 0; }

int TcpAccept(int socket, bool& wouldBlock) {
    wouldBlock = false;
    for (;;) {
        const int s = accept4(socket, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (s >= 0) return s;
        if (errno == EINTR) continue;
        // A connection that was reset before we took it is simply gone: nothing is pending.
        wouldBlock = errno == EAGAIN || errno == EWOULDBLOCK || errno == ECONNABORTED;
        return -1;
    }
}

bool TcpConnect(int socket, Ipv4Endpoint to, int timeoutMs) {
    const sockaddr_in sa = ToSockaddr(to);
    if (connect(socket, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0) return true;
    if (errno != EINPROGRESS && errno != EINTR) return false;
    if (WaitFor(socket, POLLOUT, timeoutMs) <= 0) return false;
    int error = 0;
    socklen_t len = sizeof error;
    return getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &len) == 0 && error == 0;
}

void TcpNoDelay(int socket) {
    const int one = 1;
    setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

IoResult TcpSendAll(int socket, std::span<const std::uint8_t> bytes, int timeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = send(socket, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (WaitFor(socket, POLLOUT, RemainingMs(deadline)) > 0) continue;
            return {IoStatus::WouldBlock, done};
        }
        return {n < 0 && errno == EPIPE ? IoStatus::Closed : IoStatus::Failed, done};
    }
    return {IoStatus::Done, done};
}

IoResult TcpSendSome(int socket, std::span<const std::uint8_t> bytes) {
    for (;;) {
        const ssize_t n = send(socket, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n >= 0) return {IoStatus::Done, static_cast<std::size_t>(n)};
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return {IoStatus::WouldBlock, 0};
        return {errno == EPIPE || errno == ECONNRESET ? IoStatus::Closed : IoStatus::Failed, 0};
    }
}

IoResult TcpReceive(int socket, std::span<std::uint8_t> out, int waitMs) {
    if (out.empty()) return {IoStatus::WouldBlock, 0};
    if (waitMs > 0) {
        const int r = WaitFor(socket, POLLIN, waitMs);
        if (r == 0) return {IoStatus::WouldBlock, 0};
        if (r < 0) return {IoStatus::Failed, 0};
    }
    for (;;) {
        const ssize_t n = recv(socket, out.data(), out.size(), MSG_DONTWAIT);
        if (n > 0) return {IoStatus::Done, static_cast<std::size_t>(n)};
        if (n == 0) return {IoStatus::Closed, 0};
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) return {IoStatus::WouldBlock, 0};
        return {IoStatus::Failed, 0};
    }
}

void TcpClose(int socket) {
    if (socket >= 0) close(socket);
}

bool SocketLocalEndpoint(int socket, Ipv4Endpoint& out) { return EndpointOf(socket, out, getsockname); }

bool SocketRemoteEndpoint(int socket, Ipv4Endpoint& out) { return EndpointOf(socket, out, getpeername); }

std::vector<std::uint32_t> LocalIpv4Addresses() {
    std::vector<std::uint32_t> result;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return result;
    for (const ifaddrs* it = list; it; it = it->ifa_next) {
        if (!it->ifa_addr || it->ifa_addr->sa_family != AF_INET || !(it->ifa_flags & IFF_UP)) continue;
        const auto* sa = reinterpret_cast<const sockaddr_in*>(it->ifa_addr);
        result.push_back(ntohl(sa->sin_addr.s_addr));
    }
    freeifaddrs(list);
    return result;
}

bool ResolveIpv4(const char* name, std::uint32_t& ip) {
    in_addr a{};
    if (inet_pton(AF_INET, name, &a) == 1) {
        ip = ntohl(a.s_addr);
        return true;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(name, nullptr, &hints, &found) != 0 || !found) return false;
    ip = ntohl(reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr);
    freeaddrinfo(found);
    return true;
}

int PollSockets(std::span<PollEntry> entries, int timeoutMs) {
    std::vector<pollfd> fds(entries.size());
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const short events = static_cast<short>((entries[i].wantRead ? POLLIN | POLLRDHUP : 0) |
                                                (entries[i].wantWrite ? POLLOUT : 0));
        fds[i] = {entries[i].socket, events, 0};
    }
    int r;
    do {
        r = poll(fds.data(), fds.size(), timeoutMs);
    } while (r < 0 && errno == EINTR);
    if (r < 0) return -1;
    int count = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const short got = fds[i].revents;
        PollEntry& e = entries[i];
        e.readable = (got & (POLLIN | POLLRDHUP | POLLHUP | POLLERR)) != 0;
        e.writable = (got & (POLLOUT | POLLHUP | POLLERR)) != 0 && e.wantWrite;
        e.ended = (got & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
        count += got != 0 ? 1 : 0;
    }
    return count;
}

int WakerCreate() { return eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK); }

void WakerSignal(int waker) {
    const std::uint64_t one = 1;
    while (write(waker, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void WakerDrain(int waker) {
    std::uint64_t count = 0;
    while (read(waker, &count, sizeof count) < 0 && errno == EINTR) {
    }
}

}  // namespace platform
