// The file dialog's filter list, its program arguments and its answer: pure rules, tested directly.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarvok {

// Bytes of a filter text that are used; the rest is ignored.
constexpr std::size_t kFilterBytes = 1024;
// Bytes of the dialog program's answer that are kept.
constexpr std::size_t kDialogAnswerBytes = 65536;

// One entry of the dialog's filter list.
struct FileFilter {
    std::string description;
    std::vector<std::string> patterns;  // "*.bmp", "*.png", ...
};

// The pairs of a filter text such as "Pictures|*.bmp;*.png|All|*.*": items are separated by "|" and taken
// two by two as description and patterns (patterns separated by ";", blanks around them dropped). Only
// the first kFilterBytes bytes count; an empty item ends the list; a description without patterns, or
// whose patterns are all blank, is dropped.
std::vector<FileFilter> ParseFileFilter(std::string_view filter);

// zenity's argument list for the open dialog (open true) or the save dialog with these filters.
std::vector<std::string> DialogArguments(bool open, const std::vector<FileFilter>& filters);

// The game's result from what the dialog program wrote: its first line with "/" for every "\", or
// "NO_FILE" when nothing was chosen (chosen false, or an empty line).
std::string DialogResult(std::string_view output, bool chosen);

}  // namespace tarvok
