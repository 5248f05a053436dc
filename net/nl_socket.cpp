// The network library's start and stop, its socket table, reads and writes, and address text.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "net/nl_internal.h"
#include "platform/sockets.h"

namespace tarvok::nl {

using tarvok::PacketAssembler;

namespace {

struct Library {
    std::mutex lock;  // guards everything below
    bool started = false;
    bool networkSelected = false;
    bool blockingReads = false;
    bool noDelay = false;
    int readTimeoutMs = NL_DEFAULT_READ_TIMEOUT_MS;
    NLsocket nextSocket = 1;
    std::unordered_map<NLsocket, std::shared_ptr<SocketRecord>> sockets;
};

Library& Lib() {
    static Library lib;
    return lib;
}

thread_local NLerror t_error = NL_NO_ERROR;

// Closes the descriptor once no read or write is using it.
void CloseRecord(SocketRecord& record) {
    std::scoped_lock both(record.readLock, record.writeLock);
    platform::TcpClose(record.fd);
    record.fd = -1;
}

NLsocket AddRecord(std::shared_ptr<SocketRecord> record) {
    Library& lib = Lib();
    std::lock_guard guard(lib.lock);
    const NLsocket id = lib.nextSocket;
    // Numbers are never reused while the program runs (a wrap would need two billion sockets).
    lib.nextSocket = lib.nextSocket == INT32_MAX ? 1 : lib.nextSocket + 1;
    lib.sockets.emplace(id, std::move(record));
    return id;
}

NLint ReadPacket(SocketRecord& r, std::uint8_t* out, NLint length, bool blocking, int timeoutMs) {
    if (r.readBroken) return Fail(NL_PACKET_SIZE), -1;
    std::chrono::steady_clock::time_point deadline{};
    if (blocking) deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (r.assembler.Status() == PacketAssembler::State::Ready) {
            const auto packet = r.assembler.Packet();
            if (packet.size() > static_cast<std::size_t>(length)) {
                r.readBroken = true;
                return Fail(NL_PACKET_SIZE), -1;
            }
            std::memcpy(out, packet.data(), packet.size());
            r.assembler.Consume();
            return static_cast<NLint>(packet.size());
        }
        int waitMs = 0;
        if (blocking) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - std::chrono::steady_clock::now())
                                  .count();
            if (left <= 0) return Fail(NL_TIMEOUT), -1;
            waitMs = static_cast<int>(left);
        }
        const platform::IoResult got = platform::TcpReceive(r.fd, r.assembler.Space(), waitMs);
        switch (got.status) {
            case platform::IoStatus::Done:
                r.assembler.Commit(got.count);
                if (r.assembler.Status() == PacketAssembler::State::BadLength) {
                    r.readBroken = true;
                    return Fail(NL_PACKET_SIZE), -1;
                }
                break;
            case platform::IoStatus::WouldBlock:
                if (!blocking) return 0;
                break;
            case platform::IoStatus::Closed:
                return Fail(NL_CONNECTION_CLOSED), -1;
            case platform::IoStatus::Failed:
                return Fail(NL_SYSTEM_ERROR), -1;
        }
    }
}

NLint ReadStream(SocketRecord& r, std::uint8_t* out, NLint length, bool blocking, int timeoutMs) {
    const platform::IoResult got = platform::TcpReceive(
        r.fd, std::span<std::uint8_t>(out, static_cast<std::size_t>(length)), blocking ? timeoutMs : 0);
    switch (got.status) {
        case platform::IoStatus::Done:
            return static_cast<NLint>(got.count);
        case platform::IoStatus::WouldBlock:
            return blocking ? (Fail(NL_TIMEOUT), -1) : 0;
        case platform::IoStatus::Closed:
            return Fail(NL_CONNECTION_CLOSED), -1;
        case platform::IoStatus::Failed:
            break;
    }
    return Fail(NL_SYSTEM_ERROR), -1;
}

void StartQueue(SocketRecord& r, const QueueLimits& limits) {
    r.queueLimits = limits;
    r.queue.emplace(static_cast<std::size_t>(limits.maxBytes), static_cast<std::size_t>(limits.maxPackets));
}

// Marks the socket unusable for writes; returns -1 with the error.
NLint BreakWrites(SocketRecord& r, NLerror error) {
    r.writeBroken = true;
    r.writeError = error;
    return Fail(error), -1;
}

