// The host's player table, relay and replies, and the filing of what arrives from the host, applied to
// session records directly (no sockets).
#include <gtest/gtest.h>

#include "net/session.h"

using namespace tarvok;

namespace {

InboundMessage From(NLsocket socket, NetMessage m) { return {std::move(m), socket}; }

// Registers a player as the host would on a CreatePlayer from socket; returns its id.
std::int32_t Create(NetSession& s, NLsocket socket, const std::string& name) {
    const auto out = HandleHostMessage(
        s, From(socket, MakeMessage(MessageType::CreatePlayer, 0, 0,
                                    CreatePlayerPayload(-1, -1, name.empty() ? 1 : 0, 0, name))));
    EXPECT_EQ(out.size(), 1u);
    if (out.empty()) return -1;
    EXPECT_EQ(out[0].socket, socket);
    EXPECT_EQ(out[0].message.type, static_cast<std::uint8_t>(MessageType::PlayerCreated));
    EXPECT_EQ(out[0].message.source, 0u);
    return static_cast<std::int32_t>(out[0].message.target);
}

std::vector<Outgoing> Ask(NetSession& s, NLsocket socket, MessageType type, std::int32_t requester,
                          std::string payload = {}) {
    return HandleHostMessage(
        s, From(socket, MakeMessage(type, 0, static_cast<std::uint32_t>(requester), std::move(payload))));
}

}  // namespace

TEST(NetHostRelay, PlayersRequestsAndRelay) {
    NetSession s;
    // Ids from 101 in the order of creation; a player with an empty name is hidden.
    const std::int32_t hidden = Create(s, 10, "");
    EXPECT_EQ(hidden, 101);
    EXPECT_EQ(Create(s, 10, "Ann"), 102);
    EXPECT_EQ(Create(s, 11, "Bob"), 103);
    EXPECT_EQ(Create(s, 12, "Cy"), 104);

    // Counting and listing skip the hidden record; replies go to the requester's socket, typed as asked.
    auto reply = Ask(s, 11, MessageType::CountPlayers, 103);
    ASSERT_EQ(reply.size(), 1u);
    EXPECT_EQ(reply[0].socket, 11);
    EXPECT_EQ(reply[0].message.type, 101);
    EXPECT_EQ(reply[0].message.target, 103u);
    EXPECT_EQ(reply[0].message.source, 0u);
    EXPECT_EQ(ReadUint32Payload(reply[0].message.payload), 3u);
    const std::uint32_t expectedAt[] = {102, 103, 104, 0, 0};
    for (std::uint32_t i = 0; i < 5; ++i) {
        reply = Ask(s, 10, MessageType::PlayerIdAt, hidden, Uint32Payload(i));
        ASSERT_EQ(reply.size(), 1u);
        EXPECT_EQ(ReadUint32Payload(reply[0].message.payload), expectedAt[i]) << i;
    }
    reply = Ask(s, 10, MessageType::PlayerIdAt, hidden, Uint32Payload(0xFFFFFFFF));
    EXPECT_EQ(ReadUint32Payload(reply[0].message.payload), 0u);
    reply = Ask(s, 10, MessageType::PlayerNameOf, hidden, Uint32Payload(103));
    ASSERT_EQ(reply.size(), 1u);
    EXPECT_EQ(reply[0].message.payload, "Bob");
    // No reply for an unknown or nameless player, for an unknown requester, or for a target other than 0.
    EXPECT_TRUE(Ask(s, 10, MessageType::PlayerNameOf, hidden, Uint32Payload(999)).empty());
    EXPECT_TRUE(Ask(s, 10, MessageType::PlayerNameOf, hidden, Uint32Payload(101)).empty());
    EXPECT_TRUE(Ask(s, 10, MessageType::Ping, 555).empty());
    EXPECT_TRUE(HandleHostMessage(s, From(10, MakeMessage(MessageType::Ping, 7, 101))).empty());
    reply = Ask(s, 12, MessageType::Ping, 104);
    ASSERT_EQ(reply.size(), 1u);
    EXPECT_EQ(reply[0].message.payload, std::string("\x01\0\0\0", 4));
    EXPECT_TRUE(Ask(s, 12, static_cast<MessageType>(77), 104).empty());

    // A broadcast reaches every visible player but the sender, each copy addressed to its player.
    auto relayed =
        HandleHostMessage(s, From(11, MakeMessage(MessageType::TextMessage, kAllPlayers, 103, "yo")));
    ASSERT_EQ(relayed.size(), 2u);
    EXPECT_EQ(relayed[0].socket, 10);
    EXPECT_EQ(relayed[0].message.target, 102u);
    EXPECT_EQ(relayed[1].socket, 12);
    EXPECT_EQ(relayed[1].message.target, 104u);
    EXPECT_EQ(relayed[1].message.source, 103u);
    EXPECT_EQ(relayed[1].message.payload, "yo");
    // A direct text goes to its target only; an unknown target goes nowhere.
    relayed = HandleHostMessage(s, From(11, MakeMessage(MessageType::TextMessage, 104, 103, "psst")));
    ASSERT_EQ(relayed.size(), 1u);
    EXPECT_EQ(relayed[0].socket, 12);
    EXPECT_TRUE(HandleHostMessage(s, From(11, MakeMessage(MessageType::TextMessage, 999, 103, "?"))).empty());

    // RemovePlayer takes the player out; a lost connection takes all of its players.
    EXPECT_TRUE(HandleHostMessage(s, From(11, MakeMessage(MessageType::RemovePlayer, 0, 103))).empty());
    EXPECT_EQ(ReadUint32Payload(Ask(s, 10, MessageType::CountPlayers, hidden)[0].message.payload), 2u);
    DropHostConnection(s, 10);
    EXPECT_TRUE(Ask(s, 10, MessageType::CountPlayers, hidden).empty());  // the requester is gone too
    EXPECT_EQ(ReadUint32Payload(Ask(s, 12, MessageType::CountPlayers, 104)[0].message.payload), 1u);
    EXPECT_EQ(Create(s, 12, "Dee"), 105);  // ids are never reused

    // A CreatePlayer that is not a 152-byte record is ignored.
    EXPECT_TRUE(
        HandleHostMessage(s, From(12, MakeMessage(MessageType::CreatePlayer, 0, 0, "short"))).empty());
}

