// Child processes over posix_spawn and waitpid.
#include "platform/process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>

extern char** environ;

namespace platform {

namespace {

// Children started without waiting, not yet collected.
std::vector<ProcessId> g_released;

// Collects every released child that has ended.
void CollectReleased() {
    std::erase_if(g_released, [](ProcessId pid) {
        int status = 0;
        const pid_t r = waitpid(pid, &status, WNOHANG);
        return r == pid || (r < 0 && errno == ECHILD);
    });
}

bool IsExecutableFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// File actions and attributes every child starts with: only descriptors 0, 1 and 2 (plus the ones the
// caller adds) are passed on; no blocked signals and default signal handling, whatever the engine set.
class SpawnSetup {
public:
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
        sigset_t none;
        sigemptyset(&none);
        sigset_t all;
        sigfillset(&all);
        sigdelset(&all, SIGKILL);
        sigdelset(&all, SIGSTOP);
        posix_spawnattr_setsigmask(&attributes, &none);
        posix_spawnattr_setsigdefault(&attributes, &all);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    // Closes every descriptor from 3 up in the child; call after any descriptor moves.
    void CloseOthers() { posix_spawn_file_actions_addclosefrom_np(&actions, 3); }

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
};

std::vector<char*> ArgumentPointers(const std::vector<std::string>& argv) {
    std::vector<char*> pointers;
    pointers.reserve(argv.size() + 1);
    for (const std::string& arg : argv) pointers.push_back(const_cast<char*>(arg.c_str()));
    pointers.push_back(nullptr);
    return pointers;
}

}  // namespace

bool ProgramExists(const std::string& name) {
    if (name.empty()) return false;
    if (name.find('/') != std::string::npos) return IsExecutableFile(name);
    // The shell's own answer: its PATH search, its built-in commands and its reserved words. The name is
    // handed over as an argument, never as part of the script.
    std::string output;
    int status = -1;
    return RunCapturingOutput({"/bin/sh", "-c", "command -v -- \"$1\" >/dev/null 2>&1", "sh", name}, 0,
                              output, status) &&
           status == 0;
}

ProcessId StartShellCommand(const std::string& commandLine) {
    CollectReleased();
    SpawnSetup setup;
    setup.CloseOthers();
    const std::vector<std::string> argv = {"sh", "-c", commandLine};
    std::vector<char*> pointers = ArgumentPointers(argv);
    pid_t pid = 0;
    if (posix_spawn(&pid, "/bin/sh", &setup.actions, &setup.attributes, pointers.data(), environ) != 0) {
        return kNoProcess;
    }
    return pid;
}

int WaitForProcess(ProcessId process) {
    int status = 0;
    pid_t r;
    do {
        r = waitpid(process, &status, 0);
    } while (r < 0 && errno == EINTR);
    if (r != process) return -1;
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
}

void ReleaseProcess(ProcessId process) {
    if (process <= 0) return;
    g_released.push_back(process);
    CollectReleased();
}

bool RunCapturingOutput(const std::vector<std::string>& argv, std::size_t maxBytes, std::string& output,
                        int& status) {
    output.clear();
    status = -1;
    if (argv.empty()) return false;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return false;
    SpawnSetup setup;
    posix_spawn_file_actions_adddup2(&setup.actions, fds[1], STDOUT_FILENO);
    setup.CloseOthers();
    std::vector<char*> pointers = ArgumentPointers(argv);
    pid_t pid = 0;
    const int spawned =
        posix_spawnp(&pid, argv[0].c_str(), &setup.actions, &setup.attributes, pointers.data(), environ);
    close(fds[1]);
    if (spawned != 0) {
        close(fds[0]);
        return false;
    }
    // Read to the end even past maxBytes, so the child never blocks on a full pipe.
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        const std::size_t room = maxBytes - output.size();
        output.append(buffer, std::min(room, static_cast<std::size_t>(n)));
    }
    close(fds[0]);
    status = WaitForProcess(pid);
    return true;
}

}  // namespace platform
