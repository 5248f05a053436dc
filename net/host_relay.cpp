// The session logic that runs on the network worker under the session lock: the host's table of
// players with its relay and replies, and the filing of messages that arrive from the host.
#include <algorithm>

#include "net/session.h"

namespace tarvok {

namespace {

PlayerRecord* FindPlayer(std::list<PlayerRecord>& list, std::int32_t id) {
    const auto it =
        std::find_if(list.begin(), list.end(), [id](const PlayerRecord& p) { return p.id == id; });
    return it == list.end() ? nullptr : &*it;
}

std::int32_t AsId(std::uint32_t field) { return static_cast<std::int32_t>(field); }

// The answer to a request; nothing when the requester is unknown or the request gets no answer.
std::optional<std::string> ReplyPayload(NetSession& s, const NetMessage& m) {
    switch (static_cast<MessageType>(m.type)) {
        case MessageType::CountPlayers:
            return Uint32Payload(static_cast<std::uint32_t>(std::count_if(
                s.players.begin(), s.players.end(), [](const PlayerRecord& p) { return p.flags[0] == 0; })));
        case MessageType::PlayerIdAt: {
            const std::optional<std::uint32_t> index = ReadUint32Payload(m.payload);
            std::uint32_t seen = 0;
            for (const PlayerRecord& p : s.players) {
                if (p.flags[0] != 0) continue;
                if (index && seen++ == *index) return Uint32Payload(static_cast<std::uint32_t>(p.id));
            }
            return Uint32Payload(0);
        }
        case MessageType::PlayerNameOf: {
            const std::optional<std::uint32_t> id = ReadUint32Payload(m.payload);
            const PlayerRecord* p = id ? FindPlayer(s.players, AsId(*id)) : nullptr;
            if (!p || p->name.empty()) return std::nullopt;
            return p->name;
        }
        case MessageType::Ping:
            return std::string("\x01\0\0\0", 4);
        default:
            return std::nullopt;
    }
}

}  // namespace

bool HandleHostMessage(NetSession& s, const NetMessage& m, NLsocket from, const HostSink& send) {
    if (m.type == static_cast<std::uint8_t>(MessageType::TextMessage)) {
        if (m.target == kAllPlayers) {
            for (const PlayerRecord& p : s.players) {
                if (p.flags[0] != 0 || p.flags[1] != 0 || p.id == AsId(m.source)) continue;
                send(p.socket, m, static_cast<std::uint32_t>(p.id));
            }
        } else if (const PlayerRecord* p = FindPlayer(s.players, AsId(m.target))) {
            send(p->socket, m, m.target);
        }
        return false;
    }
    // Everything else is addressed to the host itself.
    if (m.target != 0) return false;
    switch (static_cast<MessageType>(m.type)) {
        case MessageType::CreatePlayer: {
            const std::optional<CreatePlayerFields> fields = ReadCreatePlayerPayload(m.payload);
            if (!fields || s.players.size() >= kMaxHostPlayers || s.nextPlayerId == INT32_MAX) return false;
            PlayerRecord& p = s.players.emplace_back();
            p.socket = from;
            p.id = s.nextPlayerId++;
            p.flags[0] = fields->hiddenFlag;
            p.name = fields->name;
            const auto id = static_cast<std::uint32_t>(p.id);
            send(from, MakeMessage(MessageType::PlayerCreated, id, 0), id);
            return true;
        }
        case MessageType::RemovePlayer:
            s.players.remove_if([&](const PlayerRecord& p) { return p.id == AsId(m.source); });
            return false;
        default:
            break;
    }
    if (m.type < kFirstRequestType) return false;
    const PlayerRecord* requester = FindPlayer(s.players, AsId(m.source));
    if (!requester) return false;
    if (std::optional<std::string> payload = ReplyPayload(s, m)) {
        send(requester->socket, NetMessage{m.type, m.source, 0, std::move(*payload)}, m.source);
    }
    return false;
}

void DropHostConnection(NetSession& s, NLsocket socket) {
    s.players.remove_if([socket](const PlayerRecord& p) { return p.socket == socket; });
}

std::vector<Outgoing> DeliverFromHost(NetSession& s, const NetMessage& m) {
    std::vector<Outgoing> out;
    if (m.type == static_cast<std::uint8_t>(MessageType::TextMessage)) {
        PlayerRecord* p = FindPlayer(s.localPlayers, AsId(m.target));
        if (p && p->id >= 0 && p->received.size() < kMaxQueuedTexts) p->received.push_back(m);
        return out;
    }
    if (m.source != 0) return out;
    if (m.type == static_cast<std::uint8_t>(MessageType::PlayerCreated)) {
        const std::int32_t id = AsId(m.target);
        if (id < 0) return out;
        // Answers come in the order of the requests: one due to a record that was given up belongs to
        // nobody here, so the player it made on the host is removed again.
        if (s.abandonedCreates > 0) {
            --s.abandonedCreates;
            out.push_back({s.connectionSocket, MakeMessage(MessageType::RemovePlayer, 0, m.target)});
            return out;
        }
        const auto it = std::find_if(s.localPlayers.begin(), s.localPlayers.end(),
                                     [](const PlayerRecord& p) { return p.id == kIdRequested; });
        if (it != s.localPlayers.end()) it->id = id;
        return out;
    }
    // A reply counts only for the request that waits for it; a late one is dropped.
    if (m.type >= kFirstRequestType && m.type == s.pendingRequest && AsId(m.target) == s.ownId &&
        s.replies.size() < kMaxReplies) {
        s.replies.push_back(m);
    }
    return out;
}

}  // namespace tarvok
