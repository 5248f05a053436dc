// The host's player table and the filing of what a client gets, on session records (no sockets): what
// gets no answer, and the bounds. Answered requests and the relay are checked in session_test.cpp.
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

// Registers a player as the host would on a CreatePlayer from socket; its id, -1 when none came back.
std::int32_t Create(NetSession& s, NLsocket socket, const std::string& name) {
    const auto out = Handle(s, socket, MessageType::CreatePlayer, 0, 0,
                            CreatePlayerPayload(-1, -1, name.empty() ? 1 : 0, 0, name));
    return out.size() == 1 && out[0].socket == socket ? static_cast<std::int32_t>(out[0].message.target) : -1;
}

// The number a request from requester on socket gets back; -1 without exactly one reply.
std::int64_t Ask(NetSession& s, NLsocket socket, MessageType type, std::uint32_t requester,
                 std::string payload = {}) {
    const auto out = Handle(s, socket, type, 0, requester, std::move(payload));
    if (out.size() != 1) return -1;
    return ReadUint32Payload(out[0].message.payload).value_or(-2);
}

}  // namespace

TEST(NetHostRelay, UnansweredMessagesRemovalsAndBounds) {
    NetSession s;
    EXPECT_EQ(Create(s, 10, ""), 101);  // hidden
    EXPECT_EQ(Create(s, 10, "Ann"), 102);
    EXPECT_EQ(Create(s, 11, "Bob"), 103);
    EXPECT_EQ(Create(s, 12, "Cy"), 104);
    // No reply for an unknown or nameless player, an unknown requester or type, or a target other than
    // 0; a text to an unknown player goes nowhere; an index past the end gives 0.
    EXPECT_TRUE(Handle(s, 10, MessageType::PlayerNameOf, 0, 101, Uint32Payload(999)).empty());
    EXPECT_TRUE(Handle(s, 10, MessageType::PlayerNameOf, 0, 101, Uint32Payload(101)).empty());
    EXPECT_TRUE(Handle(s, 10, MessageType::Ping, 0, 555).empty());
    EXPECT_TRUE(Handle(s, 10, MessageType::Ping, 7, 101).empty());
    EXPECT_TRUE(Handle(s, 12, static_cast<MessageType>(77), 0, 104).empty());
    EXPECT_TRUE(Handle(s, 11, MessageType::TextMessage, 999, 103, "?").empty());
    EXPECT_EQ(Ask(s, 10, MessageType::PlayerIdAt, 101, Uint32Payload(0xFFFFFFFF)), 0);
    // A broadcast skips the hidden record and the sender.
    const auto copies = Handle(s, 11, MessageType::TextMessage, kAllPlayers, 103, "yo");
    ASSERT_EQ(copies.size(), 2u);
    EXPECT_TRUE(copies[0].message.target == 102 && copies[1].message.target == 104);

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
    EXPECT_TRUE(first.id == 101 && second.id == kIdRequested);
    // An answer due to a record that was given up is not taken by a later one: its player is removed.
    s.abandonedCreates = 1;
    const auto out = deliver(MessageType::PlayerCreated, 102, 0);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].socket, 5);
    EXPECT_EQ(EncodeMessage(out[0].message), EncodeMessage(MakeMessage(MessageType::RemovePlayer, 0, 102)));
    EXPECT_EQ(second.id, kIdRequested);
    deliver(MessageType::PlayerCreated, 103, 0);
    EXPECT_EQ(second.id, 103);

    // Texts land only in the queue of a local player they are addressed to, which is bounded.
    deliver(MessageType::TextMessage, 999, 101, "lost");
    for (std::size_t i = 0; i < kMaxQueuedTexts + 10; ++i)
        deliver(MessageType::TextMessage, 101, 103, "flood");
    EXPECT_TRUE(first.received.size() == kMaxQueuedTexts && second.received.empty());

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
