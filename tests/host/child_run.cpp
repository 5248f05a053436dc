// Children for the debugger tests: fork, optional PTRACE_TRACEME, standard error into a pipe.
#include "tests/host/child_run.h"

#include <poll.h>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int kTraceRefusedStatus = 77;

}  // namespace

ChildResult RunInChild(bool traced, const std::function<void()>& body) {
    ChildResult result;
    int fds[2];
    if (pipe(fds) != 0) return result;
    std::fflush(stderr);
    const pid_t pid = fork();
    if (pid < 0) return result;
    if (pid == 0) {
        close(fds[0]);
        if (traced && ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) _exit(kTraceRefusedStatus);
        dup2(fds[1], STDERR_FILENO);
        close(fds[1]);
        body();
        std::fflush(stderr);
        _exit(0);
    }
    close(fds[1]);

    // Read the pipe while letting the traced child run on through any stop (a signal reaches the tracer
    // first), until the pipe closes and the child has ended.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    bool pipeOpen = true;
    bool ended = false;
    int status = 0;
    while ((pipeOpen || !ended) && std::chrono::steady_clock::now() < deadline) {
        if (pipeOpen) {
            pollfd p{fds[0], POLLIN, 0};
            if (poll(&p, 1, 50) > 0) {
                char buffer[4096];
                const ssize_t n = read(fds[0], buffer, sizeof buffer);
                if (n > 0) {
                    result.errorText.append(buffer, static_cast<std::size_t>(n));
                } else if (n == 0 || errno != EINTR) {
                    pipeOpen = false;
                }
            }
        } else {
            poll(nullptr, 0, 10);
        }
        if (!ended) {
            const pid_t r = waitpid(pid, &status, WNOHANG);
            if (r == pid && WIFSTOPPED(status)) {
                const int signal = WSTOPSIG(status) == SIGTRAP ? 0 : WSTOPSIG(status);
                ptrace(PTRACE_CONT, pid, nullptr, reinterpret_cast<void*>(static_cast<long>(signal)));
            } else if (r == pid) {
                ended = true;
            }
        }
    }
    close(fds[0]);
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        return result;
    }
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.traceRefused = traced && result.exitStatus == kTraceRefusedStatus;
    return result;
}
