// The two archive slots and the lookup of data files through them.
//
// A plain file always wins. Otherwise the entry of the name's base name is unpacked from the slot's
// archive into a temporary file, which lives until the slot's next lookup, the next SetArchives or the
// engine's shutdown. Nothing is cached: the directory is read anew for every lookup.
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/system.h"
#include "runtime/engine_globals.h"
#include "runtime/program_end.h"
#include "storage/archive_format.h"
#include "storage/file_access.h"
#include "storage/storage.h"

namespace {

// A directory larger than this is not read further (no real archive comes near it: 16 MiB holds
// over 60000 entries); the walk then ends as a failed read does.
constexpr std::size_t kMaxDirectoryBytes = 16u << 20;

// The slot record for a slot number; null for numbers other than 1 and 2 and before SetArchives.
ArchiveSlot* SlotFor(int slot) {
    if (slot < kDataArchive || slot > kMediaArchive) return nullptr;
    return g_engine.archives[slot - kDataArchive];
}

void CopyName(char (&field)[tarvok::kPathBufferSize], std::string_view text) {
    const std::size_t n = text.size() < tarvok::kPathBufferSize ? text.size() : 0;
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
}

void DeleteLastExtracted(ArchiveSlot& slot) {
    if (slot.lastExtracted[0] != '\0') platform::RemoveFile(slot.lastExtracted);
    slot.lastExtracted[0] = '\0';
}

void LogDamaged(const ArchiveSlot& slot, const std::string& entry, const char* what) {
    const std::string line =
        "ARCHIVE: [" + std::string(slot.archiveName) + "] entry \"" + entry + "\": " + what;
    AppendErrorLog(line.c_str());
}

// Reads count bytes at position into bytes; false when they are not all there.
bool ReadAt(platform::FileHandle file, std::uint64_t position, std::vector<std::uint8_t>& bytes,
            std::size_t count) {
    bytes.resize(count);
    return platform::SeekFile(file, static_cast<std::int64_t>(position), platform::SeekFrom::kStart) >= 0 &&
           platform::ReadFile(file, bytes.data(), count) == count;
}

// Finds the entry of the base name in the open archive; false when it is not there or the directory
// cannot be read.
bool FindEntry(platform::FileHandle archive, std::uint64_t fileSize, std::int32_t directoryOffset,
               std::string_view baseName, tarvok::ArchiveEntry& entry) {
    const auto start = tarvok::ArchivePosition(directoryOffset, directoryOffset < 0, fileSize);
    const std::uint64_t end = fileSize - tarvok::kArchiveTrailerSize;
    if (!start || *start > end) return false;
    const std::uint64_t length = end - *start;
    std::vector<std::uint8_t> directory;
    if (!ReadAt(archive, *start, directory, length < kMaxDirectoryBytes ? length : kMaxDirectoryBytes))
        return false;
    std::size_t cursor = 0;
    while (tarvok::NextArchiveEntry(directory, cursor, entry) == tarvok::DirectoryStep::kEntry) {
        if (tarvok::IsPlainEntryName(entry.name) && tarvok::EqualIgnoringCase(entry.name, baseName))
            return true;
    }
    return false;
}

// Unpacks the entry into the temporary directory; the temporary path, or empty on failure.
std::string Extract(ArchiveSlot& slot, int slotNumber, platform::FileHandle archive, std::uint64_t fileSize,
                    bool fromEnd, const tarvok::ArchiveEntry& entry) {
    const auto position = tarvok::ArchivePosition(entry.dataOffset, fromEnd, fileSize);
    if (!position || entry.storedSize > fileSize - *position) {
        LogDamaged(slot, entry.name, "data block lies outside the archive");
        return {};
    }
    std::vector<std::uint8_t> block;
    std::vector<std::uint8_t> data;
    if (!ReadAt(archive, *position, block, entry.storedSize)) {
        LogDamaged(slot, entry.name, "data block cannot be read");
        return {};
    }
    try {
        if (!tarvok::DecodeArchiveBlock(block, data)) {
            LogDamaged(slot, entry.name, "data does not unpack to its stated size");
            return {};
        }
    } catch (const std::bad_alloc&) {
        LogDamaged(slot, entry.name, "no memory to unpack the data");
        return {};
    }

    const std::string& tempDir = platform::TempDir();
    const std::string path = tempDir + tarvok::ExtractedFileName(entry, slotNumber);
    const platform::FileHandle out =
        tempDir.empty() || !tarvok::FitsPathBuffer(path) ? platform::kNoFile : platform::CreateTempFile(path);
    if (out == platform::kNoFile) {
        std::printf("can't open \"%s\" for writing\n", path.c_str());
        return {};
    }
    const bool written = platform::WriteFile(out, data.data(), data.size());
    platform::CloseFile(out);
    if (!written) {
        platform::RemoveFile(path);
        LogDamaged(slot, entry.name, "temporary file cannot be written");
        return {};
    }
    return path;
}

// Steps of the lookup that search the archive: the extracted path, or empty.
std::string LookUpInArchive(ArchiveSlot& slot, int slotNumber, std::string_view name) {
    if (slot.enabled == 0) return {};
    const platform::FileHandle archive =
        slot.archiveName[0] != '\0' ? platform::OpenFileForReading(slot.archiveName) : platform::kNoFile;
    if (archive == platform::kNoFile) {
        slot.enabled = 0;
        return {};
    }
    std::string path;
    const std::int64_t size = platform::SizeOfFile(archive);
    std::vector<std::uint8_t> trailer;
    std::optional<std::int32_t> directoryOffset;
    if (size >= static_cast<std::int64_t>(tarvok::kArchiveTrailerSize) &&
        ReadAt(archive, static_cast<std::uint64_t>(size) - tarvok::kArchiveTrailerSize, trailer,
               tarvok::kArchiveTrailerSize)) {
        directoryOffset = tarvok::ParseArchiveTrailer(trailer);
    }
    if (!directoryOffset) {
        slot.enabled = 0;
    } else {
        const auto fileSize = static_cast<std::uint64_t>(size);
        tarvok::ArchiveEntry entry;
        if (FindEntry(archive, fileSize, *directoryOffset, tarvok::BaseName(name), entry))
            path = Extract(slot, slotNumber, archive, fileSize, *directoryOffset < 0, entry);
    }
    platform::CloseFile(archive);
    return path;
}

}  // namespace

