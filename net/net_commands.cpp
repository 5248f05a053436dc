// The game network commands: starting and stopping sessions and the game thread's side of requests.
#include <algorithm>
#include <cstring>
#include <optional>

#include "net/net.h"
#include "net/session.h"
#include "platform/clock.h"
#include "runtime/engine_globals.h"
#include "runtime/number_args.h"

using namespace tarvok;

namespace {

constexpr int kFinalFlushSteps = 20;  // the last queued bytes get at most 20 tries...
constexpr int kFinalFlushStepMs = 5;  // ...this far apart

NetSession* ActiveSession() {
    return g_engine.network && g_engine.network->used ? &g_engine.network->session : nullptr;
}

std::int32_t IdFromText(const RtString& text) { return ToInt(TextToNumber(text)); }

// The port argument: 0 or less means 26000; nothing when it is above the port range.
std::optional<NLushort> PortFromText(const RtString& text) {
    const std::int32_t port = IdFromText(text);
    if (port <= 0) return kDefaultPort;
    if (port > 65535) return std::nullopt;
    return static_cast<NLushort>(port);
}

// Ends the worker (stop request, then 50 ms steps), closes every socket and empties the lists.
// False when the worker did not stop in time: its session is then left alone, never freed under it.
bool StopSession(NetSession& s) {
    {
        SessionLock guard(s);
        s.stopRequest = 1;
    }
    for (int step = 0;; ++step) {
        {
            SessionLock guard(s);
            if (!s.running) break;
        }
        if (step == kStopStepCount) return false;
        platform::SleepMilliseconds(kStopStepMs);
    }
    if (s.worker != -1) nlThreadJoin(s.worker, nullptr);
    s.worker = -1;
    // What the game queued last (the goodbyes) leaves before the close, unless the peer takes nothing.
    for (int step = 0; s.connectionSocket != NL_INVALID && step < kFinalFlushSteps; ++step) {
        if (nlFlush(s.connectionSocket) <= 0) break;
        platform::SleepMilliseconds(kFinalFlushStepMs);
    }
    for (const HostConnection& client : s.connections) nlClose(client.socket);
    if (s.listenSocket != NL_INVALID) nlClose(s.listenSocket);
    if (s.connectionSocket != NL_INVALID) nlClose(s.connectionSocket);
    if (s.group != -1) nlGroupDestroy(s.group);
    SessionLock guard(s);
    s.connections.clear();
    s.selfAddress = {};
    s.group = -1;
    s.listenSocket = s.connectionSocket = NL_INVALID;
    s.localPlayers.clear();
    s.players.clear();
    s.replies.clear();
    return true;
}

// Steps 2 to 4 of a start: the old session stopped, the record reset, the library restarted.
bool ResetSession(NetworkState& state) {
    NetSession& s = state.session;
    state.used = 1;
    if (!StopSession(s)) return false;
    {
        SessionLock guard(s);
        s.nextPlayerId = kFirstPlayerId;
        s.ownId = -1;
        s.hostFlag = 0;
        s.networkType = NL_IP;
        s.connectionType = NL_TCP_PACKETS;
        s.pendingRequest = 0;
        s.abandonedCreates = 0;
    }
    nlShutdown();
    return nlInit() && nlSelectNetwork(s.networkType);
}

// Starts the worker; the running flag is up before the thread exists, so a stop always waits for it.
bool StartWorker(NetSession& s) {
    {
        SessionLock guard(s);
        s.stopRequest = 0;
        s.running = 1;
    }
    s.worker = nlThreadCreate(NetworkWorker, &s, true);
    if (s.worker != -1) return true;
    SessionLock guard(s);
    s.running = 0;
    return false;
}

// Polls every 20 ms, at most 250 times, until the worker has given the record an id.
bool AwaitPlayerId(NetSession& s, PlayerRecord& record) {
    for (int i = 0; i < kPollCount; ++i) {
        {
            SessionLock guard(s);
            if (record.id >= 0) return true;
        }
        platform::SleepMilliseconds(kPollMs);
    }
    SessionLock guard(s);
    if (record.id >= 0) return true;
    // An answer may still come for a CreatePlayer already sent; it must not go to a later record.
    if (record.id == kIdRequested) ++s.abandonedCreates;
    record.id = kIdTimedOut;
    return false;
}

// Queues a local player record and waits for its id from the host; -1 on timeout.
std::int32_t RegisterPlayer(NetSession& s, const std::string& name) {
    PlayerRecord* record;
    {
        SessionLock guard(s);
        record = &s.localPlayers.emplace_back();
        record->name = name.substr(0, kMaxPlayerNameLength);
        record->flags[0] = name.empty() ? 1 : 0;
        record->flags[1] = s.hostFlag;
    }
    if (!AwaitPlayerId(s, *record)) return -1;
    SessionLock guard(s);
    return record->id;
}

// The request rule: an own id first, then the request and at most 250 polls of 20 ms for its reply.
std::optional<NetMessage> Request(NetSession& s, MessageType type, std::string payload = {}) {
    std::int32_t own;
    {
        SessionLock guard(s);
        own = s.ownId;
    }
    if (own == -1) {
        own = RegisterPlayer(s, {});
        if (own < 0) return std::nullopt;
        SessionLock guard(s);
        s.ownId = own;
    }
    NLsocket socket;
    {
        SessionLock guard(s);
        socket = s.connectionSocket;
        s.replies.clear();
        s.pendingRequest = static_cast<std::uint8_t>(type);
    }
    SendMessage(socket, MakeMessage(type, 0, static_cast<std::uint32_t>(own), std::move(payload)));
    std::optional<NetMessage> reply;
    for (int i = 0; i < kPollCount && !reply; ++i) {
        {
            SessionLock guard(s);
            if (!s.replies.empty()) {
                reply = std::move(s.replies.front());
                s.replies.pop_front();
                break;
            }
        }
        platform::SleepMilliseconds(kPollMs);
    }
    SessionLock guard(s);
    s.pendingRequest = 0;
    s.replies.clear();
    return reply;
}

// A session whose worker runs: requests need one, and without it they fail at once.
NetSession* RunningSession() {
    NetSession* s = ActiveSession();
    if (!s) return nullptr;
    SessionLock guard(*s);
    return s->running ? s : nullptr;
}

}  // namespace

