// Test helpers: another program (a copy of this test program, or Python) run as a child with pipes on
// its standard input and output, every read bounded in time; a free loopback port.
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
#include <optional>
#include <string>
#include <vector>

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
        for (int fd : {in_, out_}) {
            if (fd >= 0) close(fd);
        }
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
