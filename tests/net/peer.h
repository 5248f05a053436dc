// Helpers of the multi-process network tests: copies of the test program started as peers that run
// one command per line of their standard input and answer each with a line "@ <answer>".
#pragma once

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/net/child_process.h"

// Polls a condition every 10 ms for at most ms milliseconds.
template <typename F>
bool Eventually(F condition, int ms) {
    for (const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms); !condition();) {
        if (std::chrono::steady_clock::now() > end) return false;
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

// This test program started as a peer that runs the commands of NetPeer.DISABLED_RunCommands.
inline bool StartPeer(ChildProcess& child) {
    setenv("TARVOK_NET_PEER", "1", 1);
    return child.Start(
        {"/proc/self/exe", "--gtest_filter=NetPeer.DISABLED_RunCommands", "--gtest_also_run_disabled_tests"});
}

// The peer commands that load a host or watch it (resilience_test.cpp); "unknown" for any other line.
std::string LoadCommand(const std::string& line);
