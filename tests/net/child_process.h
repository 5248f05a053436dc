// Test helper: another program (a copy of this test binary, or Python) run as a child with pipes on its
// standard input and output, every read bounded in time.
#pragma once

#include <optional>
#include <string>
#include <vector>

class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    ~ChildProcess();

    // Starts argv[0] (searched in PATH) with extra "NAME=value" environment entries; false on failure.
    bool Start(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv = {});
    void WriteLine(const std::string& line);
    // The next line of its output, or nothing when none comes within timeoutMs.
    std::optional<std::string> ReadLine(int timeoutMs);
    // The next output line that starts with "@ ", without that mark (other lines are skipped).
    std::optional<std::string> ReadReply(int timeoutMs);
    // WriteLine, then ReadReply; "<timeout>" when no reply came.
    std::string Command(const std::string& line, int timeoutMs = 15000);
    // Ends it at once (SIGKILL) and collects it.
    void Kill();
    // Waits at most timeoutMs for it to end; its exit status, or -1.
    int Wait(int timeoutMs);

private:
    int pid_ = -1;
    int in_ = -1;
    int out_ = -1;
    std::string pending_;
};

// This test program started as a network peer that runs commands from its standard input.
bool StartPeer(ChildProcess& child);
// A TCP port on the loopback address that was free a moment ago.
int FreeLoopbackPort();
