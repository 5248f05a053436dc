// The program that a shell command line starts: a pure reading of its first word, tested directly.
#pragma once

#include <string>
#include <string_view>

namespace tarvok {

struct ProgramWord {
    enum class Kind {
        kNone,          // the line holds no command at all
        kWord,          // word is the first word, its quotes and escapes removed
        kShellDecides,  // the first word depends on expansions or syntax only the shell can evaluate
    };
    Kind kind = Kind::kNone;
    std::string word;
};

// Reads the first word of a command line as /bin/sh would split it: blanks before it are skipped, '...'
// and "..." quotes and backslash escapes are removed, and it ends at a blank or at one of ; & | < >.
// Parameter, command and arithmetic expansions, wildcards, assignments, tildes, groups, comments and
// unterminated quotes leave it to the shell.
ProgramWord FirstProgramWord(std::string_view commandLine);

}  // namespace tarvok
