// Host integration: functions of shared libraries bound by name, the game's subroutines called by name,
// debug text for an attached debugger, starting other programs, file dialogs and the command line.
//
// Library modules are named as on the game's own platform ("user32.dll"); a name that does not load as
// given is also tried as this platform's library name ("libuser32.so", "user32.so"), and bare names are
// looked for in the program's directory before the system's library path. Programs are shell command
// lines (/bin/sh -c); file dialogs are zenity's. All of it runs on the game's thread.
#pragma once

#include "runtime/rt_string.h"

// ---------------------------------------------------------------------------------------------------
// Functions of shared libraries

// Lowers the module name in place, loads the module once (reused by later declarations) and sets address
// to the function, or to null when the function or the module is missing. A missing module reports
// "DECLARE module not found: " and the name through DebugOut; a missing function reports nothing.
void DeclareFunction(RtString& module, const RtString& function,
                     void*& address);  // the address of a function in a shared library, or null

// ---------------------------------------------------------------------------------------------------
// The game's subroutines by name

// A subroutine of the game program: no arguments, no result.
using GameSubroutine = void (*)();
// One row of the game's subroutine table; the table ends with a row whose entry and name are both null.
struct SubroutineEntry {
    GameSubroutine entry;  // the subroutine; null in the end row
    const char* name;      // its name exactly as written in the game's source; null in the end row
};
// Hands the engine the game's table, a static array ending with {nullptr, nullptr}; the game program
// calls it before ProgramMain. Null (the start state): a table with only the end row.
void SetSubroutineTable(const SubroutineEntry* table);  // the game's subroutines, for CallByName
// Calls the first subroutine of that name (case-sensitive): 1 when one was called, else 0 and
// "CALLBYNAME \"name\" *** failed ***" through DebugOut.
double CallByName(const RtString& name);  // calls the game's subroutine of that name; 1 / 0
GameSubroutine FindSubByName(const RtString& name);  // the subroutine of that name (case-sensitive), or null

// ---------------------------------------------------------------------------------------------------
// Host services

// "TX" and the text on the debugger output (standard error) while a debugger is attached; else nothing.
void DebugOut(const RtString& text);  // text for an attached debugger
// Starts the command line through /bin/sh -c: 1 when started, else 0 (an empty line, or a first word
// that names no program the shell can start). With wait non-zero it waits for the end and sets
// exitCode to the exit status (128 + signal number when a signal ended it); else exitCode stays 0.
// The show flag has no meaning here: programs get no window of the engine's.
double RunProgram(RtString& commandLine, double wait, double show,
                  double& exitCode);  // starts a program, waiting for its end if asked; 1 / 0
// The open dialog (open non-zero) or the save dialog, with the filter's "description|patterns" pairs
// (patterns separated by ";", at most 1024 bytes of filter used). The display is hidden meanwhile and
// the current directory kept. The chosen path with "/" for every "\", or "NO_FILE" when the dialog was
// cancelled or no dialog program exists.
RtString FileRequest(double open, const RtString& filter);  // a file chosen in a dialog, or "NO_FILE"
RtString CommandLine();  // a copy of the command line the program was started with

// ---------------------------------------------------------------------------------------------------
// Engine shutdown

// Closes every module DeclareFunction loaded; later declarations load anew.
void ReleaseBoundModules();
