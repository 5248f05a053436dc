// Game sessions over the loopback address: this process hosts or joins, other sessions run in child
// processes (one session per program). Every wait is bounded.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <sstream>
#include <thread>

#include "net/message.h"
#include "net/net.h"
#include "net/nl.h"
#include "net/packet_framing.h"
#include "runtime/engine_globals.h"
#include "tests/net/child_process.h"

using namespace tarvok;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

namespace {

class NetSessionTest : public testing::Test {
protected:
    void SetUp() override {
        InitNetwork();
        port_ = std::to_string(FreeLoopbackPort());
    }
    void TearDown() override { ShutdownNetwork(); }

    std::string port_;
};

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

std::vector<std::string> Split(const std::string& text, char sep) {
    std::vector<std::string> parts;
    std::stringstream in(text);
    for (std::string part; std::getline(in, part, sep);) parts.push_back(part);
    return parts;
}

// Polls a condition every 20 ms for at most ms milliseconds.
template <typename F>
bool Eventually(F condition, int ms) {
    for (int waited = 0; waited <= ms; waited += 20) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

// Collects count texts of a local player of this process within ms: "sender:text" entries.
std::vector<std::string> CollectHere(const char* id, std::size_t count, int ms) {
    std::vector<std::string> got;
    Eventually(
        [&] {
            for (RtString t = NetNextText(id); t.Length() > 0; t = NetNextText(id)) {
                got.push_back(std::string(NetLastSender().CText()) + ":" + t.CText());
            }
            return got.size() >= count;
        },
        ms);
    return got;
}

// Checks that the texts of each sender arrived complete and in the order sent ("<sender>-<n>").
void ExpectInOrder(const std::vector<std::string>& entries, const std::vector<std::string>& senders,
                   int perSender, const std::string& self) {
    std::map<std::string, int> next;
    for (const std::string& e : entries) {
        const std::string sender = e.substr(0, e.find(':'));
        const std::string text = e.substr(e.find(':') + 1);
        EXPECT_NE(sender, self) << "a broadcast came back to its sender";
        EXPECT_EQ(text, sender + "-" + std::to_string(next[sender]++)) << "at " << self;
    }
    for (const std::string& s : senders) {
        if (s != self) {
            EXPECT_EQ(next[s], perSender) << s << " at " << self;
        }
    }
}

// A raw TCP connection to a host that writes whatever bytes a test wants.
class RawPeer {
public:
    bool Connect(const std::string& port) {
        socket_ = nlOpen(0, NL_TCP);
        NLaddress a;
        return socket_ != NL_INVALID && nlStringToAddr(("127.0.0.1:" + port).c_str(), &a) &&
               nlConnect(socket_, &a);
    }
    bool Send(const Bytes& bytes) {
        return nlWrite(socket_, bytes.data(), static_cast<NLint>(bytes.size())) ==
               static_cast<NLint>(bytes.size());
    }
    bool SendPacket(const Bytes& packet) { return Send(FramePacket(packet)); }
    // The next packet from the host within ms; nothing on timeout or end.
    std::optional<Bytes> ReadPacket(int ms) {
        std::optional<Bytes> packet;
        Eventually(
            [&] {
                for (;;) {
                    const auto space = assembler_.Space();
                    if (space.empty()) break;
                    const NLint n = nlRead(socket_, space.data(), static_cast<NLint>(space.size()));
                    if (n <= 0) break;
                    assembler_.Commit(static_cast<std::size_t>(n));
                }
                if (assembler_.Status() != PacketAssembler::State::Ready) return false;
                packet = Bytes(assembler_.Packet().begin(), assembler_.Packet().end());
                assembler_.Consume();
                return true;
            },
            ms);
        return packet;
    }
    // Whether the host ends the connection within ms (bytes still arriving are read and dropped).
    bool ClosedWithin(int ms) {
        return Eventually(
            [&] {
                std::uint8_t buf[2048];
                NLint n;
                while ((n = nlRead(socket_, buf, sizeof buf)) > 0) {
                }
                return n < 0 && nlGetError() == NL_CONNECTION_CLOSED;
            },
            ms);
    }

private:
    NLsocket socket_ = NL_INVALID;
    PacketAssembler assembler_{NL_MAX_PACKET_LENGTH};
};

Bytes Encode(MessageType type, std::uint32_t target, std::uint32_t source, std::string payload = {}) {
    return EncodeMessage(MakeMessage(type, target, source, std::move(payload)));
}

}  // namespace

TEST_F(NetSessionTest, HostAndThreeClientsRelayInOrderAndSurviveDrops) {
    ASSERT_EQ(NetHostGame(port_.c_str()), 1);
    EXPECT_STREQ(NetCreatePlayer("host").CText(), "101");

    // Each client's join registers a hidden requester record first, then its named player.
    ChildProcess clients[3];
    const std::vector<std::string> names = {"host", "c0", "c1", "c2"};
    std::vector<std::string> ids = {"101"};
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(StartPeer(clients[i]));
        ASSERT_EQ(clients[i].Command("join 127.0.0.1 " + port_), "1");
        ids.push_back(clients[i].Command("create c" + std::to_string(i)));
        EXPECT_EQ(ids.back(), std::to_string(103 + 2 * i));
    }
    EXPECT_EQ(NetPlayerCount(), 4);  // the hidden records are not counted
    for (int i = 0; i < 4; ++i) EXPECT_EQ(NetPlayerIdAt(i).CText(), ids[static_cast<std::size_t>(i)]);
    EXPECT_STREQ(NetPlayerIdAt(4).CText(), "0");
    EXPECT_STREQ(NetPlayerName("105").CText(), "c1");
    EXPECT_EQ(clients[2].Command("name 101"), "host");