TEST(NetHostRelay, TheHostTableIsBounded) {
    NetSession s;
    for (std::size_t i = 0; i < kMaxHostPlayers; ++i) Create(s, 3, "p");
    EXPECT_TRUE(HandleHostMessage(s, From(3, MakeMessage(MessageType::CreatePlayer, 0, 0,
                                                         CreatePlayerPayload(0, 0, 0, 0, "x"))))
                    .empty());
    EXPECT_EQ(s.players.size(), kMaxHostPlayers);
}

TEST(NetDeliver, IdsRepliesAndTextsFromTheHost) {
    NetSession s;
    s.connectionSocket = 5;
    PlayerRecord& first = s.localPlayers.emplace_back();
    first.id = kIdRequested;
    PlayerRecord& second = s.localPlayers.emplace_back();
    second.id = kIdRequested;

    // Ids go to the records in the order their CreatePlayer left.
    EXPECT_TRUE(DeliverFromHost(s, MakeMessage(MessageType::PlayerCreated, 101, 0)).empty());
    EXPECT_EQ(first.id, 101);
    EXPECT_EQ(second.id, kIdRequested);
    // An answer due to a record that was given up is not taken by a later one: its player is removed.
    s.abandonedCreates = 1;
    auto out = DeliverFromHost(s, MakeMessage(MessageType::PlayerCreated, 102, 0));
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].socket, 5);
    EXPECT_EQ(EncodeMessage(out[0].message), EncodeMessage(MakeMessage(MessageType::RemovePlayer, 0, 102)));
    EXPECT_EQ(second.id, kIdRequested);
    DeliverFromHost(s, MakeMessage(MessageType::PlayerCreated, 103, 0));
    EXPECT_EQ(second.id, 103);

    // Texts land in the queue of the local player they are addressed to, oldest first, bounded.
    DeliverFromHost(s, MakeMessage(MessageType::TextMessage, 103, 101, "one"));
    DeliverFromHost(s, MakeMessage(MessageType::TextMessage, 103, 101, "two"));
    DeliverFromHost(s, MakeMessage(MessageType::TextMessage, 999, 101, "lost"));
    ASSERT_EQ(second.received.size(), 2u);
    EXPECT_EQ(second.received.front().payload, "one");
    EXPECT_TRUE(first.received.empty());
    for (std::size_t i = 0; i < kMaxQueuedTexts + 10; ++i) {
        DeliverFromHost(s, MakeMessage(MessageType::TextMessage, 101, 103, "flood"));
    }
    EXPECT_EQ(first.received.size(), kMaxQueuedTexts);

    // Replies count only for the waiting request of that type, addressed to this program's id.
    s.ownId = 101;
    DeliverFromHost(s, MakeMessage(MessageType::CountPlayers, 101, 0, Uint32Payload(4)));
    EXPECT_TRUE(s.replies.empty());  // nothing waits: a late reply
    s.pendingRequest = static_cast<std::uint8_t>(MessageType::PlayerIdAt);
    DeliverFromHost(s, MakeMessage(MessageType::CountPlayers, 101, 0, Uint32Payload(4)));
    DeliverFromHost(s, MakeMessage(MessageType::PlayerIdAt, 102, 0, Uint32Payload(4)));
    DeliverFromHost(s, MakeMessage(MessageType::PlayerIdAt, 101, 9, Uint32Payload(4)));
    EXPECT_TRUE(s.replies.empty());
    DeliverFromHost(s, MakeMessage(MessageType::PlayerIdAt, 101, 0, Uint32Payload(103)));
    ASSERT_EQ(s.replies.size(), 1u);
    EXPECT_EQ(ReadUint32Payload(s.replies.front().payload), 103u);
}
