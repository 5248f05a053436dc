// The engine's entry, start-up, frame flip and shutdown: the pieces that call every subsystem.
#pragma once

#include "frame/frame.h"
#include "runtime/engine_globals.h"
#include "runtime/program_end.h"
#include "runtime/rt_string.h"

// --- Program entry -------------------------------------------------------------------------------
// Stores the command line (argv[1..] joined by spaces, quoted so that splitting it gives them back),
// sets the default settings (640 x 480 windowed, 60 frames per second), InitEngine, then runs mainBody.
[[noreturn]] void ProgramMain(int argc, char** argv, const char* title,
                              void (*mainBody)());  // a game's main(): starts the engine, runs the game

// --- Engine start and end ------------------------------------------------------------------------
// Builds every engine object in its fixed order, opens the window and shows "Loading..." for one frame.
// When no display can be made: a log line, a message on standard error, exit status 1.
void InitEngine(const RtString& commandLine, int showCode, const char* title);
// Releases everything InitEngine made, in its fixed order.
void ShutdownEngine();

// --- Game commands -------------------------------------------------------------------------------
void ShowScreen();                                     // finish and present the frame
void SetScreen(double width, double height, double fullScreen);  // new size and mode of the display
void IdleStep();                                       // idle step of the waiting commands
void DebugBreakpoint(int number);                      // report a breakpoint to an attached debugger