    // Everyone broadcasts 20 numbered texts at once; everyone else gets all of them, in order.
    constexpr int kTexts = 20;
    for (int i = 0; i < 3; ++i) {
        std::string script;
        for (int n = 0; n < kTexts; ++n) {
            clients[i].WriteLine("send " + ids[static_cast<std::size_t>(i + 1)] + " 0 " +
                                 ids[static_cast<std::size_t>(i + 1)] + "-" + std::to_string(n));
        }
    }
    for (int n = 0; n < kTexts; ++n)
        EXPECT_EQ(NetSendText("101", "0", ("101-" + std::to_string(n)).c_str()), 1);
    for (int i = 0; i < 3; ++i) {
        for (int n = 0; n < kTexts; ++n) EXPECT_EQ(clients[i].ReadReply(10000), "1");
    }
    ExpectInOrder(CollectHere("101", 3 * kTexts, 10000), ids, kTexts, "101");
    for (int i = 0; i < 3; ++i) {
        const std::string& id = ids[static_cast<std::size_t>(i + 1)];
        ExpectInOrder(
            Split(clients[i].Command("collect " + id + " " + std::to_string(3 * kTexts) + " 10000"), '|'),
            ids, kTexts, id);
    }

    // A direct text reaches its target only; a payload of exactly 1024 bytes arrives whole.
    const std::string big(1024, 'B');
    EXPECT_EQ(clients[0].Command("send 103 105 " + big), "1");
    EXPECT_EQ(clients[1].Command("collect 105 1 5000"), "103:" + big);
    EXPECT_EQ(NetSendText("101", "103", std::string(1025, 'x').c_str()), 0);  // too long to send
    EXPECT_EQ(clients[0].Command("send 103 0 after-direct"), "1");
    EXPECT_EQ(CollectHere("101", 1, 5000), std::vector<std::string>{"103:after-direct"});

    // A client vanishes without a word: the host forgets its players; the others keep working.
    clients[2].WriteLine("vanish");
    EXPECT_EQ(clients[2].Wait(5000), 0);
    EXPECT_TRUE(Eventually([] { return NetPlayerCount() == 3; }, 3000));
    EXPECT_EQ(clients[0].Command("count"), "3");
    EXPECT_EQ(clients[1].Command("send 105 0 still-here"), "1");
    EXPECT_EQ(clients[0].Command("collect 103 1 5000"), "105:still-here");
    EXPECT_EQ(CollectHere("101", 1, 5000), std::vector<std::string>{"105:still-here"});