void SetArchives(const char* dataArchive, const char* mediaArchive) {
    const char* names[2] = {dataArchive, mediaArchive};
    for (int i = 0; i < 2; ++i) {
        ArchiveSlot*& slot = g_engine.archives[i];
        if (!slot) slot = new ArchiveSlot{};
        DeleteLastExtracted(*slot);
        const std::string_view name = names[i] ? names[i] : "";
        CopyName(slot->archiveName, name);
        // A name too long for the slot is not cut (that would name another file): the slot is off.
        slot->enabled = tarvok::FitsPathBuffer(name) ? 1 : 0;
    }
}

int ArchiveLookup(int slotNumber, const char* name, std::string& out) {
    out.clear();
    ArchiveSlot* slot = SlotFor(slotNumber);
    const std::string_view requested = name ? name : "";
    // Loaders look a name up and then open what they got, sometimes through a second lookup of that
    // path: the slot's own extraction is handed back as it is instead of being deleted.
    if (slot && slot->lastExtracted[0] != '\0' && requested == slot->lastExtracted) {
        out = requested;
        return 1;
    }
    if (slot) DeleteLastExtracted(*slot);
    if (requested.empty() || !tarvok::FitsPathBuffer(requested)) return 0;

    const std::string plain(requested);
    const platform::FileHandle file = platform::OpenFileForReading(plain);
    if (file != platform::kNoFile) {
        platform::CloseFile(file);
        out = platform::ResolvePath(plain);
        return 1;
    }
    if (!slot) return 0;
    const std::string extracted = LookUpInArchive(*slot, slotNumber, requested);
    if (extracted.empty()) return 0;
    CopyName(slot->lastExtracted, extracted);
    out = extracted;
    return 1;
}

void ReleaseArchives() {
    for (ArchiveSlot*& slot : g_engine.archives) {
        if (!slot) continue;
        DeleteLastExtracted(*slot);
        delete slot;
        slot = nullptr;
    }
}
