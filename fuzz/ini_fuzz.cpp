// INI files and slot files: both read their lines by the engine's line rule.
#include <cstring>

#include "fuzz/fuzz.h"
#include "storage/ini_store.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const char> bytes(reinterpret_cast<const char*>(data), size);
    tarvok::MemoryLineSource iniLines(bytes);
    IniStore ini;
    ini.Read(iniLines);
    for (const IniSection& section : ini.Sections()) {
        for (const IniKey& key : section.keys) ini.Get(section.name, key.key);
    }

    // A slot file: the first 256 lines.
    tarvok::MemoryLineSource slotLines(bytes);
    char line[tarvok::kLineLimit + 1];
    std::size_t length = 0;
    for (int slot = 0; slot < 256 && tarvok::ReadLineFrom(slotLines, line, length); ++slot)
        Require(length <= tarvok::kLineLimit && std::strlen(line) <= length);
    return 0;
}
