// The network worker: one thread per session that sends registrations, reads the host connection and,
// on the host, accepts joins, reads every client and answers or relays.
//
// It waits on all of the session's sockets at once and wakes when one is ready or when the game thread
// queues bytes. It never waits on one peer: every write goes into the connection's bounded queue and
// leaves when the system takes it. Each wake-up serves every ready connection with a budget of messages,
// so a flooder cannot starve the others. A connection that misbehaves (its queue overflows or stalls,
// it created no player in time, it sent what cannot be trusted) is closed and its players forgotten.
#include <algorithm>
#include <array>
#include <unordered_map>

#include "net/byte_buffer.h"
#include "net/session.h"
#include "platform/clock.h"

namespace tarvok {

namespace {

std::int64_t NowMs() { return static_cast<std::int64_t>(platform::ClockMs()); }

// What one wake-up of the worker sends, gathered per socket so each gets one write, and the clients
// whose queues failed. Kept from one wake-up to the next so its buffers are reused.
class Round {
public:
    void Send(NLsocket socket, const NetMessage& message, std::uint32_t target) {
        if (socket == NL_INVALID || message.payload.size() > kMaxPayloadBytes) return;
        Batch& b = BatchOf(socket);
        if (b.lengths.empty()) touched_.push_back(socket);
        const std::size_t n = kMessageHeaderBytes + message.payload.size();
        EncodeMessageInto(message, target, std::span(b.bytes.Grow(n), n));
        b.lengths.push_back(static_cast<NLint>(n));
    }
    void Send(NLsocket socket, const NetMessage& message) { Send(socket, message, message.target); }
    void SendAll(const std::vector<Outgoing>& out) {
        for (const Outgoing& o : out) Send(o.socket, o.message);
    }
    // Hands what was gathered to the sockets' queues; returns the sockets written to.
    const std::vector<NLsocket>& Write() {
        for (const NLsocket socket : touched_) {
            Batch& b = BatchOf(socket);
            if (nlWriteMany(socket, b.bytes.data(), b.lengths.data(), static_cast<NLint>(b.lengths.size())) <
                    0 &&
                nlGetError() == NL_QUEUE_FULL) {
                broken.push_back(socket);
            }
            b.bytes.clear();
            b.lengths.clear();
        }
        // Sockets come and go: their buffers are not kept forever.
        if (batches_.size() > 2 * kMaxConnections) {
            batches_.clear();
            recent_ = {};
        }
        return touched_;
    }
    void Start() {
        touched_.clear();
        broken.clear();
    }

    std::vector<NLsocket> broken;

private:
    struct Batch {
        ByteBuffer bytes;
        std::vector<NLint> lengths;
    };
    // Socket numbers are handed out in sequence, so a small table indexed by their low bits finds the
    // batch of each current connection without hashing.
    Batch& BatchOf(NLsocket socket) {
        auto& slot = recent_[static_cast<std::size_t>(socket) % recent_.size()];
        if (slot.first != socket || !slot.second) slot = {socket, &batches_[socket]};
        return *slot.second;
    }

