// For the debugger test: texts, failed calls by name and failed declarations (status 1 if one binds).
#include <string>

#include "host/host.h"

namespace {

void Punch() {}
const SubroutineEntry kSubroutines[] = {{Punch, "punch"}, {nullptr, "declared"}, {nullptr, nullptr}};

}  // namespace

int main(int argc, char** argv) {
    SetSubroutineTable(kSubroutines);
    for (const std::string& text :
         {std::string(argc > 1 ? argv[1] : ""), std::string("line end of its own\n"), std::string(),
          std::string(100000, 'z')})
        DebugOut(text.c_str());
    for (const char* name : {"Punch", "declared", "punch"}) CallByName(name);  // a success says nothing
    // A missing module is reported; a missing or unnamed function of a library that loads is not.
    bool bound = false;
    for (const auto& [module, function] :
         {std::pair{"NoSuchModule.DLL", "TestAdd"}, std::pair{"tarvok_host_testlib.dll", "NoSuchFunction"},
          std::pair{"tarvok_host_testlib.dll", ""}}) {
        RtString name(module);
        void* address = &name;
        DeclareFunction(name, function, address);
        bound = bound || address != nullptr;
    }
    ReleaseBoundModules();
    return bound ? 1 : 0;
}
