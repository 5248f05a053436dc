// The network worker: one thread per session that sends registrations, reads the host connection and,
// on the host, accepts joins, reads every client and answers or relays. It never blocks on a read;
// each pass ends with a 10 ms sleep, and the game thread ends it through the stop request.
#include <algorithm>
#include <array>

#include "net/session.h"
#include "platform/clock.h"

namespace tarvok {

namespace {

using ReadBuffer = std::array<std::uint8_t, kMaxMessageBytes>;

void SendAll(const std::vector<Outgoing>& out) {
    for (const Outgoing& o : out) SendMessage(o.socket, o.message);
}

// Step 1: CreatePlayer for each new local record; records the game thread gave up are freed.
void RegisterLocalPlayers(NetSession& s) {
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
    SendAll(out);
}

// Step 2: everything waiting on the connection to the host. A connection that ended or sent a message
// that cannot be trusted is closed; the session goes on without it (requests then time out).
void ReadHostConnection(NetSession& s, ReadBuffer& buffer) {
    NLsocket socket;
    {
        SessionLock guard(s);
        socket = s.connectionSocket;
    }
    if (socket == NL_INVALID) return;
    for (int i = 0; i < kMaxReadsPerPass; ++i) {
        const NLint n = nlRead(socket, buffer.data(), static_cast<NLint>(buffer.size()));
        if (n == 0) return;
        const ParsedMessage parsed =
            n > 0 ? ParseMessage(std::span(buffer.data(), static_cast<std::size_t>(n))) : ParsedMessage{};
        if (n < 0 || parsed.verdict == ReadVerdict::DropConnection) {
            SessionLock guard(s);
            nlClose(s.connectionSocket);
            s.connectionSocket = NL_INVALID;
            return;
        }
        if (parsed.verdict != ReadVerdict::Valid) continue;
        std::vector<Outgoing> out;
        {
            SessionLock guard(s);
            out = DeliverFromHost(s, parsed.message);
        }
        SendAll(out);
    }
}

void CloseClient(NetSession& s, NLsocket socket) {
    {
        SessionLock guard(s);
        DropHostConnection(s, socket);
        std::erase(s.clientSockets, socket);
    }
    nlClose(socket);
}

// Step 3: new connections, then one message from every client that has something waiting.
void ReadClients(NetSession& s, ReadBuffer& buffer) {
    for (int i = 0; i < kMaxAcceptsPerPass; ++i) {
        const NLsocket client = nlAcceptConnection(s.listenSocket);
        if (client == NL_INVALID) break;
        if (!nlGroupAddSocket(s.group, client)) {
            nlClose(client);  // the group is full: the join is refused
            continue;
        }
        SessionLock guard(s);
        s.clientSockets.push_back(client);
    }
    std::array<NLsocket, kMaxHostPolledSockets> ready{};
    const NLint count = nlPollGroup(s.group, NL_READ_STATUS, ready.data(), kMaxHostPolledSockets, 0);
    for (NLint i = 0; i < count; ++i) {
        const NLint n = nlRead(ready[i], buffer.data(), static_cast<NLint>(buffer.size()));
        if (n == 0) continue;
        const ParsedMessage parsed =
            n > 0 ? ParseMessage(std::span(buffer.data(), static_cast<std::size_t>(n))) : ParsedMessage{};
        if (n < 0 || parsed.verdict == ReadVerdict::DropConnection) {
            CloseClient(s, ready[i]);
            continue;
        }
        if (parsed.verdict != ReadVerdict::Valid) continue;
        SessionLock guard(s);
        s.inbound.push_back({parsed.message, ready[i]});
    }
}

// Step 4: answers and relays for what the clients sent.
void HandleInbound(NetSession& s) {
    std::vector<Outgoing> out;
    {
        SessionLock guard(s);
        while (!s.inbound.empty()) {
            std::vector<Outgoing> more = HandleHostMessage(s, s.inbound.front());
            s.inbound.pop_front();
            std::move(more.begin(), more.end(), std::back_inserter(out));
        }
    }
    for (const Outgoing& o : out) {
        // A stop request ends the pass early: a stalled client must not hold up the shutdown.
        {
            SessionLock guard(s);
            if (s.stopRequest) return;
        }
        SendMessage(o.socket, o.message);
    }
}

bool StopRequested(NetSession& s) {
    SessionLock guard(s);
    return s.stopRequest != 0;
}

}  // namespace

bool SendMessage(NLsocket socket, const NetMessage& message) {
    const std::vector<std::uint8_t> bytes = EncodeMessage(message);
    if (bytes.empty() || socket == NL_INVALID) return false;
    // Packets go whole or not at all, so the loop over unsent bytes ends after one write.
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const NLint n = nlWrite(socket, bytes.data() + sent, static_cast<NLint>(bytes.size() - sent));
        if (n <= 0) return false;
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

void* NetworkWorker(void* data) {
    NetSession& s = *static_cast<NetSession*>(data);
    ReadBuffer buffer{};
    bool host;
    {
        SessionLock guard(s);
        s.running = 1;
        host = s.hostFlag != 0;
    }
    while (!StopRequested(s)) {
        RegisterLocalPlayers(s);
        ReadHostConnection(s, buffer);
        if (host) {
            ReadClients(s, buffer);
            HandleInbound(s);
        }
        platform::SleepMilliseconds(kWorkerSleepMs);
    }
    SessionLock guard(s);
    s.running = 0;
    return nullptr;
}

}  // namespace tarvok
