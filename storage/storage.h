// Files and storage: numbered file channels, the packed resource archive, INI files, slot files and
// directory listing.
//
// File names accept "/" and "\" and are found whatever their letter case. Channel numbers 0 to 7 are
// accepted (truncated); any other channel ends the program with run-time error 7, and a read or write
// that cannot be carried out completely ends it with error 3.
#pragma once

#include <cstdint>
#include <string>

#include "runtime/rt_array.h"
#include "runtime/rt_string.h"

// ---------------------------------------------------------------------------------------------------
// File channels

double OpenFile(double channel, const RtString& name, double mode);  // 1 if open; mode 0 writes, else reads
void CloseFile(double channel);                                      // closes the channel if open
double EndOfFile(double channel);                                    // 1 when position >= size, else 0
double FilePosition(double channel);                        // bytes consumed by reads, as moved by seeks
void FileSeek(double channel, double offset, double mode);  // mode 0 from start, > 0 from here, < 0 from end
void ReadByte(double channel, double& value);               // 1 byte, 0..255
void ReadWord(double channel, double& value);               // 2 bytes little-endian, 0..65535
void ReadLong(double channel, double& value);               // 4 bytes little-endian, 0..4294967295
void ReadFloat(double channel, double& value);              // 4-byte IEEE float, widened
void ReadDouble(double channel, double& value);             // 8-byte IEEE double
void ReadString(double channel, RtString& text, double count);  // count raw bytes; a zero byte ends the text
void ReadLine(double channel, RtString& text);           // one line of at most 1024 bytes, line end removed
void ReadLineNumber(double channel, double& value);      // ReadLine, then the text-to-number rule
void WriteByte(double channel, double value);            // the low 8 bits of the truncated value
void WriteWord(double channel, double value);            // the low 16 bits, little-endian
void WriteLong(double channel, double value);            // the low 32 bits (0..4294967295), little-endian
void WriteFloat(double channel, double value);           // as a 4-byte IEEE float
void WriteDouble(double channel, double value);          // as an 8-byte IEEE double
void WriteString(double channel, const RtString& text);  // the text's bytes, nothing added
void WriteLine(double channel, const RtString& text);    // the text and CR LF
void WriteLineNumber(double channel, double value);      // the number as text, then CR LF
double FileSize(const RtString& name);                   // size in bytes, 0 when it cannot be opened
double DoesFileExist(const RtString& name);              // 1 when the file can be opened for reading
void KillFile(const RtString& name);                     // deletes the file; a missing file is no error
void CopyFile(const RtString& source, const RtString& target);  // copies in 4096-byte blocks; no report
RtString GetCurrentDir();                                       // the current directory with "/" at the end
double SetCurrentDir(const RtString& path);                     // 1 when it became the current directory
double ToForwardSlashes(RtString& text);                        // "\" to "/" in place; gives the length

// ---------------------------------------------------------------------------------------------------
// Packed resource archive

// Archive slot numbers: the first serves every data loader, the second the music and video player.
constexpr int kDataArchive = 1;
constexpr int kMediaArchive = 2;

// One archive slot (EngineGlobals::archives holds the two, made by SetArchives).
struct ArchiveSlot {
    std::uint8_t enabled = 0;       // 1 after a name is set; 0 when off (no name, unreadable, no archive)
    char archiveName[1024] = {};    // path of the archive file
    char lastExtracted[1024] = {};  // temporary file of the last extraction; empty when none
};

// Points both slots at an archive file (the program file at start), deleting their last extractions.
void SetArchives(const char* dataArchive, const char* mediaArchive);  // archives of data and of media
// Resolves a data file name: 1 and out = a plain file of that name (its real path), else the archive
// entry of its base name unpacked into a temporary file (that path); 0 and an empty out when neither
// exists. Each lookup deletes the slot's previous extraction, unless it asks for that very path again.
int ArchiveLookup(int slot, const char* name, std::string& out);  // the file to open for a data file name

// ---------------------------------------------------------------------------------------------------
// INI files and slot files

void IniOpen(const RtString& name);                             // saves the changed INI file, loads this one
RtString IniGet(const RtString& section, const RtString& key);  // the value, or "NO_DATA"
// Sets a key; an empty value removes the key, an empty key the section.
void IniPut(const RtString& section, const RtString& key, const RtString& value);  // sets (or removes) a key
RtString SlotGet(const RtString& name, double slot);      // line slot of the file; "NO_FILE" or "NO_DATA"
double SlotGetNumber(const RtString& name, double slot);  // SlotGet read as a number
void SlotPut(const RtString& name, double slot, const RtString& text);  // sets line slot (0..255)
void SlotPutNumber(const RtString& name, double slot, double value);    // SlotPut of the number as text

// ---------------------------------------------------------------------------------------------------
// Directories

double GetFileList(const RtString& pattern, RtArray<RtString>& list);  // dirs x 65536 + matching files
double WildcardMatch(const RtString& pattern, const RtString& name);   // 1 when name matches ("*", "?")

// ---------------------------------------------------------------------------------------------------
// Engine shutdown

// Deletes both archive slots' last extractions and releases the slots.
void ReleaseArchives();
// Saves the INI file and the slot file if they were changed and closes the file channels (before the
// current directory is restored).
void FlushStorageFiles();
