// The message format, the checks on what a peer sends, the packet framing, and on records in memory what
// the host's table and a client's filing leave unanswered, and their bounds (the rest: session_test.cpp).
#include "net/message.h"

#include <gtest/gtest.h>

#include "net/packet_framing.h"
#include "net/session.h"

using namespace tarvok;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// "TVKN", type, then the three 32-bit fields little-endian, then the payload: written out by hand.
Bytes Wire(std::uint8_t type, Bytes length, Bytes target, Bytes source, Bytes payload = {}) {
    return Concat({{'T', 'V', 'K', 'N', type}, length, target, source, payload});
}

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

TEST(NetMessage, EveryTypeHasTheDocumentedLayoutAndReadsAreCheckedBeforeUse) {
    const Bytes zero = {0, 0, 0, 0}, four = {4, 0, 0, 0}, id101 = {101, 0, 0, 0};
    // CreatePlayer: socket -1, id -1, flags 0 and 1, the name at offset 10, 152 bytes in all.
    const Bytes record = Concat({Bytes(8, 0xFF), {0, 1, 'A', 'n', 'n'}, Bytes(139, 0)});
    const std::pair<NetMessage, Bytes> cases[] = {
        {MakeMessage(MessageType::CreatePlayer, 0, 0, CreatePlayerPayload(-1, -1, 0, 1, "Ann")),
         Wire(1, {152, 0, 0, 0}, zero, zero, record)},
        {MakeMessage(MessageType::PlayerCreated, 101, 0), Wire(2, zero, id101, zero)},
        {MakeMessage(MessageType::TextMessage, kAllPlayers, 258, "hi"),
         Wire(3, {2, 0, 0, 0}, {0xFF, 0xFF, 0xFF, 0xFF}, {0x02, 0x01, 0, 0}, {'h', 'i'})},
        {MakeMessage(MessageType::RemovePlayer, 0, 70000), Wire(4, zero, zero, {0x70, 0x11, 0x01, 0})},
        {MakeMessage(MessageType::CountPlayers, 0, 101), Wire(101, zero, zero, id101)},
        {MakeMessage(MessageType::CountPlayers, 101, 0, Uint32Payload(3)),
         Wire(101, four, id101, zero, {3, 0, 0, 0})},
        {MakeMessage(MessageType::PlayerIdAt, 0, 101, Uint32Payload(0x01020304)),
         Wire(102, four, zero, id101, {4, 3, 2, 1})},
        {MakeMessage(MessageType::PlayerNameOf, 101, 0, "Bo"),
         Wire(103, {2, 0, 0, 0}, id101, zero, {'B', 'o'})},
        {MakeMessage(MessageType::Ping, 101, 0, std::string("\x01\0\0\0", 4)),
         Wire(104, four, id101, zero, {1, 0, 0, 0})},
        // The largest payload is 1024 bytes (length field 00 04 00 00).
        {MakeMessage(MessageType::TextMessage, 5, 6, std::string(1024, 'x')),
         Wire(3, {0, 4, 0, 0}, {5, 0, 0, 0}, {6, 0, 0, 0}, Bytes(1024, 'x'))},
    };
    for (const auto& [message, wire] : cases) {
        EXPECT_EQ(EncodeMessage(message), wire) << int(message.type);
        // Reading the bytes back gives the same message.
        const ParsedMessage parsed = ParseMessage(wire);
        ASSERT_EQ(parsed.verdict, ReadVerdict::Valid) << int(message.type);
        EXPECT_EQ(EncodeMessage(parsed.message), wire) << int(message.type);
    }
    EXPECT_TRUE(EncodeMessage(MakeMessage(MessageType::TextMessage, 5, 6, std::string(1025, 'x'))).empty());

    const Bytes good = EncodeMessage(MakeMessage(MessageType::TextMessage, 7, 9, "abc"));
    // Shorter than the header, or another magic: dropped, the connection stays.
    EXPECT_EQ(ParseMessage(std::span(good).first(16)).verdict, ReadVerdict::Ignored);
    Bytes wrongMagic = good;
    wrongMagic[3] = 'X';
    EXPECT_EQ(ParseMessage(wrongMagic).verdict, ReadVerdict::Ignored);
    // A length field that disagrees with the bytes read (0, 2 GB, past the end, short of it, all ones):
    // the sender is cut off.
    for (const Bytes& length : {Bytes{0, 0, 0, 0}, Bytes{0, 0, 0, 0x80}, Bytes{4, 0, 0, 0}, Bytes{2, 0, 0, 0},
                                Bytes{0xFF, 0xFF, 0xFF, 0xFF}}) {
        Bytes b = good;
        std::copy(length.begin(), length.end(), b.begin() + 5);
        EXPECT_EQ(ParseMessage(b).verdict, ReadVerdict::DropConnection) << int(length[0]);
    }

    // A player record's name without a terminator stops at 127 characters; a record of any other size
    // is not one, and a number needs 4 bytes.
    EXPECT_EQ(ReadCreatePlayerPayload(std::string(152, 'q'))->name, std::string(127, 'q'));
    EXPECT_FALSE(ReadCreatePlayerPayload(std::string(151, '\0')));
    EXPECT_FALSE(ReadCreatePlayerPayload(std::string(153, '\0')));
    EXPECT_FALSE(ReadUint32Payload("abc"));
}

TEST(NetPacketFraming, PacketsComeWholeFromAnyChunkingAndBadLengthsStopTheStream) {
    const Bytes a = {1, 2, 3}, b(300, 7);
    const Bytes stream = Concat({FramePacket(a), FramePacket(b)});
    EXPECT_EQ(Bytes(stream.begin(), stream.begin() + 4), (Bytes{3, 0, 0, 0}));
    for (std::size_t chunk : {1u, 2u, 5u, 1000u}) {
        PacketAssembler assembler(1041, chunk % 2 == 0 ? 0 : 100);  // with and without reading ahead
        std::vector<Bytes> got;
        for (std::size_t at = 0, guard = 0; guard < 10000 && at < stream.size(); ++guard) {
            auto space = assembler.Space();
            ASSERT_FALSE(space.empty());
            const std::size_t n = std::min({chunk, space.size(), stream.size() - at});
            std::copy_n(stream.begin() + static_cast<std::ptrdiff_t>(at), n, space.begin());
            assembler.Commit(n);
            at += n;
            for (; assembler.Status() == PacketAssembler::State::Ready; assembler.Consume())
                got.emplace_back(assembler.Packet().begin(), assembler.Packet().end());
        }
        EXPECT_EQ(got, (std::vector<Bytes>{a, b})) << "chunk " << chunk;
    }

    for (const Bytes& prefix : {Bytes{0, 0, 0, 0}, Bytes{0x12, 0x04, 0, 0}, Bytes{0, 0, 0, 0x80}}) {
        PacketAssembler assembler(1041);
        const auto space = assembler.Space();
        ASSERT_GE(space.size(), 4u);
        std::copy(prefix.begin(), prefix.end(), space.begin());
        assembler.Commit(4);
        EXPECT_EQ(assembler.Status(), PacketAssembler::State::BadLength);
        EXPECT_TRUE(assembler.Space().empty() && assembler.Packet().empty());
    }
}

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
