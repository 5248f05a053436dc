#include "tests/support/run_command.h"

#include <cstdio>
#include <sys/wait.h>

namespace testsupport {

CommandResult RunCommand(const std::string& command) {
    CommandResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return result;
    char buf[512];
    while (std::fgets(buf, sizeof buf, pipe)) result.out += buf;
    const int raw = pclose(pipe);
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return result;
}

}  // namespace testsupport
