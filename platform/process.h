// Other programs started by the engine: shell command lines, with or without waiting for them, and
// helper programs whose standard output the engine reads.
//
// Children get the engine's environment and only its standard input, output and error; every other open
// file stays with the engine. A child that is not waited for is collected once it has ended, so no
// finished children pile up.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace platform {

// A started child process; kNoProcess when none.
using ProcessId = int;
constexpr ProcessId kNoProcess = -1;

// Whether name can be started as the first word of a shell command line: with a "/" an executable regular
// file at that path, else a command the shell knows (a program found in PATH, a built-in command or a
// reserved word).
bool ProgramExists(const std::string& name);

// Starts "/bin/sh -c commandLine". kNoProcess when it cannot be started (for instance a command line
// longer than the system passes to a program).
ProcessId StartShellCommand(const std::string& commandLine);

// Waits without limit for a child started here to end. Its exit status (0..255), or 128 + the signal
// number when a signal ended it; -1 when it is not a child of this process.
int WaitForProcess(ProcessId process);

// Lets a child run on without waiting for it; it is collected after it has ended.
void ReleaseProcess(ProcessId process);

// Runs a program (argv[0] searched in PATH), reads its standard output to the end, keeping the first
// maxBytes bytes, and waits for it; status as WaitForProcess gives it. False when it cannot be started.
bool RunCapturingOutput(const std::vector<std::string>& argv, std::size_t maxBytes, std::string& output,
                        int& status);

}  // namespace platform