// nlWrite on a socket with a write queue (write lock held).
NLint QueueWrite(SocketRecord& r, std::span<const std::uint8_t> bytes) {
    const bool packets = r.type == NL_TCP_PACKETS;
    if (packets && (bytes.empty() || bytes.size() > static_cast<std::size_t>(NL_MAX_PACKET_LENGTH))) {
        return Fail(NL_PACKET_SIZE), -1;
    }
    const bool wasEmpty = r.queue->Empty();
    if (!r.queue->Push(bytes, packets)) {
        WakePoller();  // the owner of the poll closes the connection at once
        return BreakWrites(r, NL_QUEUE_FULL);
    }
    if (wasEmpty) {
        r.lastMove = std::chrono::steady_clock::now();
        WakePoller();
    }
    return static_cast<NLint>(bytes.size());
}

// Splits "name:port" (the port optional); false when a port is present but not 1..65535 digits.
bool SplitHostPort(const std::string& text, std::string& host, NLushort& port) {
    const std::size_t colon = text.rfind(':');
    host = text;
    port = 0;
    if (colon == std::string::npos) return true;
    host = text.substr(0, colon);
    const std::string digits = text.substr(colon + 1);
    if (digits.empty() || digits.size() > 5) return false;
    unsigned value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    if (value > 65535) return false;
    port = static_cast<NLushort>(value);
    return true;
}

// Reads a socket's local or peer endpoint; false, with the error set, when it has none.
bool ReadEndpoint(NLsocket socket, bool (*read)(int, platform::Ipv4Endpoint&), platform::Ipv4Endpoint& ep) {
    const auto r = FindSocket(socket);
    if (!r) return false;
    std::lock_guard guard(r->writeLock);
    if (r->fd < 0 || !read(r->fd, ep)) return Fail(NL_SYSTEM_ERROR);
    return true;
}

}  // namespace

bool Fail(NLerror error) {
    t_error = error;
    return false;
}

std::shared_ptr<SocketRecord> FindSocket(NLsocket socket) {
    Library& lib = Lib();
    std::lock_guard guard(lib.lock);
    const auto it = lib.sockets.find(socket);
    if (it == lib.sockets.end()) {
        Fail(NL_INVALID_SOCKET);
        return nullptr;
    }
    return it->second;
}

}  // namespace tarvok::nl

using namespace tarvok::nl;

NLboolean nlInit() {
    std::lock_guard guard(Lib().lock);
    Lib().started = true;
    return true;
}

void nlShutdown() {
    std::unordered_map<NLsocket, std::shared_ptr<SocketRecord>> open;
    {
        Library& lib = Lib();
        std::lock_guard guard(lib.lock);
        open.swap(lib.sockets);
        lib.started = false;
        lib.networkSelected = false;
        lib.blockingReads = false;
        lib.noDelay = false;
    }
    for (auto& [id, record] : open) {
        RemoveFromAllGroups(id);
        CloseRecord(*record);
    }
}

NLboolean nlSelectNetwork(NLint network) {
    Library& lib = Lib();
    std::lock_guard guard(lib.lock);
    if (!lib.started) return Fail(NL_NO_NETWORK);
    if (network != NL_IP) return Fail(NL_INVALID_ENUM);
    lib.networkSelected = true;
    return true;
}

static NLboolean SetOption(NLint option, bool on) {
    Library& lib = Lib();
    std::lock_guard guard(lib.lock);
    if (option == NL_BLOCKING_READS) {
        lib.blockingReads = on;
    } else if (option == NL_NO_DELAY) {
        lib.noDelay = on;
    } else {
        return Fail(NL_INVALID_ENUM);
    }
    return true;
}

NLboolean nlEnable(NLint option) { return SetOption(option, true); }
NLboolean nlDisable(NLint option) { return SetOption(option, false); }

void nlSetReadTimeout(NLint ms) {
    std::lock_guard guard(Lib().lock);
    Lib().readTimeoutMs = std::max<NLint>(ms, 0);
}

NLint nlGetError() { return t_error; }

NLsocket nlOpen(NLushort port, NLint type) {
    bool noDelay = false;
    bool blockingReads = false;
    {
        Library& lib = Lib();
        std::lock_guard guard(lib.lock);
        if (!lib.started || !lib.networkSelected) return Fail(NL_NO_NETWORK), NL_INVALID;
        noDelay = lib.noDelay;
        blockingReads = lib.blockingReads;
    }
    if (type != NL_TCP && type != NL_TCP_PACKETS) return Fail(NL_INVALID_ENUM), NL_INVALID;
    auto record = std::make_shared<SocketRecord>();
    record->fd = platform::TcpOpen(port);
    if (record->fd < 0) return Fail(NL_SYSTEM_ERROR), NL_INVALID;
    record->type = type;
    record->blockingReads = blockingReads;
    // Packets are small and answered at once: never hold them back for coalescing.
    if (noDelay || type == NL_TCP_PACKETS) platform::TcpNoDelay(record->fd);
    return AddRecord(std::move(record));
}

