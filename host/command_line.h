// The command line a game program reads: its start arguments joined back into one text.
#pragma once

#include <string>

namespace tarvok {

// Joins argv[1..argc-1] with spaces so that the usual splitting of a game's command line gives back
// exactly these arguments: blanks separate, double quotes group, 2n backslashes before a quote stand
// for n backslashes, 2n+1 for n and a literal quote, other backslashes are themselves. An argument that
// is empty or holds a space, a tab or a quote is written in double quotes; others are written as they
// are.
std::string JoinCommandLine(int argc, const char* const* argv);

}  // namespace tarvok
