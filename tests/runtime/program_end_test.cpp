#include "runtime/program_end.h"

#include <cstdlib>
#include <fstream>
#include <string>

#include <gtest/gtest.h>

#include "runtime/engine_globals.h"
#include "tests/runtime/runtime_error_expect.h"

TEST(ProgramEnd, LogLinesEndRecordAndRuntimeErrors) {
    std::remove(ErrorLogPath().CText());
    AppendErrorLog("first");
    AppendErrorLog("");
    EXPECT_EQ(ReadErrorLog(), "first\r\n\r\n");
    EXPECT_RUNTIME_ERROR(RaiseRuntimeError(kErrorIndex), 9);  // without debug mode: the error line only

    // In debug mode the end record follows the shutdown handler's lines; an error line comes last.
    for (const bool error : {false, true}) {
        std::remove(ErrorLogPath().CText());
        EXPECT_EXIT(
            {
                g_engine.debugMode = 1;
                SetShutdownHandler([] { AppendErrorLog("shutdown ran"); });
                SetSourcePosition(3, 40);
                if (error) SetErrorCode(3);
                SetSourcePosition(3, 41);
                error ? TerminateProgram() : EndProgram();
            },
            testing::ExitedWithCode(0), "");
        EXPECT_EQ(ReadErrorLog(), error ? "shutdown ran\r\n-End On Line\r\n3\r\n39\r\n41\r\n3\r\n"
                                          "Runtime error 3 on line 40\r\n"
                                        : "shutdown ran\r\n-End On Line\r\n0\r\n40\r\n41\r\n3\r\n");
    }
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
