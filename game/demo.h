// The demo program: its main body and its table of subroutines callable by name ("punch", "WIN").
#pragma once

#include "host/host.h"

extern const SubroutineEntry kDemoSubroutines[];
// The main body: sets the screen, loads the pictures and runs the main loop until Esc; ends the program.
[[noreturn]] void DemoMainBody();
