// Shared libraries, in the browser: a page loads none, so binding a library fails as for a missing file.
#include "platform/library.h"

namespace platform {

LibraryHandle OpenLibrary(const char*) { return nullptr; }
void* LibrarySymbol(LibraryHandle, const char*) { return nullptr; }
void CloseLibrary(LibraryHandle) {}

}  // namespace platform
