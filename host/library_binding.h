// The module table of DeclareFunction, seen from inside the engine.
#pragma once

#include <cstddef>

namespace tarvok {

// Modules loaded by DeclareFunction and not yet released (each distinct name once).
std::size_t BoundModuleCount();

}  // namespace tarvok
