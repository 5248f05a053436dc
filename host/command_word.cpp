// The first word of a shell command line.
#include "host/command_word.h"

namespace tarvok {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n'; }
bool EndsWord(char c) { return c == ';' || c == '&' || c == '|' || c == '<' || c == '>'; }
// Characters that start an expansion, a pattern, an assignment or a compound command.
bool NeedsShell(char c) {
    switch (c) {
        case '$':
        case '`':
        case '*':
        case '?':
        case '[':
        case '(':
        case ')':
        case '{':
        case '}':
        case '=':
        case '!':
            return true;
        default:
            return false;
    }
}

}  // namespace

ProgramWord FirstProgramWord(std::string_view line) {
    using Kind = ProgramWord::Kind;
    std::size_t i = 0;
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i == line.size()) return {Kind::kNone, {}};
    if (line[i] == '#' || line[i] == '~') return {Kind::kShellDecides, {}};

    std::string word;
    bool quoted = false;
    while (i < line.size() && !IsBlank(line[i])) {
        const char c = line[i];
        if (EndsWord(c)) {
            // A command line that starts with a redirection or an operator is the shell's to read.
            if (word.empty() && !quoted) return {Kind::kShellDecides, {}};
            break;
        }
        if (NeedsShell(c)) return {Kind::kShellDecides, {}};
        if (c == '\'') {
            const std::size_t close = line.find('\'', i + 1);
            if (close == std::string_view::npos) return {Kind::kShellDecides, {}};
            word.append(line.substr(i + 1, close - i - 1));
            quoted = true;
            i = close + 1;
        } else if (c == '"') {
            ++i;
            for (;;) {
                if (i == line.size() || line[i] == '$' || line[i] == '`') return {Kind::kShellDecides, {}};
                if (line[i] == '"') break;
                // Inside double quotes a backslash escapes only $ ` " \ and the line end.
                if (line[i] == '\\' && i + 1 < line.size()) {
                    const char next = line[i + 1];
                    if (next == '\n') {
                        i += 2;
                        continue;
                    }
                    if (next == '$' || next == '`' || next == '"' || next == '\\') ++i;
                }
                word += line[i++];
            }
            quoted = true;
            ++i;
        } else if (c == '\\') {
            if (i + 1 == line.size()) return {Kind::kShellDecides, {}};
            if (line[i + 1] != '\n') word += line[i + 1];  // backslash and line end join two lines
            i += 2;
        } else {
            word += c;
            ++i;
        }
    }
    return {Kind::kWord, word};
}

}  // namespace tarvok
