// A host that no peer can stall: a suspended player among chatting ones, more than a hundred busy
// connections, hundreds of idle ones, a sender that bursts and closes, and, from the client's side, a
// host that stops reading. Beside each runs a canary player whose requests and relayed texts must come
// back within a second throughout. Peers are copies of this test program (tests/net/peer.h); the
// time-outs are shortened so the tests take seconds, not minutes.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <map>

#include "net/message.h"
#include "net/net.h"
#include "net/nl.h"
#include "net/session.h"
#include "tests/net/peer.h"

using namespace tarvok;
using Clock = std::chrono::steady_clock;

namespace {

double MsSince(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

// Sanitizer builds run several times slower; their time bounds are wider.
#if defined(__SANITIZE_ADDRESS__)
constexpr double kSlow = 3;
#else
constexpr double kSlow = 1;
#endif

// ---- Raw players: connections that speak the wire format directly ----

NLsocket RawConnect(int port) {
    nlInit();
    nlSelectNetwork(NL_IP);
    const NLsocket s = nlOpen(0, NL_TCP_PACKETS);
    NLaddress a;
    return nlStringToAddr(("127.0.0.1:" + std::to_string(port)).c_str(), &a) && nlConnect(s, &a) ? s
                                                                                                 : NL_INVALID;
}

bool RawSend(NLsocket s, const NetMessage& m) {
    const std::vector<std::uint8_t> b = EncodeMessage(m);
    return nlWrite(s, b.data(), static_cast<NLint>(b.size())) == static_cast<NLint>(b.size());
}

// Reads what waits: texts counted, a PlayerCreated id kept; false when the connection ended.
bool RawDrain(NLsocket s, int& texts, std::uint32_t* created = nullptr) {
    std::uint8_t buffer[kMaxMessageBytes];
    for (NLint n; (n = nlRead(s, buffer, sizeof buffer)) != 0;) {
        if (n < 0) return false;
        const ParsedMessage p = ParseMessage(std::span(buffer, static_cast<std::size_t>(n)));
        if (p.message.type == static_cast<std::uint8_t>(MessageType::TextMessage)) ++texts;
        if (created && p.message.type == static_cast<std::uint8_t>(MessageType::PlayerCreated))
            *created = p.message.target;
    }
    return true;
}

// Registers a player on a raw connection: its id, 0 when none came within 5 seconds.
std::uint32_t RawRegister(NLsocket s, const std::string& name) {
    RawSend(s, MakeMessage(MessageType::CreatePlayer, 0, 0, CreatePlayerPayload(-1, -1, 0, 0, name)));
    std::uint32_t id = 0;
    int texts = 0;
    Eventually([&] { return !RawDrain(s, texts, &id) || id != 0; }, 5000);
    return id;
}

// ---- Peer commands ----

// canary MS: a player that asks the host for the player count and sends a text to itself every 100 ms;
// "<slowest request ms> <slowest relay ms> <failures>".
std::string Canary(int ms) {
    const RtString id = NetCreatePlayer("canary");
    if (TextToNumber(id) < 0) return "no player";
    double slowestRequest = 0, slowestRelay = 0;
    int failures = 0;
    for (const auto end = Clock::now() + std::chrono::milliseconds(ms); Clock::now() < end;) {
        while (NetNextText(id).Length() > 0) {
        }
        auto start = Clock::now();
        failures += NetPlayerCount() == 0 ? 1 : 0;
        slowestRequest = std::max(slowestRequest, MsSince(start));
        const std::string mark = "canary-" + std::to_string(Clock::now().time_since_epoch().count());
        start = Clock::now();
        bool back = NetSendText(id, id, mark.c_str()) == 1;
        back = back && Eventually(
                           [&] {
                               for (RtString t = NetNextText(id); t.Length() > 0; t = NetNextText(id))
                                   if (mark == t.CText()) return true;
                               return false;
                           },
                           3000);
        failures += back ? 0 : 1;
        slowestRelay = std::max(slowestRelay, MsSince(start));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return std::to_string(int(slowestRequest)) + " " + std::to_string(int(slowestRelay)) + " " +
           std::to_string(failures);
}

// chat ID MS RATE SIZE: broadcasts numbered texts of SIZE bytes at RATE a second for MS, reading all the
// while and a second longer; "sent:N|SENDER:COUNT|..." with -1 as the count of a sender out of order.
std::string Chat(const std::string& id, int ms, int rate, int size) {
    std::map<std::string, int> next;
    auto drain = [&] {
        for (RtString t = NetNextText(id.c_str()); t.Length() > 0; t = NetNextText(id.c_str())) {
            const std::vector<std::string> parts = Split(t.CText(), '-');
            const std::string sender = NetLastSender().CText();
            int& n = next[sender];
            n = parts.size() >= 2 && n >= 0 && std::atoi(parts[1].c_str()) == n ? n + 1 : -1;
        }
    };
    int sent = 0;
    const auto start = Clock::now();
    for (const auto end = start + std::chrono::milliseconds(ms); Clock::now() < end;) {
        const auto due = start + std::chrono::microseconds(1000000LL * sent / rate);
        if (Clock::now() >= due) {
            std::string text = id + "-" + std::to_string(sent) + "-";
            text.resize(static_cast<std::size_t>(size), 'x');
            sent += NetSendText(id.c_str(), "0", text.c_str()) == 1 ? 1 : 0;
        }
        drain();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    for (const auto end = Clock::now() + std::chrono::milliseconds(1000); Clock::now() < end;) {
        drain();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::string out = "sent:" + std::to_string(sent);
    for (const auto& [sender, count] : next) out += "|" + sender + ":" + std::to_string(count);
    return out;
}

// busy PORT N MS: N registered raw players that each keep up to 4 texts to themselves in flight for MS;
// "<fewest texts back on one connection> <connections that ended>".
std::string Busy(int port, int count, int ms) {
    std::vector<NLsocket> sockets;
    std::vector<std::uint32_t> ids;
    for (int i = 0; i < count; ++i) {
        sockets.push_back(RawConnect(port));
        ids.push_back(RawRegister(sockets.back(), "busy" + std::to_string(i)));
        if (ids.back() == 0) return "registration failed";
    }
    Reply("registered");
    std::vector<int> back(sockets.size()), sent(sockets.size());
    int ended = 0;
    for (const auto end = Clock::now() + std::chrono::milliseconds(ms); Clock::now() < end;) {
        for (std::size_t i = 0; i < sockets.size(); ++i) {
            if (sockets[i] == NL_INVALID) continue;
            if (!RawDrain(sockets[i], back[i])) {
                ++ended;
                sockets[i] = NL_INVALID;
                continue;
            }
            while (sent[i] - back[i] < 4 &&
                   RawSend(sockets[i], MakeMessage(MessageType::TextMessage, ids[i], ids[i], "busy")))
                ++sent[i];
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return std::to_string(*std::min_element(back.begin(), back.end())) + " " + std::to_string(ended);
}

// idle PORT N MS: N connections that never register; "opened N", then after MS "<connections closed by
// the host>".
std::string Idle(int port, int count, int ms) {
    std::vector<NLsocket> sockets;
    for (int i = 0; i < count; ++i) sockets.push_back(RawConnect(port));
    Reply("opened " +
          std::to_string(std::count(sockets.begin(), sockets.end(), NL_INVALID) == 0 ? count : 0));
    int closed = 0, texts = 0;
    for (const auto end = Clock::now() + std::chrono::milliseconds(ms);
         Clock::now() < end && closed < count;) {
        for (NLsocket& s : sockets) {
            if (s != NL_INVALID && !RawDrain(s, texts)) {
                ++closed;
                s = NL_INVALID;
            }
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return std::to_string(closed);
}

// burst PORT N: a raw player that broadcasts N texts as fast as it can and closes; "sent N".
std::string Burst(int port, int count) {
    const NLsocket s = RawConnect(port);
    const std::uint32_t id = RawRegister(s, "burst");
    if (id == 0) return "registration failed";
    int sent = 0;
    while (sent < count &&
           RawSend(s, MakeMessage(MessageType::TextMessage, kAllPlayers, id, "burst burst burs")))
        ++sent;
    nlClose(s);
    return "sent " + std::to_string(sent);
}

// The time-outs shortened for a test (set before hosting or joining).
void ShortTimeouts(int noPlayerMs, int stallMs) {
    NetTimeoutSettings().noPlayerMs = noPlayerMs;
    NetTimeoutSettings().stallMs = stallMs;
}

class NetResilienceTest : public testing::Test {
protected:
    void SetUp() override {
        ShortTimeouts(1500, 2000);
        InitNetwork();
        ASSERT_EQ(NetHostGame(std::to_string(port_).c_str()), 1);
    }
    void TearDown() override {
        ShutdownNetwork();
        NetTimeoutSettings() = {};
    }
    // Starts a peer that joins this host.
    void Join(ChildProcess& peer) {
        ASSERT_TRUE(StartPeer(peer));
        ASSERT_EQ(peer.Command("join 127.0.0.1 " + std::to_string(port_)), "1");
    }
    // Starts the canary for ms; CheckCanary reads its verdict.
    void StartCanary(int ms) {
        Join(canary_);
        canary_.WriteLine("canary " + std::to_string(ms));
    }
    void CheckCanary(int ms) {
        const std::optional<std::string> verdict = canary_.ReadLine(ms + 20000, true);
        ASSERT_TRUE(verdict);
        const std::vector<std::string> v = Split(*verdict, ' ');
        ASSERT_EQ(v.size(), 3u) << *verdict;
        std::printf("canary: slowest request %s ms, slowest relay %s ms\n", v[0].c_str(), v[1].c_str());
        EXPECT_LT(std::stoi(v[0]), 1000 * kSlow) << "slowest request (ms)";
        EXPECT_LT(std::stoi(v[1]), 1000 * kSlow) << "slowest relay (ms)";
        EXPECT_EQ(v[2], "0") << "unanswered requests or lost texts";
    }

    const int port_ = FreeLoopbackPort();
    ChildProcess canary_;
};

}  // namespace

std::string LoadCommand(const std::string& line) {
    std::istringstream in(line);
    std::string cmd, a;
    int n1 = 0, n2 = 0, n3 = 0;
    in >> cmd >> a >> n1 >> n2 >> n3;
    if (cmd == "canary") return Canary(std::atoi(a.c_str()));
    if (cmd == "chat") return Chat(a, n1, n2, n3);
    if (cmd == "busy") return Busy(std::atoi(a.c_str()), n1, n2);
    if (cmd == "idle") return Idle(std::atoi(a.c_str()), n1, n2);
    if (cmd == "burst") return Burst(std::atoi(a.c_str()), n1);
    if (cmd == "host") return NetHostGame(a.c_str()) == 1 ? "1" : "0";
    return "unknown";
}

TEST_F(NetResilienceTest, ASuspendedPlayerAmongSixChattingStallsNobody) {
    constexpr int kChatMs = 10000;
    StartCanary(kChatMs + 2000);
    ChildProcess chatters[6];
    std::string ids[6];
    for (int i = 0; i < 6; ++i) {
        Join(chatters[i]);
        ids[i] = chatters[i].Command("create chatter" + std::to_string(i));
    }
    // 300 texts of 1000 bytes a second from each: the suspended player's buffers fill within seconds.
    for (int i = 0; i < 6; ++i)
        chatters[i].WriteLine("chat " + ids[i] + " " + std::to_string(kChatMs) + " 300 1000");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    chatters[5].Stop();
    EXPECT_TRUE(Eventually([] { return NetPlayerCount() == 6; }, kChatMs))
        << "the suspended player is dropped";

    // Every active chatter got every text of every other active one, in order.
    std::map<std::string, int> report[5];
    for (int i = 0; i < 5; ++i) {
        const std::optional<std::string> line = chatters[i].ReadLine(kChatMs + 20000, true);
        ASSERT_TRUE(line);
        for (const std::string& field : Split(*line))
            report[i][field.substr(0, field.find(':'))] = std::stoi(field.substr(field.find(':') + 1));
        EXPECT_GT(report[i]["sent"], 300 * kChatMs / 1000 / 2) << "chatter " << i << " was held up";
    }
    for (int i = 0; i < 5; ++i) {
        for (int j = 0; j < 5; ++j) {
            if (j == i) continue;
            EXPECT_EQ(report[i][ids[j]], report[j]["sent"]) << ids[j] << "'s texts at " << ids[i];
        }
    }
    CheckCanary(kChatMs + 2000);
    chatters[5].Continue();
}

TEST_F(NetResilienceTest, MoreThanAHundredBusyConnectionsLeaveRoomForALatePlayer) {
    constexpr int kBusyMs = 5000;
    StartCanary(kBusyMs);
    ChildProcess busy, late;
    ASSERT_TRUE(StartPeer(busy));
    busy.WriteLine("busy " + std::to_string(port_) + " 110 " + std::to_string(kBusyMs));
    ASSERT_EQ(busy.ReadLine(20000, true), "registered");
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    const auto start = Clock::now();
    Join(late);
    EXPECT_NE(late.Command("create late"), "-1");
    EXPECT_EQ(late.Command("count"), "112");  // the busy players, the canary and the late one
    EXPECT_LT(MsSince(start), 1000 * kSlow);
    const std::vector<std::string> result = Split(busy.ReadLine(kBusyMs + 20000, true).value_or(""), ' ');
    ASSERT_EQ(result.size(), 2u);
    EXPECT_GT(std::stoi(result[0]), 10) << "fewest texts back on one busy connection";
    EXPECT_EQ(result[1], "0") << "busy connections ended";
    CheckCanary(kBusyMs);
}

TEST_F(NetResilienceTest, FiveHundredIdleConnectionsLockOutNoJoin) {
    constexpr int kIdleMs = 4000;
    StartCanary(kIdleMs);
    ChildProcess idle, late;
    ASSERT_TRUE(StartPeer(idle));
    idle.WriteLine("idle " + std::to_string(port_) + " 500 " + std::to_string(kIdleMs));
    ASSERT_EQ(idle.ReadLine(20000, true), "opened 500");
    const auto start = Clock::now();
    Join(late);
    EXPECT_NE(late.Command("create late"), "-1");
    EXPECT_LT(MsSince(start), 1000 * kSlow);
    // The host closes each idle connection: to make room, or once it has gone 1.5 s without a player.
    EXPECT_EQ(idle.ReadLine(kIdleMs + 20000, true), "500");
    EXPECT_EQ(NetPlayerCount(), 2);
    CheckCanary(kIdleMs);
}

TEST_F(NetResilienceTest, ASenderThatBurstsAndClosesIsForgottenAtOnce) {
    constexpr int kCanaryMs = 4000;
    StartCanary(kCanaryMs);
    ChildProcess burst;
    ASSERT_TRUE(StartPeer(burst));
    EXPECT_EQ(burst.Command("burst " + std::to_string(port_) + " 20000"), "sent 20000");
    // Its player goes with its connection; what it sent and was not relayed yet is dropped.
    const auto closed = Clock::now();
    EXPECT_TRUE(Eventually([] { return NetPlayerCount() == 1; }, 5000));
    EXPECT_LT(MsSince(closed), 1000 * kSlow);
    CheckCanary(kCanaryMs);
}

TEST(NetClientResilience, AHostThatStopsReadingEndsTheSessionAndANewJoinWorks) {
    NetTimeoutSettings().stallMs = 1000;
    InitNetwork();
    ChildProcess fakeHost, realHost;
    const std::string port = std::to_string(FreeLoopbackPort());
    ASSERT_TRUE(StartPeer(fakeHost));
    ASSERT_EQ(fakeHost.Command("fakehost " + port + " silent"), "listening");
    ASSERT_EQ(NetJoinGame("127.0.0.1", port.c_str()), 1);
    const RtString me = NetCreatePlayer("me");
    ASSERT_STREQ(me.CText(), "202");

    // Texts queue for the worker; no send waits, and once the host has taken nothing for the stall
    // time (or the queue overflowed) the connection is gone, as if the host had vanished.
    const std::string text(1000, 'z');
    std::vector<double> took;
    const auto start = Clock::now();
    for (int i = 0; i < 200000 && MsSince(start) < 15000; ++i) {
        const auto call = Clock::now();
        const double sent = NetSendText(me, "0", text.c_str());
        took.push_back(MsSince(call));
        if (sent == 0) break;
    }
    ASSERT_LT(MsSince(start), 15000) << "the connection was never given up";
    std::sort(took.begin(), took.end());
    EXPECT_LT(took[took.size() * 99 / 100], 1.0 * kSlow) << "99th percentile of a send (ms)";
    EXPECT_LT(took.back(), 50 * kSlow) << "slowest send (ms)";
    EXPECT_EQ(NetSendText(me, "0", "after"), 0);

    // A new game can be joined.
    const std::string port2 = std::to_string(FreeLoopbackPort());
    ASSERT_TRUE(StartPeer(realHost));
    ASSERT_EQ(realHost.Command("host " + port2), "1");
    EXPECT_EQ(NetJoinGame("127.0.0.1", port2.c_str()), 1);
    EXPECT_STREQ(NetCreatePlayer("again").CText(), "102");
    EXPECT_EQ(NetPlayerCount(), 1);
    ShutdownNetwork();
    NetTimeoutSettings() = {};
}