void InitNetwork() {
    if (g_engine.network) return;
    auto* state = new NetworkState;
    nlMutexInit(&state->session.lock);
    g_engine.network = state;
}

void ShutdownNetwork() {
    NetworkState* state = g_engine.network;
    if (!state) return;
    NetSession& s = state->session;
    if (state->used) {
        std::vector<Outgoing> goodbyes;
        {
            SessionLock guard(s);
            for (const PlayerRecord& p : s.localPlayers) {
                if (p.id < 0) continue;
                const auto id = static_cast<std::uint32_t>(p.id);
                goodbyes.push_back({s.connectionSocket, MakeMessage(MessageType::RemovePlayer, 0, id)});
            }
        }
        for (const Outgoing& o : goodbyes) SendMessage(o.socket, o.message);
        if (!StopSession(s)) return;  // a worker that does not stop keeps its state; the process ends anyway
        nlShutdown();
    }
    nlMutexDestroy(&s.lock);
    delete state;
    g_engine.network = nullptr;
}

double NetHostGame(const RtString& portText) {
    NetworkState* state = g_engine.network;
    const std::optional<NLushort> port = PortFromText(portText);
    if (!state || !port || !ResetSession(*state)) return 0;
    NetSession& s = state->session;
    const NLsocket listen = nlOpen(*port, s.connectionType);
    const NLsocket self = listen == NL_INVALID ? NL_INVALID : nlOpen(0, s.connectionType);
    NLaddress address, selfAddress;
    const NLint group = self == NL_INVALID ? -1 : nlGroupCreate();
    const bool ok = group != -1 && nlListen(listen) && nlGetLocalAddr(listen, &address) &&
                    nlSetAddrPort(&address, *port) && nlConnect(self, &address) &&
                    nlGetLocalAddr(self, &selfAddress) && StartWriteQueue(listen) && StartWriteQueue(self) &&
                    nlGroupAddSocket(group, listen) && nlGroupAddSocket(group, self);
    {
        SessionLock guard(s);
        s.listenSocket = listen;
        s.connectionSocket = self;
        s.group = group;
        s.selfAddress = selfAddress;
        s.hostFlag = ok ? 1 : 0;
    }
    if (!ok || !StartWorker(s)) {
        StopSession(s);
        return 0;
    }
    return 1;
}

