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

#include "net/session.h"
#include "platform/clock.h"

namespace tarvok {

namespace {

using ReadBuffer = std::array<std::uint8_t, kMaxMessageBytes>;

std::int64_t NowMs() { return static_cast<std::int64_t>(platform::ClockMs()); }

// What one wake-up of the worker has to do after reading: sockets to flush and clients to close.
struct Round {
    std::vector<NLsocket> written;
    std::vector<NLsocket> broken;

    void Send(NLsocket socket, const NetMessage& message) {
        if (SendMessage(socket, message)) {
            if (written.empty() || written.back() != socket) written.push_back(socket);
        } else if (nlGetError() == NL_QUEUE_FULL) {
            broken.push_back(socket);
        }
    }
    void SendAll(const std::vector<Outgoing>& out) {
        for (const Outgoing& o : out) Send(o.socket, o.message);
    }
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

// Reads up to the budget of messages from a socket into messages; false when the connection ended or
// sent something that cannot be trusted.
bool ReadMessages(NLsocket socket, ReadBuffer& buffer, std::vector<NetMessage>& messages) {
    for (int i = 0; i < kMessageBudget; ++i) {
        const NLint n = nlRead(socket, buffer.data(), static_cast<NLint>(buffer.size()));
        if (n == 0) return true;
        if (n < 0) return false;
        ParsedMessage parsed = ParseMessage(std::span(buffer.data(), static_cast<std::size_t>(n)));
        if (parsed.verdict == ReadVerdict::DropConnection) return false;
        if (parsed.verdict == ReadVerdict::Valid) messages.push_back(std::move(parsed.message));
    }
    return true;
}

// Step 2: what waits on the connection to the host.
void ReadHostConnection(NetSession& s, NLsocket socket, ReadBuffer& buffer, Round& round) {
    std::vector<NetMessage> messages;
    const bool ok = ReadMessages(socket, buffer, messages);
    std::vector<Outgoing> out;
    {
        SessionLock guard(s);
        for (const NetMessage& m : messages) {
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

// Step 3b: up to the budget of messages from one client, into the inbound queue.
void ReadClient(NetSession& s, NLsocket client, ReadBuffer& buffer) {
    std::vector<NetMessage> messages;
    const bool ok = ReadMessages(client, buffer, messages);
    if (!ok) return CloseClient(s, client);
    SessionLock guard(s);
    for (NetMessage& m : messages) s.inbound.push_back({std::move(m), client});
}

// Step 4: answers and relays for what the clients sent; a connection that creates a player is
// registered.
void HandleInbound(NetSession& s, Round& round) {
    std::vector<Outgoing> out;
    {
        SessionLock guard(s);
        while (!s.inbound.empty()) {
            const InboundMessage& in = s.inbound.front();
            std::vector<Outgoing> more = HandleHostMessage(s, in);
            if (in.message.type == static_cast<std::uint8_t>(MessageType::CreatePlayer) && !more.empty()) {
                for (HostConnection& c : s.connections) c.registered = c.registered || c.socket == in.socket;
            }
            s.inbound.pop_front();
            std::move(more.begin(), more.end(), std::back_inserter(out));
        }
    }
    round.SendAll(out);
}

// Sends what the round queued, and what a socket reported ready to take. A failed queue ends its
// connection.
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
            if (!c.registered && now - c.acceptedMs >= NetTimeoutSettings().noPlayerMs) idle.push_back(c.socket);
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
    return nlWrite(socket, bytes.data(), static_cast<NLint>(bytes.size())) == static_cast<NLint>(bytes.size());
}

bool StartWriteQueue(NLsocket socket) {
    return nlSetWriteQueue(socket, kQueueMaxBytes, kQueueMaxMessages, NetTimeoutSettings().stallMs);
}

void* NetworkWorker(void* data) {
    NetSession& s = *static_cast<NetSession*>(data);
    ReadBuffer buffer{};
    bool host;
    NLint group;
    {
        SessionLock guard(s);
        s.running = 1;
        host = s.hostFlag != 0;
        group = s.group;
    }
    std::vector<NLsocketStatus> ready(kMaxConnections + 2);
    std::int64_t lastSweep = NowMs();
    while (!StopRequested(s)) {
        Round round;
        RegisterLocalPlayers(s, round);
        const NLint count = nlPollGroupStatus(group, ready.data(), static_cast<NLint>(ready.size()), kWorkerWaitMs);
        NLsocket own, listen;
        {
            SessionLock guard(s);
            own = s.connectionSocket;
            listen = s.listenSocket;
        }
        for (NLint i = 0; i < count; ++i) {
            const NLsocketStatus& st = ready[static_cast<std::size_t>(i)];
            if (st.writable) round.written.push_back(st.socket);
            if (st.socket == own) {
                if (st.readable) ReadHostConnection(s, own, buffer, round);
            } else if (st.socket == listen) {
                if (host && st.readable) AcceptClients(s);
            } else if (st.ended) {
                CloseClient(s, st.socket);  // what it sent last is not read: it is gone
            } else if (st.readable) {
                ReadClient(s, st.socket, buffer);
            }
        }
        if (host) HandleInbound(s, round);
        std::sort(round.written.begin(), round.written.end());
        round.written.erase(std::unique(round.written.begin(), round.written.end()), round.written.end());
        for (const NLsocket w : round.written) Flush(s, w, round);
        if (NowMs() - lastSweep >= kWorkerWaitMs) {
            lastSweep = NowMs();
            Sweep(s, round);
        }
        for (const NLsocket b : round.broken) CloseClient(s, b);
    }
    SessionLock guard(s);
    s.running = 0;
    return nullptr;
}

}  // namespace tarvok
