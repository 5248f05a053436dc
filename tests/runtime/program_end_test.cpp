#include "runtime/program_end.h"

#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "runtime/engine_globals.h"

namespace {

std::string ReadLog() {
    std::ifstream in(ErrorLogPath().CText(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void MarkShutdown() { AppendErrorLog("shutdown ran"); }

}  // namespace

TEST(ProgramEnd, LogLinesEndInCrLf) {
    std::remove(ErrorLogPath().CText());
    AppendErrorLog("first");
    AppendErrorLog("");
    AppendErrorLog("third line");
    EXPECT_EQ(ReadLog(), "first\r\n\r\nthird line\r\n");
}

TEST(ProgramEnd, EndRecordInDebugModeAfterShutdown) {
    std::remove(ErrorLogPath().CText());
    EXPECT_EXIT(
        {
            g_engine.debugMode = 1;
            SetShutdownHandler(MarkShutdown);
            EndProgram();
        },
        testing::ExitedWithCode(0), "");
    EXPECT_EQ(ReadLog(), "shutdown ran\r\n-End On Line\r\n0\r\n-1\r\n0\r\n0\r\n");
}

TEST(ProgramEnd, RuntimeErrorIsLoggedWithoutDebugModeAndExitsZero) {
    std::remove(ErrorLogPath().CText());
    EXPECT_EXIT(
        {
            g_engine.debugMode = 0;
            SetSourcePosition(2, 17);
            RaiseRuntimeError(kErrorIndex);
        },
        testing::ExitedWithCode(0), "");
    EXPECT_EQ(ReadLog(), "Runtime error 9 on line 17\r\n");

    std::remove(ErrorLogPath().CText());
    EXPECT_EXIT(
        {
            g_engine.debugMode = 1;
            SetSourcePosition(3, 40);
            SetErrorCode(3);
            SetSourcePosition(3, 41);
            TerminateProgram();
        },
        testing::ExitedWithCode(0), "");
    EXPECT_EQ(ReadLog(), "-End On Line\r\n3\r\n39\r\n41\r\n3\r\n"
                         "Runtime error 3 on line 40\r\n");
}

TEST(ProgramEnd, UnwritableLogDirectoryNeitherHangsNorCrashes) {
    // A "directory" that is a plain file: no log can be made below it, even by root.
    const std::string dir = std::string(std::getenv("TMPDIR")) + "/not-a-directory";
    std::ofstream(dir) << "x";
    EXPECT_EXIT(
        {
            setenv("TMPDIR", dir.c_str(), 1);  // the log path is read once, so set it before first use
            AppendErrorLog("lost");
            g_engine.debugMode = 1;
            EndProgram();
        },
        testing::ExitedWithCode(0), "");
}
