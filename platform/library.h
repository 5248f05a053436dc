// Shared libraries opened by name and their functions looked up by name (dlopen, dlsym, dlclose).
#pragma once

namespace platform {

// An open shared library; null when none.
using LibraryHandle = void*;

// Opens a shared library: a name with a "/" is a path, any other name is searched as the system's
// loader searches (its library path and cache). Null when the library cannot be loaded or the name is
// empty (an empty name would otherwise give the program itself).
LibraryHandle OpenLibrary(const char* name);
// The address of a function (or other symbol) of the library; null when it has none.
void* LibrarySymbol(LibraryHandle library, const char* name);
// Closes a library opened by OpenLibrary (null is ignored).
void CloseLibrary(LibraryHandle library);

}  // namespace platform