NLboolean nlListen(NLsocket socket) {
    const auto r = FindSocket(socket);
    if (!r) return false;
    std::scoped_lock both(r->readLock, r->writeLock);
    if (r->fd < 0) return Fail(NL_INVALID_SOCKET);
    if (!platform::TcpListen(r->fd)) return Fail(NL_SYSTEM_ERROR);
    r->listening = true;
    return true;
}

NLsocket nlAcceptConnection(NLsocket socket) {
    const auto r = FindSocket(socket);
    if (!r) return NL_INVALID;
    int fd;
    {
        std::lock_guard guard(r->readLock);
        if (r->fd < 0 || !r->listening) return Fail(NL_INVALID_SOCKET), NL_INVALID;
        bool wouldBlock = false;
        fd = platform::TcpAccept(r->fd, wouldBlock);
        if (fd < 0) return Fail(wouldBlock ? NL_NO_PENDING : NL_SYSTEM_ERROR), NL_INVALID;
    }
    auto record = std::make_shared<SocketRecord>();
    record->fd = fd;
    record->type = r->type;
    record->blockingReads = r->blockingReads;
    {
        std::lock_guard guard(r->writeLock);
        if (r->queueLimits) StartQueue(*record, *r->queueLimits);
    }
    platform::TcpNoDelay(fd);
    return AddRecord(std::move(record));
}

NLboolean nlConnect(NLsocket socket, const NLaddress* address) {
    if (!address) return Fail(NL_NULL_POINTER);
    if (!address->valid) return Fail(NL_BAD_ADDRESS);
    const auto r = FindSocket(socket);
    if (!r) return false;
    std::scoped_lock both(r->readLock, r->writeLock);
    if (r->fd < 0 || r->listening) return Fail(NL_INVALID_SOCKET);
    if (!platform::TcpConnect(r->fd, {address->ip, address->port}, NL_CONNECT_TIMEOUT_MS)) {
        return Fail(NL_CONNECT_FAILED);
    }
    return true;
}

NLboolean nlClose(NLsocket socket) {
    std::shared_ptr<SocketRecord> record;
    {
        Library& lib = Lib();
        std::lock_guard guard(lib.lock);
        const auto it = lib.sockets.find(socket);
        if (it == lib.sockets.end()) return Fail(NL_INVALID_SOCKET);
        record = std::move(it->second);
        lib.sockets.erase(it);
    }
    RemoveFromAllGroups(socket);
    CloseRecord(*record);
    return true;
}

NLint nlRead(NLsocket socket, void* buffer, NLint length) {
    return nlReadWithin(socket, buffer, length, INT32_MAX);
}

NLint nlReadWithin(NLsocket socket, void* buffer, NLint length, NLint maxWaitMs) {
    if (!buffer || length < 0) return Fail(NL_NULL_POINTER), -1;
    int timeoutMs;
    {
        std::lock_guard guard(Lib().lock);
        timeoutMs = std::min(Lib().readTimeoutMs, std::max<NLint>(maxWaitMs, 0));
    }
    const auto r = FindSocket(socket);
    if (!r) return -1;
    std::lock_guard guard(r->readLock);
    if (r->fd < 0 || r->listening) return Fail(NL_INVALID_SOCKET), -1;
    auto* out = static_cast<std::uint8_t*>(buffer);
    const bool blocking = r->blockingReads;
    return r->type == NL_TCP_PACKETS ? ReadPacket(*r, out, length, blocking, timeoutMs)
                                     : ReadStream(*r, out, length, blocking, timeoutMs);
}