    std::unordered_map<NLsocket, Batch> batches_;
    std::array<std::pair<NLsocket, Batch*>, 1024> recent_{};
    std::vector<NLsocket> touched_;
};

// The own connection failed: the session goes on without it (sends give 0, requests time out).
void LoseHostConnection(NetSession& s) {
    SessionLock guard(s);
    if (s.connectionSocket == NL_INVALID) return;
    nlClose(s.connectionSocket);
    s.connectionSocket = NL_INVALID;
}

// Step 1: CreatePlayer for each new local record; records the game thread gave up are freed.
void RegisterLocalPlayers(NetSession& s, Round& round) {
    std::vector<Outgoing> out;
    {
        SessionLock guard(s);
        s.localPlayers.remove_if([](const PlayerRecord& p) { return p.id == kIdTimedOut; });
        for (PlayerRecord& p : s.localPlayers) {
            if (p.id != kIdUnsent) continue;
            out.push_back({s.connectionSocket,
                           MakeMessage(MessageType::CreatePlayer, 0, 0,
                                       CreatePlayerPayload(p.socket, p.id, p.flags[0], p.flags[1], p.name))});
            p.id = kIdRequested;
        }
    }
    round.SendAll(out);
}

// Reads messages from one socket, up to a budget, into buffers kept from one read to the next.
class Reader {
public:
    // False when the connection ended or sent something that cannot be trusted.
    bool Read(NLsocket socket, int budget) {
        count_ = 0;
        while (count_ < static_cast<std::size_t>(budget)) {
            const NLint want = std::min<NLint>(kBatch, budget - static_cast<NLint>(count_));
            const NLint n =
                nlReadMany(socket, bytes_.data(), static_cast<NLint>(bytes_.size()), lengths_.data(), want);
            if (n < 0) return false;
            if (n == 0) return true;
            std::size_t at = 0;
            for (NLint i = 0; i < n; ++i) {
                const auto length = static_cast<std::size_t>(lengths_[static_cast<std::size_t>(i)]);
                if (messages_.size() <= count_) messages_.resize(count_ + 1);
                const ReadVerdict v =
                    ParseMessageInto(std::span(bytes_).subspan(at, length), messages_[count_]);
                at += length;
                if (v == ReadVerdict::DropConnection) return false;
                if (v == ReadVerdict::Valid) ++count_;
            }
        }
        return true;
    }
    std::span<const NetMessage> Messages() const { return std::span(messages_).first(count_); }

private:
    static constexpr NLint kBatch = 64;
    std::vector<std::uint8_t> bytes_ = std::vector<std::uint8_t>(kBatch * kMaxMessageBytes);
    std::array<NLint, kBatch> lengths_{};
    std::vector<NetMessage> messages_;
    std::size_t count_ = 0;
};

// Step 2: what waits on the connection to the host.
void ReadHostConnection(NetSession& s, NLsocket socket, int budget, Reader& reader, Round& round) {
    const bool ok = reader.Read(socket, budget);
    std::vector<Outgoing> out;
    {
        SessionLock guard(s);
        for (const NetMessage& m : reader.Messages()) {
            std::vector<Outgoing> more = DeliverFromHost(s, m);
            std::move(more.begin(), more.end(), std::back_inserter(out));
        }
    }
    round.SendAll(out);
    if (!ok) LoseHostConnection(s);
}

void CloseClient(NetSession& s, NLsocket socket) {
    {
        SessionLock guard(s);
        DropHostConnection(s, socket);
        std::erase_if(s.connections, [socket](const HostConnection& c) { return c.socket == socket; });
    }
    nlClose(socket);
}

bool IsSelf(const NetSession& s, NLsocket client) {
    NLaddress peer;
    return nlGetRemoteAddr(client, &peer) && s.selfAddress.valid && peer.ip == s.selfAddress.ip &&
           peer.port == s.selfAddress.port;
}

// Step 3a: new connections. At the limit, the oldest connection that has created no player makes room;
// when every connection has players, the new one is refused.
void AcceptClients(NetSession& s) {
    for (int i = 0; i < kAcceptBudget; ++i) {
        const NLsocket client = nlAcceptConnection(s.listenSocket);
        if (client == NL_INVALID) return;
        const bool self = IsSelf(s, client);
        NLsocket evicted = NL_INVALID;
        {
            SessionLock guard(s);
            if (s.connections.size() >= kMaxConnections) {
                const auto idle = std::find_if(s.connections.begin(), s.connections.end(),
                                               [](const HostConnection& c) { return !c.registered; });
                if (idle != s.connections.end()) evicted = idle->socket;
            }
        }
        if (evicted != NL_INVALID) CloseClient(s, evicted);
        bool kept = false;
        {
            SessionLock guard(s);
            if (s.connections.size() < kMaxConnections && nlGroupAddSocket(s.group, client)) {
                s.connections.push_back({client, NowMs(), self});
                kept = true;
            }
        }
        if (!kept) nlClose(client);
    }
}

// Steps 3b and 4: up to the budget of messages from one client, answered and relayed at once. A
// connection that creates a player is registered.
void ServeClient(NetSession& s, NLsocket client, int budget, Reader& reader, Round& round) {
    const bool ok = reader.Read(client, budget);
    {
        SessionLock guard(s);
        const HostSink send = [&round](NLsocket socket, const NetMessage& m, std::uint32_t target) {
            round.Send(socket, m, target);
        };
        bool created = false;
        for (const NetMessage& m : reader.Messages())
            created = HandleHostMessage(s, m, client, send) || created;
        if (created) {
            for (HostConnection& c : s.connections) c.registered = c.registered || c.socket == client;
        }
    }
    if (!ok) CloseClient(s, client);
}

// Sends what a socket has queued. A failed queue ends its connection.
void Flush(NetSession& s, NLsocket socket, Round& round) {
    if (nlFlush(socket) >= 0 || nlGetError() == NL_INVALID_SOCKET) return;
    NLsocket own;
    {
        SessionLock guard(s);
        own = s.connectionSocket;
    }
    if (socket == own) {
        LoseHostConnection(s);
    } else {
        round.broken.push_back(socket);
    }
}

// Every so often: connections without a player past their time, and queues that stopped moving.
void Sweep(NetSession& s, Round& round) {
    std::vector<NLsocket> all;
    std::vector<NLsocket> idle;
    const std::int64_t now = NowMs();
    {
        SessionLock guard(s);
        for (const HostConnection& c : s.connections) {
            all.push_back(c.socket);
            if (!c.registered && now - c.acceptedMs >= NetTimeoutSettings().noPlayerMs)
                idle.push_back(c.socket);
        }
        if (s.connectionSocket != NL_INVALID) all.push_back(s.connectionSocket);
    }
    for (const NLsocket c : idle) CloseClient(s, c);
    for (const NLsocket c : all) {
        if (std::find(idle.begin(), idle.end(), c) == idle.end()) Flush(s, c, round);
    }
}

bool StopRequested(NetSession& s) {
    SessionLock guard(s);
    return s.stopRequest != 0;
}

}  // namespace

NetTimeouts& NetTimeoutSettings() {
    static NetTimeouts timeouts;
    return timeouts;
}

bool SendMessage(NLsocket socket, const NetMessage& message) {
    const std::vector<std::uint8_t> bytes = EncodeMessage(message);
    if (bytes.empty() || socket == NL_INVALID) return false;
    // Packets go whole or not at all.
    return nlWrite(socket, bytes.data(), static_cast<NLint>(bytes.size())) ==
           static_cast<NLint>(bytes.size());
}

bool StartWriteQueue(NLsocket socket) {
    return nlSetWriteQueue(socket, kQueueMaxBytes, kQueueMaxMessages, NetTimeoutSettings().stallMs);
}

void* NetworkWorker(void* data) {
    NetSession& s = *static_cast<NetSession*>(data);
    Reader reader;
    bool host;
    NLint group;
    {
        SessionLock guard(s);
        s.running = 1;
        host = s.hostFlag != 0;
        group = s.group;
    }
    std::vector<NLsocketStatus> ready(kMaxConnections + 2);
    std::vector<NLsocket> writable;
    std::int64_t lastSweep = NowMs();
    Round round;
    while (!StopRequested(s)) {
        round.Start();
        writable.clear();
        RegisterLocalPlayers(s, round);
        const NLint count =
            nlPollGroupStatus(group, ready.data(), static_cast<NLint>(ready.size()), kWorkerWaitMs);
        if (count < 0) platform::SleepMilliseconds(kWorkerWaitMs);  // no wait happened: do not spin
        NLsocket own, listen;
        {
            SessionLock guard(s);
            own = s.connectionSocket;
            listen = s.listenSocket;
        }
        const int budget = std::max(kMessageBudget, kRoundBudget / std::max<NLint>(count, 1));
        for (NLint i = 0; i < count; ++i) {
            const NLsocketStatus& st = ready[static_cast<std::size_t>(i)];
            if (st.writable) writable.push_back(st.socket);
            if (st.socket == own) {
                if (st.readable) ReadHostConnection(s, own, budget, reader, round);
            } else if (st.socket == listen) {
                if (host && st.readable) AcceptClients(s);
            } else if (st.ended) {
                CloseClient(s, st.socket);  // what it sent last is not read: it is gone
            } else if (st.readable) {
                ServeClient(s, st.socket, budget, reader, round);
            }
        }
        // A socket both written and reported writable is flushed twice: the second finds nothing.
        for (const NLsocket w : round.Write()) Flush(s, w, round);
        for (const NLsocket w : writable) Flush(s, w, round);
        if (NowMs() - lastSweep >= kWorkerWaitMs) {
            lastSweep = NowMs();
            Sweep(s, round);
        }
        for (const NLsocket b : round.broken) {
            if (b == own) {
                LoseHostConnection(s);
            } else {
                CloseClient(s, b);
            }
        }
    }
    SessionLock guard(s);
    s.running = 0;
    return nullptr;
}

}  // namespace tarvok