double NetJoinGame(const RtString& addressText, const RtString& portText) {
    NetworkState* state = g_engine.network;
    const std::optional<NLushort> port = PortFromText(portText);
    if (!state || !port || !ResetSession(*state)) return 0;
    NetSession& s = state->session;
    const NLsocket socket = nlOpen(0, s.connectionType);
    NLaddress address;
    const bool addressOk = addressText.Length() == 0 ? nlGetLocalAddr(socket, &address)
                                                     : nlStringToAddr(addressText.CText(), &address);
    const NLint group = socket == NL_INVALID ? -1 : nlGroupCreate();
    const bool ok = group != -1 && addressOk && nlSetAddrPort(&address, *port) &&
                    nlConnect(socket, &address) && StartWriteQueue(socket) && nlGroupAddSocket(group, socket);
    {
        SessionLock guard(s);
        s.connectionSocket = socket;
        s.group = group;
    }
    if (!ok || !StartWorker(s) || !Request(s, MessageType::Ping)) {
        StopSession(s);
        return 0;
    }
    return 1;
}

RtString NetLocalAddresses() {
    // The addresses of the interfaces need no socket (one bound to 26000 would fail while hosting there).
    constexpr std::uint32_t kMaxText = 4096;
    NLint count = 0;
    const NLaddress* list = nlGetAllLocalAddr(&count);
    RtString joined;
    for (NLint i = 0; i < count; ++i) {
        char text[NL_MAX_STRING_LENGTH];
        nlAddrToString(&list[i], text);
        const std::uint32_t add = static_cast<std::uint32_t>(std::strlen(text)) + (i > 0 ? 1 : 0);
        if (joined.Length() + add > kMaxText) break;
        if (i > 0) joined.Append("|");
        joined.Append(text);
    }
    return joined;
}

RtString NetCreatePlayer(const RtString& name) {
    NetSession* s = RunningSession();
    if (!s) return RtString("-1");
    return RtString(RegisterPlayer(*s, name.CText()));
}

double NetRemovePlayer(const RtString& playerId) {
    NetSession* s = ActiveSession();
    const std::int32_t id = IdFromText(playerId);
    if (s && id >= 0) {
        NLsocket socket;
        {
            SessionLock guard(*s);
            socket = s->connectionSocket;
        }
        SendMessage(socket, MakeMessage(MessageType::RemovePlayer, 0, static_cast<std::uint32_t>(id)));
    }
    return 1;
}

double NetPlayerCount() {
    NetSession* s = RunningSession();
    const std::optional<NetMessage> reply = s ? Request(*s, MessageType::CountPlayers) : std::nullopt;
    const std::optional<std::uint32_t> count = reply ? ReadUint32Payload(reply->payload) : std::nullopt;
    return count ? static_cast<double>(*count) : 0;
}

RtString NetPlayerIdAt(double index) {
    NetSession* s = RunningSession();
    const std::optional<NetMessage> reply =
        s ? Request(*s, MessageType::PlayerIdAt, Uint32Payload(static_cast<std::uint32_t>(ToInt(index))))
          : std::nullopt;
    const std::optional<std::uint32_t> id = reply ? ReadUint32Payload(reply->payload) : std::nullopt;
    return RtString(id ? static_cast<std::int32_t>(*id) : -1);
}

RtString NetPlayerName(const RtString& playerId) {
    NetSession* s = RunningSession();
    const auto id = static_cast<std::uint32_t>(IdFromText(playerId));
    const std::optional<NetMessage> reply =
        s ? Request(*s, MessageType::PlayerNameOf, Uint32Payload(id)) : std::nullopt;
    if (!reply) return RtString("NO_DATA");
    return RtString(reply->payload.c_str());
}

double NetSendText(const RtString& sourceId, const RtString& targetId, const RtString& text) {
    NetSession* s = ActiveSession();
    if (!s || text.Length() > kMaxPayloadBytes) return 0;
    std::uint32_t target = ToLowBits32(TextToNumber(targetId));
    if (target == 0) target = kAllPlayers;
    NLsocket socket;
    {
        SessionLock guard(*s);
        socket = s->connectionSocket;
    }
    const NetMessage message{static_cast<std::uint8_t>(MessageType::TextMessage), target,
                             ToLowBits32(TextToNumber(sourceId)), std::string(text.CText(), text.Length())};
    return SendMessage(socket, message) ? 1 : 0;
}

RtString NetNextText(const RtString& localPlayerId) {
    NetworkState* state = g_engine.network;
    if (!state) return RtString();
    NetSession& s = state->session;
    const std::int32_t id = IdFromText(localPlayerId);
    SessionLock guard(s);
    for (PlayerRecord& p : s.localPlayers) {
        if (p.id != id || p.received.empty()) continue;
        NetMessage m = std::move(p.received.front());
        p.received.pop_front();
        state->lastSender = static_cast<std::int32_t>(m.source);
        return RtString(m.payload.c_str());
    }
    return RtString();
}

RtString NetLastSender() { return RtString(g_engine.network ? g_engine.network->lastSender : 0); }
