// CallByName and FindSubByName over the subroutine table that the game program hands over.
#include <cstring>

#include "host/host.h"

namespace {

// The game's table; null until the game sets one (then every lookup reaches the end at once).
const SubroutineEntry* g_subroutines = nullptr;

// The first row of that name, or null at the end row. The walk stops at a row without a name.
const SubroutineEntry* FindRow(const RtString& name) {
    if (!g_subroutines) return nullptr;
    for (const SubroutineEntry* row = g_subroutines; row->name; ++row) {
        if (std::strcmp(row->name, name.CText()) == 0) return row;
    }
    return nullptr;
}

}  // namespace

void SetSubroutineTable(const SubroutineEntry* table) { g_subroutines = table; }

double CallByName(const RtString& name) {
    const SubroutineEntry* row = FindRow(name);
    if (row && row->entry) {
        row->entry();
        return 1;
    }
    DebugOut(RtString("CALLBYNAME \"") + name + "\" *** failed ***\n");
    return 0;
}

GameSubroutine FindSubByName(const RtString& name) {
    const SubroutineEntry* row = FindRow(name);
    return row ? row->entry : nullptr;
}
