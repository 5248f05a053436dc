// Files and directories for the storage commands: POSIX calls behind a small engine-shaped interface.
//
// Names from the game may use "\" or "/" as separators. Because the game's own platform does not tell
// letter case apart, a name that does not exist as given is looked up case-insensitively, one path
// element at a time. The engine opens files "without sharing"; here that is an advisory lock (flock):
// readers take a shared lock and writers an exclusive one, so a file being written cannot be opened
// again, and nothing is written over a file that is being read. Several readers may share a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// The name with every "\" turned into "/", then resolved element by element: an element that does not
// exist as given is replaced by the first directory entry equal to it ignoring ASCII letter case. The
// elements after the first one found neither way are kept as given (a file about to be created).
std::string ResolvePath(const std::string& name);

// An open file; -1 while closed.
using FileHandle = int;
constexpr FileHandle kNoFile = -1;

// Opens an existing regular file (no directory, device or FIFO) for reading; kNoFile on failure or
// while it is being written.
FileHandle OpenFileForReading(const std::string& name);
// Deletes the file of that name, then creates it empty for reading and writing. Fails (kNoFile) when
// the file is held open by the engine or cannot be made.
FileHandle CreateFileForWriting(const std::string& name);
// Creates a new file for writing in the temporary directory: any old file of that path is removed
// first, and the new one is made exclusively with O_NOFOLLOW and mode 0600. No case lookup.
FileHandle CreateTempFile(const std::string& path);
// Closes the file (kNoFile is ignored).
void CloseFile(FileHandle file);

// Reads up to count bytes, retrying short reads until count bytes or the end of the file; returns the
// number of bytes delivered (0 at the end of the file or on failure).
std::size_t ReadFile(FileHandle file, void* buffer, std::size_t count);
// Writes all count bytes; false when not all of them were written.
bool WriteFile(FileHandle file, const void* bytes, std::size_t count);

enum class SeekFrom { kStart, kCurrent, kEnd };
// Moves the file pointer; the new position, or -1 when the move is refused (e.g. before the start).
std::int64_t SeekFile(FileHandle file, std::int64_t offset, SeekFrom from);
// The file's size in bytes; -1 on failure.
std::int64_t SizeOfFile(FileHandle file);

// Deletes a file (name resolved as above); false when it did not exist or could not be deleted.
bool DeleteFile(const std::string& name);
// Changes the current directory (name resolved as above).
bool ChangeDirectoryResolved(const std::string& name);

// One entry of a directory listing.
struct DirectoryEntry {
    std::string name;  // as stored, no path
    bool isDirectory = false;
};
// Every entry of a directory in the order the system reports it, "." and ".." included. False when the
// directory cannot be read (the list is then empty).
bool ListDirectory(const std::string& path, std::vector<DirectoryEntry>& entries);

}  // namespace platform
