// A network peer driven line by line through standard input, so that one test can run several game
// sessions, each in its own process. Started by StartPeer; every answer is one line "@ <answer>".
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <thread>

#include "net/message.h"
#include "net/net.h"
#include "net/nl.h"
#include "net/packet_framing.h"

namespace {

void Reply(const std::string& text) {
    std::printf("@ %s\n", text.c_str());
    std::fflush(stdout);
}

std::string Num(double v) { return RtString(v).CText(); }

// Collects count texts of a local player within ms milliseconds: "sender:text" joined by "|".
std::string Collect(const RtString& id, int count, int ms) {
    std::string all;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (int got = 0; got < count && std::chrono::steady_clock::now() < deadline;) {
        const RtString text = NetNextText(id);
        if (text.Length() == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        if (got++ > 0) all += "|";
        all += std::string(NetLastSender().CText()) + ":" + text.CText();
    }
    return all;
}

// A stand-in host that answers registrations (ids from 201) and pings and reports every message it
// gets until the connection ends: "msg TYPE TARGET SOURCE", then "closed".
void FakeHost(int port) {
    nlInit();
    nlSelectNetwork(NL_IP);
    const NLsocket listen = nlOpen(static_cast<NLushort>(port), NL_TCP_PACKETS);
    if (listen == NL_INVALID || !nlListen(listen)) return Reply("failed");
    Reply("listening");
    NLsocket client = NL_INVALID;
    for (int i = 0; i < 1000 && client == NL_INVALID; ++i) {
        client = nlAcceptConnection(listen);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::uint32_t nextId = 201;
    std::uint8_t buffer[tarvok::kMaxMessageBytes];
    for (int i = 0; i < 3000 && client != NL_INVALID; ++i) {
        const NLint n = nlRead(client, buffer, sizeof buffer);
        if (n < 0) return Reply("closed");
        if (n == 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            continue;
        }
        const tarvok::ParsedMessage p = tarvok::ParseMessage(std::span(buffer, static_cast<std::size_t>(n)));
        if (p.verdict != tarvok::ReadVerdict::Valid) return Reply("bad");
        const tarvok::NetMessage& m = p.message;
        Reply("msg " + std::to_string(m.type) + " " + std::to_string(m.target) + " " +
              std::to_string(m.source));
        std::vector<std::uint8_t> answer;
        if (m.type == static_cast<std::uint8_t>(tarvok::MessageType::CreatePlayer)) {
            answer =
                tarvok::EncodeMessage(tarvok::MakeMessage(tarvok::MessageType::PlayerCreated, nextId++, 0));
        } else if (m.type == static_cast<std::uint8_t>(tarvok::MessageType::Ping)) {
            answer = tarvok::EncodeMessage(
                tarvok::MakeMessage(tarvok::MessageType::Ping, m.source, 0, std::string("\x01\0\0\0", 4)));
        }
        if (!answer.empty()) nlWrite(client, answer.data(), static_cast<NLint>(answer.size()));
    }
    Reply("timeout");
}

}  // namespace

TEST(NetPeer, DISABLED_RunCommands) {
    if (!std::getenv("TARVOK_NET_PEER")) GTEST_SKIP() << "runs only as a child of the network tests";
    InitNetwork();
    std::string line;
    while (std::getline(std::cin, line)) {
        std::istringstream in(line);
        std::string cmd, a, b;
        in >> cmd;
        auto rest = [&in] {
            std::string r;
            std::getline(in, r);
            return r.empty() ? r : r.substr(1);
        };
        if (cmd == "host") {
            in >> a;
            Reply(Num(NetHostGame(a.c_str())));
        } else if (cmd == "join") {
            in >> a >> b;
            Reply(Num(NetJoinGame(a == "-" ? "" : a.c_str(), b.c_str())));
        } else if (cmd == "create") {
            Reply(NetCreatePlayer(rest().c_str()).CText());
        } else if (cmd == "remove") {
            in >> a;
            Reply(Num(NetRemovePlayer(a.c_str())));
        } else if (cmd == "count") {
            Reply(Num(NetPlayerCount()));
        } else if (cmd == "idat") {
            in >> a;
            Reply(NetPlayerIdAt(std::atof(a.c_str())).CText());
        } else if (cmd == "name") {
            in >> a;
            Reply(NetPlayerName(a.c_str()).CText());
        } else if (cmd == "send") {
            in >> a >> b;
            Reply(Num(NetSendText(a.c_str(), b.c_str(), rest().c_str())));
        } else if (cmd == "collect") {
            int count = 0, ms = 0;
            in >> a >> count >> ms;
            Reply(Collect(a.c_str(), count, ms));
        } else if (cmd == "fakehost") {
            int port = 0;
            in >> port;
            FakeHost(port);
        } else if (cmd == "shutdown") {
            ShutdownNetwork();
            Reply("1");
        } else if (cmd == "vanish") {
            std::_Exit(0);  // gone without a word: no RemovePlayer, no orderly stop
        } else {
            Reply("?");
        }
    }
    ShutdownNetwork();
}
