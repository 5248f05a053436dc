// Helpers of the multi-process network tests: copies of the test program started as peers that run one
// command per line of their standard input (peer.cpp) and answer each with a line "@ <answer>".
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "net/message.h"
#include "net/nl.h"
#include "tests/net/child_process.h"

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

inline double MsSince(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

// Polls a condition every 10 ms for at most ms milliseconds.
template <typename F>
bool Eventually(F condition, int ms) {
    for (const auto end = Clock::now() + std::chrono::milliseconds(ms); !condition();) {
        if (Clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

inline std::vector<std::string> Split(const std::string& text, char separator = '|') {
    std::vector<std::string> parts;
    std::stringstream in(text);
    for (std::string part; std::getline(in, part, separator);) parts.push_back(part);
    return parts;
}

// A peer's answer to its command.
inline void Reply(const std::string& text) {
    std::printf("@ %s\n", text.c_str());
    std::fflush(stdout);
}

inline bool StartPeer(ChildProcess& child) {
    setenv("TARVOK_NET_PEER", "1", 1);
    return child.Start(
        {"/proc/self/exe", "--gtest_filter=NetPeer.DISABLED_RunCommands", "--gtest_also_run_disabled_tests"});
}

// A raw loopback connection: NL_TCP_PACKETS frames every write, NL_TCP sends the bytes as they are.
inline NLsocket ConnectTo(int port, NLint type = NL_TCP_PACKETS) {
    nlInit();
    nlSelectNetwork(NL_IP);
    const NLsocket s = nlOpen(0, type);
    NLaddress a;
    return nlStringToAddr(("127.0.0.1:" + std::to_string(port)).c_str(), &a) && nlConnect(s, &a) ? s
                                                                                                 : NL_INVALID;
}

inline Bytes Encode(tarvok::MessageType type, std::uint32_t target, std::uint32_t source,
                    std::string payload = {}) {
    return tarvok::EncodeMessage(tarvok::MakeMessage(type, target, source, std::move(payload)));
}

inline bool Send(NLsocket s, const Bytes& b) {
    return nlWrite(s, b.data(), static_cast<NLint>(b.size())) == static_cast<NLint>(b.size());
}

// The next packet (or bytes) on a raw connection within ms: empty when none came, nothing once it ended.
inline std::optional<Bytes> NextPacket(NLsocket s, int ms) {
    Bytes b(tarvok::kMaxMessageBytes);
    NLint n = 0;
    Eventually([&] { return (n = nlRead(s, b.data(), static_cast<NLint>(b.size()))) != 0; }, ms);
    if (n < 0) return std::nullopt;
    b.resize(static_cast<std::size_t>(n));
    return b;
}

// A raw connection to port with a registered player; its id, 0 when none came within 5 seconds.
std::uint32_t RawPlayer(int port, NLsocket& s);
// The next text of a local player of this program within ms, "sender:text"; "" when none came.
std::string NextText(const std::string& id, int ms);
// Broadcasts texts "ID-N-" padded to SIZE bytes at RATE a second for MS, reading all the while and a
// second longer; "sent:N|SENDER:COUNT|..." with -1 as the count of a sender out of order.
std::string Chat(const std::string& id, int ms, int rate, int size);
