// Packed archives: the trailer, every directory entry and every data block, walked over the file's
// bytes as a lookup walks them in the file.
#include <algorithm>

#include "fuzz/fuzz.h"
#include "storage/archive_format.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarvok;
    const ByteSpan file(data, size);
    if (size < kArchiveTrailerSize) return 0;
    const auto directoryOffset = ParseArchiveTrailer(file.last(kArchiveTrailerSize));
    if (!directoryOffset) return 0;
    const bool fromEnd = *directoryOffset < 0;
    const auto start = ArchivePosition(*directoryOffset, fromEnd, size);
    const std::size_t end = size - kArchiveTrailerSize;
    if (!start || *start > end) return 0;
    const ByteSpan directory = file.subspan(*start, end - *start);
    std::size_t cursor = 0;
    ArchiveEntry entry;
    std::vector<std::uint8_t> unpacked;
    while (NextArchiveEntry(directory, cursor, entry) == DirectoryStep::kEntry) {
        Require(cursor <= directory.size() && !entry.name.empty() &&
                entry.name.size() <= kArchiveMaxNameLength);
        if (!IsPlainEntryName(entry.name)) continue;
        Require(ExtractedFileName(entry, 1).size() <= 255 && ExtractedFileName(entry, 2).size() <= 255);
        const auto position = ArchivePosition(entry.dataOffset, fromEnd, size);
        if (!position || entry.storedSize > size - *position) continue;
        if (DecodeArchiveBlock(file.subspan(*position, entry.storedSize), unpacked))
            Require(unpacked.size() == ArchiveBlockOriginalSize(file.subspan(*position, entry.storedSize)));
    }
    return 0;
}
