// The host's player table, relay and replies, and the filing of what arrives from the host, applied to
// session records directly (no sockets).
#include <gtest/gtest.h>

#include "net/session.h"

using namespace tarvok;

namespace {

std::vector<Outgoing> Handle(NetSession& s, NLsocket socket, MessageType type, std::uint32_t target,
                             std::uint32_t source, std::string payload = {}) {
    std::vector<Outgoing> out;
    HandleHostMessage(s, MakeMessage(type, target, source, std::move(payload)), socket,
                      [&](NLsocket to, const NetMessage& m, std::uint32_t copyTarget) {
                          out.push_back({to, m});
                          out.back().message.target = copyTarget;
                      });
    return out;
}

// One message sent, "socket>type:target:source".
std::string Head(const Outgoing& o) {
    return std::to_string(o.socket) + ">" + std::to_string(o.message.type) + ":" +
           std::to_string(o.message.target) + ":" + std::to_string(o.message.source);
}

// Everything sent, "socket>type:target:source:payload" for each message, space-separated.
std::string Sent(const std::vector<Outgoing>& out) {
    std::string all;
    for (const Outgoing& o : out) {
        if (!all.empty()) all += ' ';
        all += Head(o) + ":" + o.message.payload;
    }
    return all;
}

// Registers a player as the host would on a CreatePlayer from socket; its id, -1 when none came back.
std::int32_t Create(NetSession& s, NLsocket socket, const std::string& name) {
    const auto out = Handle(s, socket, MessageType::CreatePlayer, 0, 0,
                            CreatePlayerPayload(-1, -1, name.empty() ? 1 : 0, 0, name));
    if (out.size() != 1) return -1;
    const auto id = static_cast<std::int32_t>(out[0].message.target);
    return Head(out[0]) == std::to_string(socket) + ">2:" + std::to_string(id) + ":0" ? id : -1;
}

// The number a request from requester on socket gets back; -1 without exactly one reply, to it.
std::int64_t Ask(NetSession& s, NLsocket socket, MessageType type, std::uint32_t requester,
                 std::string payload = {}) {
    const auto out = Handle(s, socket, type, 0, requester, std::move(payload));
    if (out.size() != 1) return -1;
    EXPECT_EQ(Head(out[0]), std::to_string(socket) + ">" + std::to_string(int(type)) + ":" +
                                std::to_string(requester) + ":0");
    return ReadUint32Payload(out[0].message.payload).value_or(-2);
}

}  // namespace

TEST(NetHostRelay, PlayersRequestsAndRelay) {
    NetSession s;
    // Ids from 101 in the order of creation; a player with an empty name is hidden.
    EXPECT_EQ(Create(s, 10, ""), 101);
    EXPECT_EQ(Create(s, 10, "Ann"), 102);
    EXPECT_EQ(Create(s, 11, "Bob"), 103);
    EXPECT_EQ(Create(s, 12, "Cy"), 104);

    // Counting and listing skip the hidden record; replies go to the requester's socket, typed as asked.
    EXPECT_EQ(Ask(s, 11, MessageType::CountPlayers, 103), 3);
    const std::pair<std::uint32_t, std::int64_t> idAt[] = {
        {0, 102}, {1, 103}, {2, 104}, {3, 0}, {0xFFFFFFFF, 0}};
    for (const auto& [index, id] : idAt)
        EXPECT_EQ(Ask(s, 10, MessageType::PlayerIdAt, 101, Uint32Payload(index)), id);
    EXPECT_EQ(Sent(Handle(s, 10, MessageType::PlayerNameOf, 0, 101, Uint32Payload(103))), "10>103:101:0:Bob");
    EXPECT_EQ(Ask(s, 12, MessageType::Ping, 104), 1);
    // No reply for an unknown or nameless player, an unknown requester or type, or a target other than 0.
    EXPECT_TRUE(Handle(s, 10, MessageType::PlayerNameOf, 0, 101, Uint32Payload(999)).empty());
    EXPECT_TRUE(Handle(s, 10, MessageType::PlayerNameOf, 0, 101, Uint32Payload(101)).empty());
    EXPECT_TRUE(Handle(s, 10, MessageType::Ping, 0, 555).empty());
    EXPECT_TRUE(Handle(s, 10, MessageType::Ping, 7, 101).empty());
    EXPECT_TRUE(Handle(s, 12, static_cast<MessageType>(77), 0, 104).empty());

    // A broadcast reaches every visible player but the sender, each copy addressed to its player; a
    // direct text goes to its target only; an unknown target goes nowhere.
    EXPECT_EQ(Sent(Handle(s, 11, MessageType::TextMessage, kAllPlayers, 103, "yo")),
              "10>3:102:103:yo 12>3:104:103:yo");
    EXPECT_EQ(Sent(Handle(s, 11, MessageType::TextMessage, 104, 103, "psst")), "12>3:104:103:psst");
    EXPECT_TRUE(Handle(s, 11, MessageType::TextMessage, 999, 103, "?").empty());

    // RemovePlayer takes the player out; a lost connection takes all of its players, the requester too.
    EXPECT_TRUE(Handle(s, 11, MessageType::RemovePlayer, 0, 103).empty());
    EXPECT_EQ(Ask(s, 10, MessageType::CountPlayers, 101), 2);
    DropHostConnection(s, 10);
    EXPECT_EQ(Ask(s, 10, MessageType::CountPlayers, 101), -1);
    EXPECT_EQ(Ask(s, 12, MessageType::CountPlayers, 104), 1);
    EXPECT_EQ(Create(s, 12, "Dee"), 105);  // ids are never reused

    // A CreatePlayer that is not a 152-byte record is ignored; the table is bounded.
    EXPECT_TRUE(Handle(s, 12, MessageType::CreatePlayer, 0, 0, "short").empty());
    while (s.players.size() < kMaxHostPlayers) ASSERT_GT(Create(s, 3, "p"), 0);
    EXPECT_EQ(Create(s, 3, "x"), -1);
    EXPECT_EQ(s.players.size(), kMaxHostPlayers);
}

