// Helpers of the network tests: children (peers, which are copies of this test program, or Python
// servers) on pipes, every read bounded in time; raw loopback connections. A peer runs one command per
// line of its standard input (peer.cpp) and answers each with a line "@ <answer>".
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "net/message.h"
#include "net/nl.h"

extern char** environ;

class ChildProcess {
public:
    ~ChildProcess() { Kill(); }

    // Starts argv[0] (searched in PATH); false on failure.
    bool Start(const std::vector<std::string>& argv) {
        int toChild[2], fromChild[2];
        if (pipe2(toChild, O_CLOEXEC) != 0 || pipe2(fromChild, O_CLOEXEC) != 0) return false;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, toChild[0], 0);
        posix_spawn_file_actions_adddup2(&actions, fromChild[1], 1);
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        const int rc = posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(toChild[0]);
        close(fromChild[1]);
        in_ = toChild[1];
        out_ = fromChild[0];
        pid_ = rc == 0 ? pid_ : -1;
        return rc == 0;
    }
    void WriteLine(const std::string& line) {
        const std::string text = line + "\n";
        for (ssize_t done = 0, n = 0; done < ssize_t(text.size()); done += n) {
            if ((n = write(in_, text.data() + done, text.size() - std::size_t(done))) <= 0) return;
        }
    }
    // The next line of its output within timeoutMs; with reply set, the next line that starts with "@ ",
    // without that mark. Nothing on timeout or when its output ends.
    std::optional<std::string> ReadLine(int timeoutMs, bool reply = false) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            for (std::size_t nl; (nl = pending_.find('\n')) != std::string::npos;) {
                const std::string line = pending_.substr(0, nl);
                pending_.erase(0, nl + 1);
                if (!reply) return line;
                if (line.rfind("@ ", 0) == 0) return line.substr(2);
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            pollfd p{out_, POLLIN, 0};
            if (left.count() <= 0 || out_ < 0) return std::nullopt;
            if (poll(&p, 1, static_cast<int>(left.count())) <= 0) continue;
            char buf[4096];
            const ssize_t n = read(out_, buf, sizeof buf);
            if (n <= 0) return std::nullopt;
            pending_.append(buf, static_cast<std::size_t>(n));
        }
    }
    // WriteLine, then the reply; "<timeout>" when none came.
    std::string Command(const std::string& line, int timeoutMs = 15000) {
        WriteLine(line);
        return ReadLine(timeoutMs, true).value_or("<timeout>");
    }
    // Suspends it (as a stalled link or a debugger would), lets it go on, ends it.
    void Stop() { Signal(SIGSTOP); }
    void Continue() { Signal(SIGCONT); }
    void Kill() {
        if (pid_ > 0) kill(pid_, SIGKILL), waitpid(pid_, nullptr, 0);
        if (in_ >= 0) close(in_);
        if (out_ >= 0) close(out_);
        pid_ = in_ = out_ = -1;
    }

private:
    void Signal(int signal) {
        if (pid_ > 0) kill(pid_, signal);
    }
    pid_t pid_ = -1;
    int in_ = -1;
    int out_ = -1;
    std::string pending_;
};

// A TCP port on the loopback address that was free a moment ago.
inline int FreeLoopbackPort() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof sa;
    const bool ok = bind(s, reinterpret_cast<sockaddr*>(&sa), sizeof sa) == 0 &&
                    getsockname(s, reinterpret_cast<sockaddr*>(&sa), &len) == 0;
    close(s);
    return ok ? ntohs(sa.sin_port) : 0;
}

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

// A peer's answer to its command (a peer's standard output is unbuffered).
inline void Reply(const std::string& text) { std::printf("@ %s\n", text.c_str()); }

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

// Registers a player on a raw connection: its id, 0 when none came within 5 seconds.
std::uint32_t Register(NLsocket s);
// The next text of a local player of this program within ms, "sender:text"; "" when none came.
std::string NextText(const std::string& id, int ms);
// Broadcasts texts "ID-N-" padded to SIZE bytes at RATE a second for MS, reading all the while and a
// second longer; "sent:N|SENDER:COUNT|..." with -1 as the count of a sender out of order.
std::string Chat(const std::string& id, int ms, int rate, int size);