NLint nlWrite(NLsocket socket, const void* buffer, NLint length) {
    if (!buffer || length < 0) return Fail(NL_NULL_POINTER), -1;
    const auto r = FindSocket(socket);
    if (!r) return -1;
    const std::span<const std::uint8_t> bytes(static_cast<const std::uint8_t*>(buffer),
                                              static_cast<std::size_t>(length));
    std::lock_guard guard(r->writeLock);
    if (r->fd < 0 || r->listening) return Fail(NL_INVALID_SOCKET), -1;
    if (r->writeBroken) return Fail(r->writeError), -1;
    if (r->queue) return QueueWrite(*r, bytes);
    platform::IoResult sent;
    if (r->type == NL_TCP_PACKETS) {
        if (length == 0 || length > NL_MAX_PACKET_LENGTH) return Fail(NL_PACKET_SIZE), -1;
        sent = platform::TcpSendAll(r->fd, tarvok::FramePacket(bytes), NL_WRITE_TIMEOUT_MS);
        // Part of a frame went out: the peer can no longer find packet boundaries on this connection.
        if (sent.status != platform::IoStatus::Done && sent.count > 0) r->writeBroken = true;
    } else {
        sent = platform::TcpSendAll(r->fd, bytes, NL_WRITE_TIMEOUT_MS);
    }
    switch (sent.status) {
        case platform::IoStatus::Done:
            return length;
        case platform::IoStatus::Closed:
            return Fail(NL_CONNECTION_CLOSED), -1;
        case platform::IoStatus::WouldBlock:
            return Fail(NL_TIMEOUT), -1;
        case platform::IoStatus::Failed:
            break;
    }
    return Fail(NL_SYSTEM_ERROR), -1;
}

NLboolean nlGetLocalAddr(NLsocket socket, NLaddress* address) {
    if (!address) return Fail(NL_NULL_POINTER);
    platform::Ipv4Endpoint ep;
    if (!ReadEndpoint(socket, platform::SocketLocalEndpoint, ep)) return false;
    // A socket bound to every address is reached through the loopback address on this machine.
    constexpr std::uint32_t kLoopback = 0x7F000001;
    *address = {ep.ip == 0 ? kLoopback : ep.ip, ep.port, true};
    return true;
}

const NLaddress* nlGetAllLocalAddr(NLint* count) {
    thread_local std::vector<NLaddress> list;
    list.clear();
    for (const std::uint32_t ip : platform::LocalIpv4Addresses()) list.push_back({ip, 0, true});
    if (count) *count = static_cast<NLint>(list.size());
    return list.data();
}

NLboolean nlSetAddrPort(NLaddress* address, NLushort port) {
    if (!address) return Fail(NL_NULL_POINTER);
    address->port = port;
    return true;
}

NLboolean nlStringToAddr(const char* text, NLaddress* address) {
    if (!text || !address) return Fail(NL_NULL_POINTER);
    *address = {};
    std::string host;
    NLushort port = 0;
    if (!SplitHostPort(text, host, port) || host.empty()) return Fail(NL_BAD_ADDRESS);
    std::uint32_t ip = 0;
    if (!platform::ResolveIpv4(host.c_str(), ip)) return Fail(NL_BAD_ADDRESS);
    *address = {ip, port, true};
    return true;
}

char* nlAddrToString(const NLaddress* address, char* text) {
    if (!text) return text;
    if (!address || !address->valid) {
        text[0] = '\0';
        Fail(NL_BAD_ADDRESS);
        return text;
    }
    const std::uint32_t ip = address->ip;
    const auto size = static_cast<std::size_t>(NL_MAX_STRING_LENGTH);
    if (address->port == 0) {
        std::snprintf(text, size, "%u.%u.%u.%u", ip >> 24, (ip >> 16) & 255, (ip >> 8) & 255, ip & 255);
    } else {
        std::snprintf(text, size, "%u.%u.%u.%u:%u", ip >> 24, (ip >> 16) & 255, (ip >> 8) & 255, ip & 255,
                      static_cast<unsigned>(address->port));
    }
    return text;
}

NLint nlReadMany(NLsocket socket, void* buffer, NLint length, NLint* lengths, NLint count) {
    if (!buffer || !lengths || length < 0 || count < 0) return Fail(NL_NULL_POINTER), -1;
    const auto r = FindSocket(socket);
    if (!r) return -1;
    std::lock_guard guard(r->readLock);
    if (r->fd < 0 || r->listening || r->type != NL_TCP_PACKETS) return Fail(NL_INVALID_SOCKET), -1;
    auto* out = static_cast<std::uint8_t*>(buffer);
    NLint n = 0;
    std::size_t used = 0;
    bool received = false;  // at most one system read per call
    while (n < count) {
        PacketAssembler& a = r->assembler;
        if (a.Status() == PacketAssembler::State::Ready) {
            const auto packet = a.Packet();
            if (packet.size() > static_cast<std::size_t>(length) - used) {
                if (n > 0) break;  // it waits for the next call
                r->readBroken = true;
                return Fail(NL_PACKET_SIZE), -1;
            }
            std::memcpy(out + used, packet.data(), packet.size());
            lengths[n++] = static_cast<NLint>(packet.size());
            used += packet.size();
            a.Consume();
            continue;
        }
        if (r->readBroken || a.Status() == PacketAssembler::State::BadLength) {
            r->readBroken = true;
            if (n > 0) break;
            return Fail(NL_PACKET_SIZE), -1;
        }
        if (received) break;
        received = true;
        const platform::IoResult got = platform::TcpReceive(r->fd, a.Space(), 0);
        if (got.status == platform::IoStatus::Done) {
            a.Commit(got.count);
        } else if (got.status == platform::IoStatus::WouldBlock || n > 0) {
            break;  // an end or error shows again on the next call
        } else {
            return Fail(got.status == platform::IoStatus::Closed ? NL_CONNECTION_CLOSED : NL_SYSTEM_ERROR),
                   -1;
        }
    }
    return n;
}

