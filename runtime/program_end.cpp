// TerminateProgram and the log file.
#include "runtime/program_end.h"

#include <cstdio>

#include "platform/clock.h"
#include "platform/system.h"
#include "runtime/engine_globals.h"
#include "runtime/number_args.h"

EngineGlobals g_engine;

namespace {

void (*g_shutdown)() = nullptr;
bool g_terminating = false;

constexpr int kLogAttempts = 5;
constexpr int kLogRetryMs = 100;

void AppendLogNumber(double value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%d", tarvok::ToInt(value));
    AppendErrorLog(buf);
}

}  // namespace

RtString ErrorLogPath() {
    RtString path(platform::TempDir().c_str());
    path.Append("ErrorLog.txt");
    return path;
}

void AppendErrorLog(const char* text) {
    RtString line(text);
    line.Append("\r\n");
    const std::string path = ErrorLogPath().CText();
    for (int attempt = 0; attempt < kLogAttempts; ++attempt) {
        if (attempt > 0) platform::SleepMilliseconds(kLogRetryMs);
        if (platform::AppendToFile(path, line.CText(), line.Length())) return;
    }
}

double SetErrorCode(double code) {
    g_engine.errorCode = code;
    g_engine.endLine = g_engine.currentLine;
    return code;
}

void SetSourcePosition(double fileNumber, double line) {
    g_engine.sourceFile = fileNumber;
    g_engine.currentLine = line;
}

void SetShutdownHandler(void (*handler)()) { g_shutdown = handler; }

void TerminateProgram() {
    if (g_terminating) platform::ExitProcess(0);
    g_terminating = true;
    if (g_shutdown) g_shutdown();

    if (g_engine.debugMode != 0) {
        AppendErrorLog("-End On Line");
        AppendLogNumber(g_engine.errorCode);
        AppendLogNumber(tarvok::ToInt(g_engine.endLine) - 1.0);
        AppendLogNumber(g_engine.currentLine);
        AppendLogNumber(g_engine.sourceFile);
    }
    // A run-time error must not end the program silently, debug mode or not.
    if (g_engine.errorCode != 0) {
        char buf[96];
        std::snprintf(buf, sizeof buf, "Runtime error %d on line %d", tarvok::ToInt(g_engine.errorCode),
                      tarvok::ToInt(g_engine.endLine));
        AppendErrorLog(buf);
    }
    platform::ExitProcess(0);
}

void EndProgram() {
    SetErrorCode(0);
    TerminateProgram();
}

void RaiseRuntimeError(int code) {
    SetErrorCode(code);
    TerminateProgram();
}
