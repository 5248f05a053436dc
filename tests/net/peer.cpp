// The peer side of the multi-process network tests: one game session per copy of the test program,
// driven by commands on its standard input, and the loads that try to stall a host.
#include <gtest/gtest.h>
#include <poll.h>

#include <algorithm>
#include <functional>
#include <iostream>
#include <map>

#include "net/net.h"
#include "net/session.h"
#include "tests/net/helpers.h"

using namespace tarvok;

namespace {

// Reads the packets that wait on a raw connection, counting them; false once it ended.
bool RawDrain(NLsocket s, int& packets) {
    std::optional<Bytes> p;
    while ((p = NextPacket(s, 0)) && !p->empty()) ++packets;
    return p.has_value();
}

// fakehost PORT: a stand-in host that answers registrations (ids from 201) and pings, and reports every
// message it gets as "msg TYPE TARGET SOURCE", then "closed" when the connection ends.
void FakeHost(int port) {
    nlInit();
    nlSelectNetwork(NL_IP);
    const NLsocket listen = nlOpen(static_cast<NLushort>(port), NL_TCP_PACKETS);
    if (listen == NL_INVALID || !nlListen(listen)) return Reply("failed");
    Reply("listening");
    NLsocket client = NL_INVALID;
    Eventually([&] { return (client = nlAcceptConnection(listen)) != NL_INVALID; }, 10000);
    for (std::uint32_t nextId = 201;;) {
        const std::optional<Bytes> packet = NextPacket(client, 10000);
        if (!packet || packet->empty()) return Reply(packet ? "timeout" : "closed");
        const ParsedMessage p = ParseMessage(*packet);
        if (p.verdict != ReadVerdict::Valid) return Reply("bad");
        const NetMessage& m = p.message;
        Reply("msg " + std::to_string(m.type) + " " + std::to_string(m.target) + " " +
              std::to_string(m.source));
        if (m.type == static_cast<std::uint8_t>(MessageType::CreatePlayer))
            Send(client, Encode(MessageType::PlayerCreated, nextId++, 0));
        if (m.type == static_cast<std::uint8_t>(MessageType::Ping))
            Send(client, Encode(MessageType::Ping, m.source, 0, std::string("\x01\0\0\0", 4)));
    }
}

// canary MS: a player that, until a line arrives on standard input, asks the host for the player count
// and sends a text to itself every 100 ms; "failed:N slow:M", M the answers that took over MS.
std::string Canary(int ms) {
    const RtString id = NetCreatePlayer("canary");
    int failures = TextToNumber(id) < 0 ? 1 : 0, slow = 0;
    for (pollfd in{0, POLLIN, 0}; poll(&in, 1, 100) == 0;) {
        while (NetNextText(id).Length() > 0) {  // room in its bounded queue for the mark
        }
        auto start = Clock::now();
        failures += NetPlayerCount() == 0 ? 1 : 0;
        slow += MsSince(start) > ms ? 1 : 0;
        const std::string mark = "canary-" + std::to_string(start.time_since_epoch().count());
        auto markBack = [&] {
            for (RtString t = NetNextText(id); t.Length() > 0; t = NetNextText(id))
                if (mark == t.CText()) return true;
            return false;
        };
        start = Clock::now();
        failures += NetSendText(id, id, mark.c_str()) == 1 && Eventually(markBack, 3000) ? 0 : 1;
        slow += MsSince(start) > ms ? 1 : 0;
    }
    return "failed:" + std::to_string(failures) + " slow:" + std::to_string(slow);
}

// load PORT BUSY IDLE MS: BUSY raw players keeping 4 texts to themselves in flight, IDLE unregistered
// connections; "ready", after MS "<busy ones with at most 10 texts back> <busy ended> <idle closed>".
std::string Load(int port, std::size_t busy, std::size_t idle, int ms) {
    std::vector<NLsocket> sockets(busy + idle);
    std::vector<std::uint32_t> ids(busy);
    for (std::size_t i = 0; i < sockets.size(); ++i) {
        if (i < busy ? (ids[i] = Register(sockets[i] = ConnectTo(port))) == 0
                     : (sockets[i] = ConnectTo(port)) == NL_INVALID)
            return "failed";
    }
    Reply("ready");
    std::vector<int> back(sockets.size()), sent(sockets.size());
    int ended[2] = {0, 0};
    for (const auto end = Clock::now() + std::chrono::milliseconds(ms); Clock::now() < end;) {
        for (std::size_t i = 0; i < sockets.size(); ++i) {
            if (sockets[i] != NL_INVALID && !RawDrain(sockets[i], back[i])) {
                ++ended[i < busy ? 0 : 1];
                sockets[i] = NL_INVALID;
            }
            while (i < busy && sockets[i] != NL_INVALID && sent[i] - back[i] < 4 &&
                   Send(sockets[i], Encode(MessageType::TextMessage, ids[i], ids[i], "busy")))
                ++sent[i];
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const auto heldUp = std::count_if(back.begin(), back.begin() + long(busy), [](int n) { return n <= 10; });
    return std::to_string(heldUp) + " " + std::to_string(ended[0]) + " " + std::to_string(ended[1]);
}

}  // namespace

std::uint32_t Register(NLsocket s) {
    Send(s, Encode(MessageType::CreatePlayer, 0, 0, CreatePlayerPayload(-1, -1, 0, 0, "raw")));
    const std::optional<Bytes> created = NextPacket(s, 5000);
    return created && !created->empty() ? ParseMessage(*created).message.target : 0;
}

std::string NextText(const std::string& id, int ms) {
    std::string text;
    Eventually(
        [&] {
            const RtString t = NetNextText(id.c_str());
            if (t.Length() > 0) text = std::string(NetLastSender().CText()) + ":" + t.CText();
            return !text.empty();
        },
        ms);
    return text;
}

std::string Chat(const std::string& id, int ms, int rate, int size) {
    std::map<std::string, int> next;
    auto drain = [&] {
        for (RtString t = NetNextText(id.c_str()); t.Length() > 0; t = NetNextText(id.c_str())) {
            const std::vector<std::string> parts = Split(t.CText(), '-');
            int& n = next[NetLastSender().CText()];
            n = parts.size() >= 2 && n >= 0 && std::atoi(parts[1].c_str()) == n ? n + 1 : -1;
        }
        return false;
    };
    int sent = 0;
    const auto start = Clock::now();
    for (const auto end = start + std::chrono::milliseconds(ms); Clock::now() < end;) {
        if (Clock::now() >= start + std::chrono::microseconds(1000000LL * sent / rate)) {
            std::string text = id + "-" + std::to_string(sent) + "-";
            text.resize(static_cast<std::size_t>(size), 'x');
            sent += NetSendText(id.c_str(), "0", text.c_str()) == 1 ? 1 : 0;
        }
        drain();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    Eventually(drain, 1000);
    std::string out = "sent:" + std::to_string(sent);
    for (const auto& [sender, count] : next) out += "|" + sender + ":" + std::to_string(count);
    return out;
}

// The peer: one command per line on standard input, one "@ <answer>" line for each.
TEST(NetPeer, DISABLED_RunCommands) {
    if (!std::getenv("TARVOK_NET_PEER")) GTEST_SKIP() << "runs only as a child of the network tests";
    InitNetwork();
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    auto num = [](double v) { return std::string(RtString(v).CText()); };
    for (std::string line; std::getline(std::cin, line);) {
        std::string w[5];
        std::istringstream(line) >> w[0] >> w[1] >> w[2] >> w[3] >> w[4];
        const char *a = w[1].c_str(), *b = w[2].c_str();
        auto n = [&w](int i) { return std::atoi(w[i].c_str()); };
        const std::map<std::string, std::function<void()>> commands = {
            {"join", [&] { Reply(num(NetJoinGame(a, b))); }},  // join ADDRESS PORT
            {"host", [&] { Reply(num(NetHostGame(a))); }},
            {"create", [&] { Reply(NetCreatePlayer(a).CText()); }},
            {"count", [&] { Reply(num(NetPlayerCount())); }},
            {"name", [&] { Reply(NetPlayerName(a).CText()); }},
            {"send", [&] { Reply(num(NetSendText(a, b, w[3].c_str()))); }},  // send SOURCE TARGET TEXT
            {"next", [&] { Reply(NextText(w[1], 5000)); }},                  // next ID
            {"vanish", [] { _exit(0); }},  // gone without a word: no RemovePlayer, no orderly stop
            {"fakehost", [&] { FakeHost(n(1)); }},
            {"canary", [&] { Reply(Canary(n(1))); }},
            {"chat", [&] { Reply(Chat(w[1], n(2), n(3), n(4))); }},  // chat ID MS RATE SIZE
            {"load", [&] { Reply(Load(n(1), std::size_t(n(2)), std::size_t(n(3)), n(4))); }},
        };
        if (const auto it = commands.find(w[0]); it != commands.end()) it->second();
    }
    ShutdownNetwork();
}
