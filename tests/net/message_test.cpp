// The message format byte by byte, the checks on what a peer sends, and the packet framing underneath.
#include "net/message.h"

#include <gtest/gtest.h>

#include "net/packet_framing.h"

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

}  // namespace

TEST(NetMessage, EveryTypeHasTheDocumentedLayoutAndReadsAreCheckedBeforeUse) {
    const Bytes zero = {0, 0, 0, 0}, four = {4, 0, 0, 0}, id101 = {101, 0, 0, 0};
    Bytes record(152, 0);  // CreatePlayer: socket -1, id -1, flags 0 and 1, the name at offset 10
    std::fill_n(record.begin(), 8, 0xFF);
    record[9] = 1;
    std::copy_n("Ann", 3, record.begin() + 10);
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
