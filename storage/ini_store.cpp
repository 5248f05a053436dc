// INI files: parsing, lookup, changes and saving; the global store behind the INI commands.
#include "storage/ini_store.h"

#include <string>

#include "platform/files.h"
#include "storage/archive_format.h"
#include "storage/buffered_file.h"
#include "storage/file_access.h"
#include "storage/storage.h"

namespace {

constexpr const char* kNoData = "NO_DATA";

IniStore g_iniStore;

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

const char* SkipSpace(const char* p) {
    while (IsSpace(*p)) ++p;
    return p;
}

// The run of p up to white space, "=" or the end.
const char* WordEnd(const char* p) {
    while (*p != '\0' && *p != '=' && !IsSpace(*p)) ++p;
    return p;
}

RtString Slice(const char* begin, const char* end) {
    RtString text;
    text.AppendBytes(begin, static_cast<std::uint32_t>(end - begin));
    return text;
}

bool SameName(const RtString& a, const RtString& b) {
    return tarvok::EqualIgnoringCase(a.CText(), b.CText());
}

template <typename T, typename Name>
std::ptrdiff_t FindByName(const std::vector<T>& items, const RtString& name, Name nameOf) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (SameName(nameOf(items[i]), name)) return static_cast<std::ptrdiff_t>(i);
    }
    return -1;
}

std::ptrdiff_t FindSection(const std::vector<IniSection>& sections, const RtString& name) {
    return FindByName(sections, name, [](const IniSection& s) -> const RtString& { return s.name; });
}

std::ptrdiff_t FindKey(const std::vector<IniKey>& keys, const RtString& key) {
    return FindByName(keys, key, [](const IniKey& k) -> const RtString& { return k.key; });
}

// Removes item i by moving the last item into its place, as the store's order rule says.
template <typename T>
void RemoveMovingLast(std::vector<T>& items, std::size_t i) {
    if (i + 1 != items.size()) items[i] = std::move(items.back());
    items.pop_back();
}

}  // namespace

std::vector<IniSection> ParseIni(tarvok::LineSource& lines) {
    std::vector<IniSection> sections;
    IniSection pending;
    char line[tarvok::kLineLimit + 1];
    std::size_t length = 0;
    while (tarvok::ReadLineFrom(lines, line, length)) {
        const char* p = SkipSpace(line);
        if (*p == ';') continue;
        if (*p == '[') {
            if (!pending.keys.empty()) sections.push_back(std::move(pending));
            pending = IniSection{};
            const char* name = SkipSpace(p + 1);
            const char* end = WordEnd(name);
            if (end > name && end[-1] == ']') --end;
            pending.name = Slice(name, end);
            continue;
        }
        const char* keyEnd = WordEnd(p);
        const char* after = SkipSpace(keyEnd);
        if (*after != '=') continue;
        RtString value(SkipSpace(after + 1));
        value.TrimControlTail();
        if (value.Length() > 0) pending.keys.push_back(IniKey{Slice(p, keyEnd), std::move(value)});
    }
    if (!pending.keys.empty()) sections.push_back(std::move(pending));
    return sections;
}

void IniStore::Load(const RtString& fileName) {
    sections_.clear();
    changed_ = false;
    fileName_ = fileName;
    std::string path;
    if (!ArchiveLookup(kDataArchive, fileName.CText(), path)) return;
    const platform::FileHandle file = platform::OpenFileForReading(path);
    if (file == platform::kNoFile) return;
    tarvok::BufferedFile lines(file);
    sections_ = ParseIni(lines);
    platform::CloseFile(file);
}

void IniStore::Read(tarvok::LineSource& lines) {
    fileName_ = RtString();
    changed_ = false;
    sections_ = ParseIni(lines);
}

RtString IniStore::Get(const RtString& section, const RtString& key) const {
    const std::ptrdiff_t s = FindSection(sections_, section);
    if (s < 0) return RtString(kNoData);
    const std::vector<IniKey>& keys = sections_[static_cast<std::size_t>(s)].keys;
    const std::ptrdiff_t k = FindKey(keys, key);
    return k < 0 ? RtString(kNoData) : keys[static_cast<std::size_t>(k)].value;
}

void IniStore::Put(const RtString& section, const RtString& key, const RtString& value) {
    std::ptrdiff_t s = FindSection(sections_, section);
    if (key.Length() == 0) {
        // NOTE: a section that is not there leaves the store untouched (no removal at index -1).
        if (s >= 0) {
            RemoveMovingLast(sections_, static_cast<std::size_t>(s));
            changed_ = true;
        }
        return;
    }
    if (s < 0) {
        sections_.push_back(IniSection{section, {}});
        s = static_cast<std::ptrdiff_t>(sections_.size() - 1);
    }
    std::vector<IniKey>& keys = sections_[static_cast<std::size_t>(s)].keys;
    const std::ptrdiff_t k = FindKey(keys, key);
    changed_ = true;
    if (k < 0) {
        keys.push_back(IniKey{key, value});
    } else if (value.Length() == 0) {
        RemoveMovingLast(keys, static_cast<std::size_t>(k));
    } else {
        keys[static_cast<std::size_t>(k)].value = value;
    }
}

void IniStore::Save() {
    std::string text;
    for (const IniSection& section : sections_) {
        text.append("[").append(section.name.CText()).append("]\r\n");
        for (const IniKey& key : section.keys)
            text.append(key.key.CText()).append("=").append(key.value.CText()).append("\r\n");
    }
    tarvok::WriteNewFile(fileName_.CText(), text);
}

void IniOpen(const RtString& name) {
    if (g_iniStore.Changed() && g_iniStore.FileName().Length() > 0) g_iniStore.Save();
    g_iniStore.Load(name);
}

RtString IniGet(const RtString& section, const RtString& key) { return g_iniStore.Get(section, key); }

void IniPut(const RtString& section, const RtString& key, const RtString& value) {
    g_iniStore.Put(section, key, value);
}

void tarvok::SaveIniStore() {
    if (g_iniStore.Changed() && g_iniStore.FileName().Length() > 0) g_iniStore.Save();
}
