// Process and file-system services the engine needs from the operating system.
#pragma once

#include <string>

namespace platform {

// The user's temporary directory with a trailing "/": $TMPDIR when set, else the private folder
// /tmp/tarvok-<uid> (made with mode 0700). Empty, after one message on standard error, when the private
// folder exists but is not a directory owned by this user with no access for others.
const std::string& TempDir();

// The full path of the program file (/proc/self/exe); empty when it cannot be read.
std::string ProgramPath();

// The current directory, without a trailing "/".
std::string CurrentDirectory();
// Makes path the current directory; false when it cannot.
bool ChangeDirectory(const std::string& path);

// Deletes a file; false when it did not exist or could not be deleted.
bool RemoveFile(const std::string& path);

// Appends bytes to a file, creating it (mode 0644) when missing; never follows a symbolic link at the
// last path element. False when the file cannot be opened or the write is short.
bool AppendToFile(const std::string& path, const char* bytes, std::size_t count);

// Whether a debugger (a tracer) is attached to this process.
bool DebuggerAttached();
// Text for an attached debugger: written to standard error with a line end.
void DebuggerOutput(const char* text);

// Flushes standard output and error and ends the process at once with the given status.
[[noreturn]] void ExitProcess(int status);

}  // namespace platform
