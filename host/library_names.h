// Where a module named by the game is looked for: pure rules, tested directly.
#pragma once

#include <string>
#include <vector>

namespace tarvok {

// The file names under which a module is tried, in order. "\" counts as "/". First the name as given,
// then, for a last element ending in ".dll" or without any ".", this platform's names for it:
// "lib" + stem + ".so" and stem + ".so". A name with a "/" is a path and is tried only there; a bare
// name is tried in programDir first (when not empty), then as the system's loader finds it.
std::vector<std::string> LibraryCandidates(const std::string& module, const std::string& programDir);

}  // namespace tarvok
