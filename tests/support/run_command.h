// Running a shell command from a test: its exit status and everything it printed.
#pragma once

#include <string>

namespace testsupport {

struct CommandResult {
    int status = -1;  // exit status; -1 when it could not run or was ended by a signal
    std::string out;  // standard output (and standard error where the command redirects it)
};

CommandResult RunCommand(const std::string& command);

}  // namespace testsupport