TEST(NetDeliver, IdsRepliesAndTextsFromTheHost) {
    NetSession s;
    s.connectionSocket = 5;
    PlayerRecord& first = s.localPlayers.emplace_back();
    PlayerRecord& second = s.localPlayers.emplace_back();
    first.id = second.id = kIdRequested;
    auto deliver = [&](MessageType type, std::uint32_t target, std::uint32_t source,
                       std::string payload = {}) {
        return DeliverFromHost(s, MakeMessage(type, target, source, std::move(payload)));
    };

    // Ids go to the records in the order their CreatePlayer left.
    EXPECT_TRUE(deliver(MessageType::PlayerCreated, 101, 0).empty());
    EXPECT_EQ(first.id, 101);
    EXPECT_EQ(second.id, kIdRequested);
    // An answer due to a record that was given up is not taken by a later one: its player is removed.
    s.abandonedCreates = 1;
    EXPECT_EQ(Sent(deliver(MessageType::PlayerCreated, 102, 0)), "5>4:0:102:");
    EXPECT_EQ(second.id, kIdRequested);
    deliver(MessageType::PlayerCreated, 103, 0);
    EXPECT_EQ(second.id, 103);

    // Texts land in the queue of the local player they are addressed to, oldest first, bounded.
    deliver(MessageType::TextMessage, 103, 101, "one");
    deliver(MessageType::TextMessage, 103, 101, "two");
    deliver(MessageType::TextMessage, 999, 101, "lost");
    ASSERT_EQ(second.received.size(), 2u);
    EXPECT_EQ(second.received.front().payload, "one");
    EXPECT_TRUE(first.received.empty());
    for (std::size_t i = 0; i < kMaxQueuedTexts + 10; ++i)
        deliver(MessageType::TextMessage, 101, 103, "flood");
    EXPECT_EQ(first.received.size(), kMaxQueuedTexts);

    // Replies count only for the waiting request of that type, addressed to this program's id from 0.
    s.ownId = 101;
    deliver(MessageType::CountPlayers, 101, 0, Uint32Payload(4));  // nothing waits: a late reply
    s.pendingRequest = static_cast<std::uint8_t>(MessageType::PlayerIdAt);
    deliver(MessageType::CountPlayers, 101, 0, Uint32Payload(4));
    deliver(MessageType::PlayerIdAt, 102, 0, Uint32Payload(4));
    deliver(MessageType::PlayerIdAt, 101, 9, Uint32Payload(4));
    EXPECT_TRUE(s.replies.empty());
    deliver(MessageType::PlayerIdAt, 101, 0, Uint32Payload(103));
    ASSERT_EQ(s.replies.size(), 1u);
    EXPECT_EQ(ReadUint32Payload(s.replies.front().payload), 103u);
}
