// Test helper: runs a piece of the test in a child process, with or without this process as its tracer
// (its debugger), and collects what it writes on standard error.
#pragma once

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <functional>
#include <string>

struct ChildResult {
    bool traceRefused = false;  // the system did not allow the child to be traced
    std::string errorText;      // everything the child wrote on standard error
    int exitStatus = -1;
};

// Forks; the child (traced by this process when traced is set) runs body with its standard error on a
// pipe and ends with status 0. Waits at most 20 s for it.
inline ChildResult RunInChild(bool traced, const std::function<void()>& body) {
    constexpr int kTraceRefused = 77;
    ChildResult result;
    int fds[2];
    if (pipe(fds) != 0) return result;
    std::fflush(stderr);
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        if (traced && ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) _exit(kTraceRefused);
        dup2(fds[1], STDERR_FILENO);
        body();
        std::fflush(stderr);
        _exit(0);
    }
    close(fds[1]);
    // Read the pipe while letting the traced child run on through any stop (a signal reaches the tracer
    // first), until the pipe closes and the child has ended.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    bool pipeOpen = pid > 0, ended = pid < 0;
    int status = 0;
    while ((pipeOpen || !ended) && std::chrono::steady_clock::now() < deadline) {
        pollfd p{fds[0], POLLIN, 0};
        if (pipeOpen && poll(&p, 1, 50) > 0) {
            char buffer[4096];
            const ssize_t n = read(fds[0], buffer, sizeof buffer);
            if (n > 0) result.errorText.append(buffer, static_cast<std::size_t>(n));
            pipeOpen = n > 0 || (n < 0 && errno == EINTR);
        } else if (!pipeOpen) {
            poll(nullptr, 0, 10);
        }
        if (!ended && waitpid(pid, &status, WNOHANG) == pid) {
            ended = !WIFSTOPPED(status);
            const int signal = ended || WSTOPSIG(status) == SIGTRAP ? 0 : WSTOPSIG(status);
            if (!ended) ptrace(PTRACE_CONT, pid, nullptr, reinterpret_cast<void*>(static_cast<long>(signal)));
        }
    }
    close(fds[0]);
    if (pid > 0 && !ended) kill(pid, SIGKILL), waitpid(pid, &status, 0);
    if (pid > 0 && ended)
        result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.traceRefused = traced && result.exitStatus == kTraceRefused;
    return result;
}

// Skips the current test when the child could not be traced.
#define SKIP_IF_TRACE_REFUSED(result) \
    if ((result).traceRefused) GTEST_SKIP() << "ptrace is not permitted here"
