// POSIX side of the storage commands' file and directory access.
#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

namespace {

bool Exists(const std::string& path) {
    struct stat st {};
    return lstat(path.c_str(), &st) == 0;
}

// The entry of dir whose name equals element ignoring ASCII case; empty when there is none.
std::string FindIgnoringCase(const std::string& dir, const std::string& element) {
    DIR* d = opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return {};
    std::string found;
    while (const dirent* entry = readdir(d)) {
        if (strcasecmp(entry->d_name, element.c_str()) == 0) {
            found = entry->d_name;
            break;
        }
    }
    closedir(d);
    return found;
}

// Takes the engine's "no sharing" lock (LOCK_SH or LOCK_EX); closes the file and fails when a
// conflicting lock is held already.
FileHandle LockOrClose(int fd, int lock) {
    if (fd < 0) return kNoFile;
    if (flock(fd, lock | LOCK_NB) != 0) {
        close(fd);
        return kNoFile;
    }
    return fd;
}

// Whether the file at path is open on one of the engine's handles (it holds the lock).
bool HeldOpen(const std::string& path) {
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    const bool held = flock(fd, LOCK_EX | LOCK_NB) != 0;
    close(fd);
    return held;
}

}  // namespace

std::string ResolvePath(const std::string& name) {
    std::string path = name;
    for (char& c : path) {
        if (c == '\\') c = '/';
    }
    if (path.empty() || Exists(path)) return path;

    // Walk the elements; "result" always names something that exists until the first element that
    // cannot be found either way, after which the rest is kept as given.
    std::string result = path[0] == '/' ? "/" : "";
    std::size_t start = result.size();
    bool lost = false;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        const std::string element = path.substr(start, end - start);
        std::string next = result + element;
        if (!lost && !element.empty() && !Exists(next)) {
            const std::string match = FindIgnoringCase(result, element);
            if (match.empty()) {
                lost = true;
            } else {
                next = result + match;
            }
        }
        result = std::move(next);
        if (end == path.size()) break;
        result += '/';
        start = end + 1;
    }
    return result;
}

FileHandle OpenFileForReading(const std::string& name) {
    const std::string path = ResolvePath(name);
    if (path.empty()) return kNoFile;
    // O_NONBLOCK: opening a FIFO must not wait for a writer (it is refused below); regular files
    // ignore the flag.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return kNoFile;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return kNoFile;
    }
    return LockOrClose(fd, LOCK_SH);
}

FileHandle CreateFileForWriting(const std::string& name) {
    const std::string path = ResolvePath(name);
    if (path.empty() || HeldOpen(path)) return kNoFile;
    unlink(path.c_str());
    return LockOrClose(open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644), LOCK_EX);
}

FileHandle CreateTempFile(const std::string& path) {
    if (path.empty()) return kNoFile;
    unlink(path.c_str());
    // O_EXCL with O_NOFOLLOW: a link planted at this path between the unlink and the open is refused.
    const int flags = O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    return LockOrClose(open(path.c_str(), flags, 0600), LOCK_EX);
}

void CloseFile(FileHandle file) {
    if (file >= 0) close(file);
}

std::size_t ReadFile(FileHandle file, void* buffer, std::size_t count) {
    if (file < 0) return 0;
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = read(file, out + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

bool WriteFile(FileHandle file, const void* bytes, std::size_t count) {
    if (file < 0) return false;
    const auto* in = static_cast<const char*>(bytes);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = write(file, in + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

std::int64_t SeekFile(FileHandle file, std::int64_t offset, SeekFrom from) {
    if (file < 0) return -1;
    const int whence = from == SeekFrom::kStart ? SEEK_SET : from == SeekFrom::kCurrent ? SEEK_CUR : SEEK_END;
    return lseek(file, static_cast<off_t>(offset), whence);
}

std::int64_t SizeOfFile(FileHandle file) {
    struct stat st {};
    if (file < 0 || fstat(file, &st) != 0) return -1;
    return st.st_size;
}

bool DeleteFile(const std::string& name) {
    const std::string path = ResolvePath(name);
    return !path.empty() && unlink(path.c_str()) == 0;
}

bool ChangeDirectoryResolved(const std::string& name) {
    const std::string path = ResolvePath(name);
    return !path.empty() && chdir(path.c_str()) == 0;
}

bool ListDirectory(const std::string& path, std::vector<DirectoryEntry>& entries) {
    entries.clear();
    const std::string dir = ResolvePath(path);
    DIR* d = opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return false;
    while (const dirent* entry = readdir(d)) {
        DirectoryEntry item;
        item.name = entry->d_name;
        if (entry->d_type == DT_DIR) {
            item.isDirectory = true;
        } else if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            // A link to a directory lists as a directory, as the name would open as one.
            struct stat st {};
            const std::string full = (dir.empty() ? std::string(".") : dir) + "/" + item.name;
            item.isDirectory = stat(full.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        }
        entries.push_back(std::move(item));
    }
    closedir(d);
    return true;
}

}  // namespace platform
