// Filter lists and answers of the file dialog.
#include "host/file_dialog.h"

#include <algorithm>

namespace tarvok {

namespace {

std::string_view TrimBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::vector<std::string> SplitPatterns(std::string_view list) {
    std::vector<std::string> patterns;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(';', start);
        if (end == std::string_view::npos) end = list.size();
        // zenity separates patterns by spaces, so a pattern cannot hold one: it splits there too.
        std::string_view rest = list.substr(start, end - start);
        while (!rest.empty()) {
            const std::size_t space = rest.find_first_of(" \t");
            const std::string_view piece = rest.substr(0, space);
            if (!piece.empty()) patterns.emplace_back(piece);
            rest = space == std::string_view::npos ? std::string_view() : rest.substr(space + 1);
        }
        start = end + 1;
    }
    return patterns;
}

}  // namespace

std::vector<FileFilter> ParseFileFilter(std::string_view filter) {
    filter = filter.substr(0, std::min(filter.size(), kFilterBytes));
    std::vector<std::string_view> items;
    std::size_t start = 0;
    while (start < filter.size()) {
        std::size_t end = filter.find('|', start);
        if (end == std::string_view::npos) end = filter.size();
        if (end == start) break;  // an empty item ends the list
        items.push_back(filter.substr(start, end - start));
        start = end + 1;
    }
    std::vector<FileFilter> filters;
    for (std::size_t i = 0; i + 1 < items.size(); i += 2) {
        FileFilter entry{std::string(TrimBlanks(items[i])), SplitPatterns(items[i + 1])};
        if (!entry.patterns.empty()) filters.push_back(std::move(entry));
    }
    return filters;
}

std::vector<std::string> DialogArguments(bool open, const std::vector<FileFilter>& filters) {
    std::vector<std::string> args = {"zenity", "--file-selection"};
    if (!open) args.emplace_back("--save");
    for (const FileFilter& filter : filters) {
        std::string arg = "--file-filter=" + filter.description + " |";
        for (const std::string& pattern : filter.patterns) arg += " " + pattern;
        args.push_back(std::move(arg));
    }
    return args;
}

std::string DialogResult(std::string_view output, bool chosen) {
    std::string path(output.substr(0, output.find('\n')));
    if (!chosen || path.empty()) return "NO_FILE";
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

}  // namespace tarvok
