// DeclareFunction: the module table and the binding of library functions by name.
#include "host/library_binding.h"

#include <cstring>
#include <string>
#include <vector>

#include "host/host.h"
#include "host/library_names.h"
#include "platform/files.h"
#include "platform/library.h"
#include "platform/system.h"

namespace tarvok {
namespace {

// One loaded module: its handle and its name in lower case, as the game declared it.
struct BoundModule {
    platform::LibraryHandle handle = nullptr;
    RtString name;
};

// The module table; each module is loaded once and kept until ReleaseBoundModules.
std::vector<BoundModule> g_modules;

// The program's directory, without a trailing "/" (empty when unknown).
std::string ProgramDirectory() {
    const std::string path = platform::ProgramPath();
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

platform::LibraryHandle LoadModule(const RtString& name) {
    for (const std::string& candidate : LibraryCandidates(name.CText(), ProgramDirectory())) {
        // Paths are found whatever their letter case, as every file name of the game is.
        const std::string file =
            candidate.find('/') == std::string::npos ? candidate : platform::ResolvePath(candidate);
        if (platform::LibraryHandle handle = platform::OpenLibrary(file.c_str())) return handle;
    }
    return nullptr;
}

void LowerInPlace(RtString& text) {
    for (std::uint32_t i = 0; i < text.Length(); ++i) {
        const std::int32_t c = text.CharAt(static_cast<std::int32_t>(i));
        if (c >= 'A' && c <= 'Z') text.SetCharAt(static_cast<std::int32_t>(i), c + ('a' - 'A'));
    }
}

}  // namespace

std::size_t BoundModuleCount() { return g_modules.size(); }

}  // namespace tarvok

void DeclareFunction(RtString& module, const RtString& function, void*& address) {
    using namespace tarvok;
    address = nullptr;
    LowerInPlace(module);

    platform::LibraryHandle handle = nullptr;
    for (const BoundModule& bound : g_modules) {
        if (bound.name.Length() == module.Length() &&
            std::memcmp(bound.name.Data(), module.Data(), module.Length()) == 0) {
            handle = bound.handle;
            break;
        }
    }
    if (!handle) {
        handle = LoadModule(module);
        if (!handle) {
            DebugOut(RtString("DECLARE module not found: ") + module + "\n");
            return;
        }
        g_modules.push_back({handle, module});
    }
    address = platform::LibrarySymbol(handle, function.CText());
}

void ReleaseBoundModules() {
    using namespace tarvok;
    for (const BoundModule& bound : g_modules) platform::CloseLibrary(bound.handle);
    g_modules.clear();
}
