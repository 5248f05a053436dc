// Directory listing with wildcard patterns.
#include <string>
#include <vector>

#include "platform/files.h"
#include "storage/storage.h"

namespace {

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// One pattern character against one name character: "?" takes anything but a point, letters match
// in either case, everything else only itself.
bool CharMatches(char pattern, char name) {
    if (pattern == '?') return name != '.';
    return LowerAscii(pattern) == LowerAscii(name);
}

bool Matches(const char* pattern, const char* name) {
    const char* star = nullptr;  // pattern position after the last star
    const char* mark = nullptr;  // name position where the current attempt after that star began
    while (*name != '\0') {
        if (*pattern == '*') {
            while (*pattern == '*') ++pattern;
            if (*pattern == '\0') return true;
            star = pattern;
            mark = name;
        } else if (*pattern != '\0' && CharMatches(*pattern, *name)) {
            ++pattern;
            ++name;
        } else if (star) {
            pattern = star;
            name = ++mark;
        } else {
            return false;
        }
    }
    while (*pattern == '*') ++pattern;
    return *pattern == '\0';
}

}  // namespace

double WildcardMatch(const RtString& pattern, const RtString& name) {
    return Matches(pattern.CText(), name.CText()) ? 1 : 0;
}

double GetFileList(const RtString& pattern, RtArray<RtString>& list) {
    std::vector<platform::DirectoryEntry> entries;
    if (!platform::ListDirectory(".", entries)) {
        list.Dim(0);
        return 0;
    }
    std::vector<const std::string*> directories;
    std::vector<const std::string*> files;
    for (const platform::DirectoryEntry& entry : entries) {
        if (entry.isDirectory) {
            directories.push_back(&entry.name);
        } else if (Matches(pattern.CText(), entry.name.c_str())) {
            files.push_back(&entry.name);
        }
    }
    const std::size_t total = directories.size() + files.size();
    list.Dim(static_cast<double>(total));
    std::int32_t i = 0;
    for (const std::string* name : directories) list.ElementAt(i++) = name->c_str();
    for (const std::string* name : files) list.ElementAt(i++) = name->c_str();
    return static_cast<double>(directories.size()) * 65536 + static_cast<double>(files.size());
}
