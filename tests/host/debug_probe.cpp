// A small program for the debugger tests: sends its argument through DebugOut and declares a function
// of a module that does not exist, then ends.
#include "host/host.h"

int main(int argc, char** argv) {
    if (argc > 1) DebugOut(argv[1]);
    RtString module("Missing_Module.DLL");
    void* address = nullptr;
    DeclareFunction(module, "Anything", address);
    return address == nullptr ? 0 : 1;
}
