// Test helper: runs a piece of the test in a child process, with or without this process as its tracer
// (its debugger), and collects what it writes on standard error.
#pragma once

#include <functional>
#include <string>

struct ChildResult {
    bool traceRefused = false;  // the system did not allow the child to be traced
    std::string errorText;      // everything the child wrote on standard error
    int exitStatus = -1;
};

// Forks; the child (traced by this process when traced is set) runs body with its standard error on a
// pipe and ends with status 0. Waits at most 20 s for it.
ChildResult RunInChild(bool traced, const std::function<void()>& body);

// Skips the current test when the child could not be traced.
#define SKIP_IF_TRACE_REFUSED(result) \
    if ((result).traceRefused) GTEST_SKIP() << "ptrace is not permitted here"