    // The host ends: the clients' connections close, their sends fail, their requests time out.
    ShutdownNetwork();
    InitNetwork();
    const auto start = Clock::now();
    clients[0].WriteLine("count");
    clients[1].WriteLine("name 103");
    EXPECT_EQ(clients[0].ReadReply(10000), "0");
    EXPECT_EQ(clients[1].ReadReply(10000), "NO_DATA");
    const double took = Seconds(start);
    EXPECT_GT(took, 4.5);  // 250 polls of 20 ms...
    EXPECT_LT(took, 7.0);  // ...and not longer
    EXPECT_EQ(clients[0].Command("send 103 0 anyone"), "0");
    for (auto& c : clients) c.Kill();
}

TEST_F(NetSessionTest, ShutdownSaysGoodbyeForEachLocalPlayerAndStopsTheWorker) {
    ChildProcess fakeHost;
    ASSERT_TRUE(StartPeer(fakeHost));
    ASSERT_EQ(fakeHost.Command("fakehost " + port_), "listening");
    ASSERT_EQ(NetJoinGame("", port_.c_str()), 1);  // an empty address is this machine
    EXPECT_STREQ(NetCreatePlayer("a").CText(), "202");
    EXPECT_STREQ(NetCreatePlayer("b").CText(), "203");

    const auto start = Clock::now();
    ShutdownNetwork();
    EXPECT_LT(Seconds(start), 1.0);
    EXPECT_EQ(g_engine.network, nullptr);

    std::vector<std::string> seen;
    for (std::optional<std::string> r; (r = fakeHost.ReadReply(5000)) && *r != "closed";) seen.push_back(*r);
    const std::vector<std::string> expected = {
        "msg 1 0 0",   "msg 104 0 201",                 // the join: hidden record, then the ping
        "msg 1 0 0",   "msg 1 0 0",                     // players a and b
        "msg 4 0 201", "msg 4 0 202",   "msg 4 0 203",  // one RemovePlayer per local player
    };
    EXPECT_EQ(seen, expected);
    InitNetwork();
}

TEST_F(NetSessionTest, HostDropsBadPeersAndKeepsServingTheRest) {
    ASSERT_EQ(NetHostGame(port_.c_str()), 1);
    EXPECT_STREQ(NetCreatePlayer("host").CText(), "101");

    // A wrong magic is ignored and the connection stays: the same peer then registers normally.
    RawPeer good;
    ASSERT_TRUE(good.Connect(port_));
    Bytes wrong = Encode(MessageType::Ping, 0, 0);
    wrong[0] = 'X';
    ASSERT_TRUE(good.SendPacket(wrong));
    ASSERT_TRUE(good.SendPacket({'T', 'V'}));  // shorter than a header: ignored too
    ASSERT_TRUE(
        good.SendPacket(Encode(MessageType::CreatePlayer, 0, 0, CreatePlayerPayload(-1, -1, 0, 0, "raw"))));
    EXPECT_EQ(good.ReadPacket(3000), Encode(MessageType::PlayerCreated, 102, 0));

    // Length fields that disagree with the message, and packet lengths that cannot be, cut the sender off.
    auto lengthField = [](Bytes m, std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            m[static_cast<std::size_t>(5 + i)] = static_cast<std::uint8_t>(v >> (8 * i));
        return m;
    };
    const Bytes text = Encode(MessageType::TextMessage, 101, 102, "hello");
    const std::vector<Bytes> cutOff = {
        FramePacket(lengthField(text, 0)),           // length 0, yet a payload follows
        FramePacket(lengthField(text, 0x80000000)),  // 2 GB
        FramePacket(lengthField(text, 100)),         // past the end of what came
        Bytes{0, 0, 0, 0},                           // an empty packet
        Bytes{0, 0, 0, 0x80},                        // a 2 GB packet
        Bytes{0, 0, 0x10, 0},                        // a 1 MB packet (a 1 MB name, say)
    };
    for (const Bytes& bytes : cutOff) {
        RawPeer bad;
        ASSERT_TRUE(bad.Connect(port_));
        ASSERT_TRUE(bad.Send(bytes));
        EXPECT_TRUE(bad.ClosedWithin(3000));
    }

    // Half a header, then silence: nothing waits on it.
    RawPeer half;
    ASSERT_TRUE(half.Connect(port_));
    ASSERT_TRUE(half.Send({17, 0, 0, 0, 'T', 'V', 'K', 'N', 3}));
    auto start = Clock::now();
    EXPECT_EQ(NetPlayerCount(), 2);
    EXPECT_LT(Seconds(start), 1.0);

    // 10,000 messages in one burst: the host keeps answering at once and stays within its bounds.
    Bytes burst;
    for (int i = 0; i < 10000; ++i) {
        const Bytes frame =
            FramePacket(Encode(MessageType::TextMessage, 101, 102, "flood " + std::to_string(i)));
        burst.insert(burst.end(), frame.begin(), frame.end());
    }
    ASSERT_TRUE(good.Send(burst));
    start = Clock::now();
    EXPECT_EQ(NetPlayerCount(), 2);
    EXPECT_STREQ(NetPlayerName("102").CText(), "raw");
    EXPECT_LT(Seconds(start), 1.0);
    EXPECT_TRUE(Eventually([] { return NetNextText("101").Length() > 0; }, 2000));

    // A name of 1 MB from the game keeps its first 127 characters.
    const std::string longName(1 << 20, 'n');
    const RtString id = NetCreatePlayer(longName.c_str());
    EXPECT_STREQ(id.CText(), "104");  // 103 is this program's hidden requester record
    EXPECT_EQ(std::string(NetPlayerName(id).CText()), std::string(127, 'n'));

    // The shutdown stays prompt with the backlog still waiting.
    start = Clock::now();
    ShutdownNetwork();
    EXPECT_LT(Seconds(start), 1.0);
    InitNetwork();
}

