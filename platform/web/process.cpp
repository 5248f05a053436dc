// Other programs, in the browser: a page cannot start one, so every start fails the way a missing
// program does.
#include "platform/process.h"

namespace platform {

bool ProgramExists(const std::string&) { return false; }
ProcessId StartShellCommand(const std::string&) { return kNoProcess; }
int WaitForProcess(ProcessId) { return -1; }
void ReleaseProcess(ProcessId) {}

bool RunCapturingOutput(const std::vector<std::string>&, std::size_t, std::string& output, int& status) {
    output.clear();
    status = -1;
    return false;
}

}  // namespace platform
