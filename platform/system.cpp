// POSIX side of the process and file-system services.
#include "platform/system.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace platform {

namespace {

std::string ResolveTempDir() {
    const char* env = std::getenv("TMPDIR");
    if (env && *env) {
        std::string dir = env;
        if (dir.back() != '/') dir += '/';
        return dir;
    }
    const std::string dir = "/tmp/tarvok-" + std::to_string(getuid());
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        std::fprintf(stderr, "tarvok: cannot create the temporary directory %s: %s\n", dir.c_str(),
                     std::strerror(errno));
        return {};
    }
    // Someone else may have made it first: use it only when it is ours and private.
    struct stat st {};
    if (lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid() ||
        (st.st_mode & 077) != 0) {
        std::fprintf(stderr, "tarvok: refusing the temporary directory %s: not a private directory of this user\n",
                     dir.c_str());
        return {};
    }
    return dir + "/";
}

}  // namespace

const std::string& TempDir() {
    static const std::string dir = ResolveTempDir();
    return dir;
}

std::string ProgramPath() {
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    return std::string(buf, static_cast<std::size_t>(n));
}

std::string CurrentDirectory() {
    char buf[PATH_MAX];
    return getcwd(buf, sizeof buf) ? std::string(buf) : std::string();
}

bool ChangeDirectory(const std::string& path) { return chdir(path.c_str()) == 0; }

bool RemoveFile(const std::string& path) { return unlink(path.c_str()) == 0; }

bool AppendToFile(const std::string& path, const char* bytes, std::size_t count) {
    const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = write(fd, bytes + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    const bool closed = close(fd) == 0;
    return done == count && closed;
}

bool DebuggerAttached() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("TracerPid:", 0) == 0) return std::atoi(line.c_str() + 10) != 0;
    }
    return false;
}

void DebuggerOutput(const char* text) { std::fprintf(stderr, "%s\n", text); }

void ExitProcess(int status) {
    std::fflush(stdout);
    std::fflush(stderr);
#if defined(__SANITIZE_ADDRESS__)
    // _Exit skips the leak checker's own end-of-process check; a sanitizer build runs it here, so whole
    // programs are checked too (it ends the process with its own exit code when something leaked).
    __lsan_do_leak_check();
#endif
    std::_Exit(status);
}

}  // namespace platform
