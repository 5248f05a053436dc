// Shared libraries over the dynamic loader.
#include "platform/library.h"

#include <dlfcn.h>

namespace platform {

LibraryHandle OpenLibrary(const char* name) {
    if (!name || !*name) return nullptr;
    // Bind every symbol now, so a library with missing dependencies fails here and not at a later call.
    return dlopen(name, RTLD_NOW | RTLD_LOCAL);
}

void* LibrarySymbol(LibraryHandle library, const char* name) {
    if (!library || !name) return nullptr;
    return dlsym(library, name);
}

void CloseLibrary(LibraryHandle library) {
    if (library) dlclose(library);
}

}  // namespace platform