NLint nlWriteMany(NLsocket socket, const void* buffer, const NLint* lengths, NLint count) {
    if (!buffer || !lengths || count < 0) return Fail(NL_NULL_POINTER), -1;
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    std::size_t total = 0;
    for (NLint i = 0; i < count; ++i) {
        if (lengths[i] < 0) return Fail(NL_NULL_POINTER), -1;
        if (lengths[i] == 0 || lengths[i] > NL_MAX_PACKET_LENGTH) return Fail(NL_PACKET_SIZE), -1;
        total += static_cast<std::size_t>(lengths[i]);
    }
    const auto r = FindSocket(socket);
    if (!r) return -1;
    {
        std::lock_guard guard(r->writeLock);
        if (r->fd < 0 || r->listening) return Fail(NL_INVALID_SOCKET), -1;
        if (r->writeBroken) return Fail(r->writeError), -1;
        if (r->queue) {
            const bool wasEmpty = r->queue->Empty();
            const bool packets = r->type == NL_TCP_PACKETS;
            if (!r->queue->PushMany({bytes, total}, {lengths, static_cast<std::size_t>(count)}, packets)) {
                WakePoller();
                return BreakWrites(*r, NL_QUEUE_FULL);
            }
            if (wasEmpty && count > 0) {
                r->lastMove = std::chrono::steady_clock::now();
                WakePoller();
            }
            return count;
        }
    }
    for (NLint i = 0; i < count; ++i) {
        if (nlWrite(socket, bytes, lengths[i]) < 0) return -1;
        bytes += lengths[i];
    }
    return count;
}

NLboolean nlSetWriteQueue(NLsocket socket, NLint maxBytes, NLint maxPackets, NLint stallMs) {
    if (maxBytes <= 0 || maxPackets <= 0 || stallMs < 0) return Fail(NL_INVALID_ENUM);
    const auto r = FindSocket(socket);
    if (!r) return false;
    std::lock_guard guard(r->writeLock);
    if (r->fd < 0) return Fail(NL_INVALID_SOCKET);
    if (r->queue && !r->queue->Empty()) return Fail(NL_INVALID_ENUM);  // bounds change only while empty
    StartQueue(*r, {maxBytes, maxPackets, stallMs});
    return true;
}

NLint nlFlush(NLsocket socket) {
    const auto r = FindSocket(socket);
    if (!r) return -1;
    std::lock_guard guard(r->writeLock);
    if (r->fd < 0 || !r->queue) return Fail(NL_INVALID_SOCKET), -1;
    if (r->writeBroken) return Fail(r->writeError), -1;
    tarvok::WriteQueue& q = *r->queue;
    const auto now = std::chrono::steady_clock::now();
    while (!q.Empty()) {
        const platform::IoResult sent = platform::TcpSendSome(r->fd, q.Pending());
        if (sent.status == platform::IoStatus::Done && sent.count > 0) {
            const bool all = sent.count == q.Bytes();
            q.Sent(sent.count);
            r->lastMove = now;
            if (all) break;
            continue;
        }
        if (sent.status == platform::IoStatus::Closed) return BreakWrites(*r, NL_CONNECTION_CLOSED);
        if (sent.status == platform::IoStatus::Failed) return BreakWrites(*r, NL_SYSTEM_ERROR);
        break;
    }
    if (!q.Empty() && now - r->lastMove > std::chrono::milliseconds(r->queueLimits->stallMs)) {
        return BreakWrites(*r, NL_TIMEOUT);
    }
    return static_cast<NLint>(q.Bytes());
}

NLboolean nlGetRemoteAddr(NLsocket socket, NLaddress* address) {
    if (!address) return Fail(NL_NULL_POINTER);
    platform::Ipv4Endpoint ep;
    if (!ReadEndpoint(socket, platform::SocketRemoteEndpoint, ep)) return false;
    *address = {ep.ip, ep.port, true};
    return true;
}
