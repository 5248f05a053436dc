// The single exit path, the run-time error codes and the log file ErrorLog.txt.
#pragma once

#include "runtime/rt_string.h"

// Run-time error codes handed to SetErrorCode.
enum RuntimeError : int {
    kErrorFile = 3,        // file read or write failed
    kErrorBadNumber = 7,   // bad channel or slot number, or no memory for an array
    kErrorIndex = 9,       // array index out of range
    kErrorNoData = 20,     // no more data items
};

// Appends text and CR LF to ErrorLog.txt in the temporary directory; up to 5 tries 100 ms apart,
// then the line is dropped silently.
void AppendErrorLog(const char* text);
// The path of ErrorLog.txt.
RtString ErrorLogPath();

// Error code := code; end line := current line. Returns the code.
double SetErrorCode(double code);
// Source file number and current line, kept by programs translated with line information.
void SetSourcePosition(double fileNumber, double line);

// The single exit path: ShutdownEngine, the end record in debug mode, a line for a run-time error,
// exit status 0. Runs once; a second call (from inside the shutdown) only ends the process.
[[noreturn]] void TerminateProgram();
// The normal end: SetErrorCode(0), then TerminateProgram.
[[noreturn]] void EndProgram();
// SetErrorCode(code), then TerminateProgram: how commands raise a run-time error.
[[noreturn]] void RaiseRuntimeError(int code);

// The engine registers its ShutdownEngine here when it starts; TerminateProgram calls it first.
void SetShutdownHandler(void (*handler)());
