// Slot files: a text file whose first 256 lines are numbered slots. The engine keeps the one file that
// was named last, reads it through the data archive and writes it back (as a plain file) when another
// file is named or the program ends.
#include <array>
#include <string>

#include "platform/files.h"
#include "runtime/number_args.h"
#include "runtime/program_end.h"
#include "storage/buffered_file.h"
#include "storage/file_access.h"
#include "storage/storage.h"

namespace {

constexpr int kSlotCount = 256;
constexpr std::size_t kSlotTextLimit = 1023;  // a slot holds 1024 bytes with the terminator

struct SlotFile {
    std::string boundName;                      // the file the slots belong to; empty when none
    std::array<std::string, kSlotCount> slots;  // slot i holds line i of the file
    int highest = 0;                            // index of the highest slot in use
    bool dirty = false;                         // set by SlotPut, cleared when written or reloaded
};

SlotFile g_slots;

// The slot number as the commands take it: truncated, negative numbers counting as too large; -1 for
// any slot above 255.
int SlotIndex(double slot) {
    const std::int64_t index = tarvok::ToInt64(slot);
    return index >= 0 && index < kSlotCount ? static_cast<int>(index) : -1;
}

void WriteSlots() {
    std::string text;
    for (int i = 0; i <= g_slots.highest; ++i)
        text.append(g_slots.slots[static_cast<std::size_t>(i)]).append("\r\n");
    tarvok::WriteNewFile(g_slots.boundName, text);
    g_slots.dirty = false;
}

// Reads the bound file into the slots; false (error code 3 recorded) when it cannot be found or read.
bool ReadSlots() {
    std::string path;
    platform::FileHandle file = platform::kNoFile;
    if (ArchiveLookup(kDataArchive, g_slots.boundName.c_str(), path))
        file = platform::OpenFileForReading(path);
    if (file == platform::kNoFile) {
        SetErrorCode(kErrorFile);
        return false;
    }
    tarvok::BufferedFile lines(file);
    char line[tarvok::kLineLimit + 1];
    std::size_t length = 0;
    for (int i = 0; i < kSlotCount && tarvok::ReadLineFrom(lines, line, length); ++i) {
        g_slots.slots[static_cast<std::size_t>(i)] = line;  // a zero byte ends the text, as in a C text
        g_slots.highest = i;
    }
    platform::CloseFile(file);
    return true;
}

// Binds the slots to the named file, writing the old one back first when it was changed. False when
// the file cannot be read; the name stays bound then, so a later put creates the file.
bool Bind(const std::string& name) {
    if (name == g_slots.boundName) return true;
    if (!g_slots.boundName.empty() && g_slots.dirty) WriteSlots();
    for (std::string& slot : g_slots.slots) slot.clear();
    g_slots.dirty = false;
    g_slots.highest = 0;
    g_slots.boundName = name;
    return ReadSlots();
}

}  // namespace

RtString SlotGet(const RtString& name, double slot) {
    const int index = SlotIndex(slot);
    if (index < 0) {
        SetErrorCode(kErrorBadNumber);
        return RtString("NO_DATA");
    }
    // A name too long for the bound-name buffer is refused like a missing file.
    if (!tarvok::FitsPathBuffer(name.CText())) {
        SetErrorCode(kErrorFile);
        return RtString("NO_FILE");
    }
    if (!Bind(name.CText())) return RtString("NO_FILE");
    RtString text(g_slots.slots[static_cast<std::size_t>(index)].c_str());
    text.TrimControlTail();
    return text;
}

double SlotGetNumber(const RtString& name, double slot) { return TextToNumber(SlotGet(name, slot)); }

void SlotPut(const RtString& name, double slot, const RtString& text) {
    const int index = SlotIndex(slot);
    if (index < 0) {
        SetErrorCode(kErrorBadNumber);
        return;
    }
    if (!tarvok::FitsPathBuffer(name.CText())) {
        SetErrorCode(kErrorFile);
        return;
    }
    Bind(name.CText());  // a file that is not there yet is made when the slots are written
    std::string& target = g_slots.slots[static_cast<std::size_t>(index)];
    target = text.CText();
    if (target.size() > kSlotTextLimit) target.resize(kSlotTextLimit);
    if (index > g_slots.highest) g_slots.highest = index;
    g_slots.dirty = true;
}

void SlotPutNumber(const RtString& name, double slot, double value) { SlotPut(name, slot, RtString(value)); }

void tarvok::FlushSlotFile() {
    if (!g_slots.boundName.empty() && g_slots.dirty) WriteSlots();
}

void FlushStorageFiles() {
    tarvok::SaveIniStore();
    tarvok::FlushSlotFile();
    tarvok::CloseAllFileChannels();
}
