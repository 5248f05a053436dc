// IniStore: an INI file held in memory: sections of keys with values, in file order.
//
// The engine keeps one global store behind IniOpen, IniGet and IniPut; other parts of the engine read
// description files with stores of their own (Load, then Get). Names of sections and keys are found
// ignoring ASCII letter case; a repeated section or key is kept, and the first one is found.
#pragma once

#include <vector>

#include "runtime/rt_string.h"
#include "storage/line_rule.h"

struct IniKey {
    RtString key;
    RtString value;
};

struct IniSection {
    RtString name;
    std::vector<IniKey> keys;  // in file order
};

// The sections that the lines of an INI file give: sections without keys are dropped, keys before
// the first header belong to a section with the empty name, lines without "=" or with an empty value
// add nothing, and lines starting with ";" are comments.
std::vector<IniSection> ParseIni(tarvok::LineSource& lines);

class IniStore {
public:
    // Empties the store and reads the file of that name (through the data archive); a file that
    // cannot be read leaves the store empty.
    void Load(const RtString& fileName);
    // Empties the store and reads it from lines; no file name is kept.
    void Read(tarvok::LineSource& lines);
    // The value of the first matching key of the first matching section, or "NO_DATA".
    RtString Get(const RtString& section, const RtString& key) const;
    // Sets a key (appending section and key as needed); an empty value removes an existing key, an
    // empty key removes the section.
    void Put(const RtString& section, const RtString& key, const RtString& value);
    // Writes the store to its file (replacing it); failures are not reported.
    void Save();

    bool Changed() const { return changed_; }
    const RtString& FileName() const { return fileName_; }
    const std::vector<IniSection>& Sections() const { return sections_; }

private:
    std::vector<IniSection> sections_;  // in file order, as reordered by removals
    RtString fileName_;                 // the name given to Load; empty: no file
    bool changed_ = false;              // set by every change made through Put
};
