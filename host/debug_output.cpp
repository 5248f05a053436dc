// DebugOut and CommandLine: the debugger's output channel and the start arguments.
#include <string>

#include "host/host.h"
#include "platform/system.h"
#include "runtime/engine_globals.h"

void DebugOut(const RtString& text) {
    if (!platform::DebuggerAttached()) return;
    // The platform's channel ends every text with a line end: one that the text brings is not doubled.
    std::string line = std::string("TX") + text.CText();
    if (line.back() == '\n') line.pop_back();
    platform::DebuggerOutput(line.c_str());
}

RtString CommandLine() { return g_engine.commandLine; }