TEST_F(NetSessionTest, CommandsOutsideASessionAndPortRules) {
    // Without a session nothing waits: the failure results at once.
    auto start = Clock::now();
    EXPECT_EQ(NetPlayerCount(), 0);
    EXPECT_STREQ(NetPlayerName("101").CText(), "NO_DATA");
    EXPECT_STREQ(NetPlayerIdAt(0).CText(), "-1");
    EXPECT_STREQ(NetCreatePlayer("x").CText(), "-1");
    EXPECT_EQ(NetSendText("1", "0", "x"), 0);
    EXPECT_EQ(NetRemovePlayer("101"), 1);
    EXPECT_STREQ(NetNextText("101").CText(), "");
    EXPECT_STREQ(NetLastSender().CText(), "0");
    EXPECT_LT(Seconds(start), 0.5);

    // Joining where no one listens, or at a port outside the range, fails; "0" means 26000.
    EXPECT_EQ(NetJoinGame("127.0.0.1", port_.c_str()), 0);
    EXPECT_EQ(NetHostGame("70000"), 0);
    EXPECT_EQ(NetJoinGame("not an address", port_.c_str()), 0);
    if (NetHostGame("0") == 1) {
        RawPeer peer;
        EXPECT_TRUE(peer.Connect("26000"));
        EXPECT_STREQ(NetNextText("12345").CText(), "");  // not a local player
    } else {
        GTEST_LOG_(INFO) << "port 26000 is in use here; its default is not checked";
    }

    // The machine's addresses include the loopback address, joined by "|".
    const std::vector<std::string> addresses = Split(NetLocalAddresses().CText(), '|');
    EXPECT_NE(std::find(addresses.begin(), addresses.end(), "127.0.0.1"), addresses.end());
}

TEST_F(NetSessionTest, ARestartedSessionStartsAfresh) {
    ASSERT_EQ(NetHostGame(port_.c_str()), 1);
    EXPECT_STREQ(NetCreatePlayer("first").CText(), "101");
    const std::string other = std::to_string(FreeLoopbackPort());
    ASSERT_EQ(NetHostGame(other.c_str()), 1);  // stops the old session, ids start again at 101
    EXPECT_STREQ(NetCreatePlayer("second").CText(), "101");
    EXPECT_EQ(NetPlayerCount(), 1);
    RawPeer old;
    EXPECT_FALSE(old.Connect(port_));  // the first game no longer listens
}
