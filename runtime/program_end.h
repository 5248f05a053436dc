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

// --- Program end and the error log ---------------------------------------------------------------
// Appends text and CR LF to ErrorLog.txt in the temporary directory; up to 5 tries 100 ms apart,
// then the line is dropped silently.
void AppendErrorLog(const char* text);  // one line in ErrorLog.txt
RtString ErrorLogPath();                 // the path of ErrorLog.txt

double SetErrorCode(double code);                        // error code := code, end line := current line; code
void SetSourcePosition(double fileNumber, double line);  // kept by programs translated with line information

// The single exit path: ShutdownEngine, the end record in debug mode, a line for a run-time error,
// exit status 0. Runs once; a second call (from inside the shutdown) only ends the process.
[[noreturn]] void TerminateProgram();           // ends the program with the error code set last
[[noreturn]] void EndProgram();                 // the normal end: SetErrorCode(0), then TerminateProgram
[[noreturn]] void RaiseRuntimeError(int code);  // SetErrorCode(code), then TerminateProgram

// --- Engine start ----------------------------------------------------------------------------------
// The engine registers its ShutdownEngine here when it starts; TerminateProgram calls it first.
void SetShutdownHandler(void (*handler)());
