// Checks of the run-time error path: status 0 and exactly "Runtime error <code> on line 42" logged.
#pragma once

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include <gtest/gtest.h>

#include "runtime/program_end.h"

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline std::string ReadErrorLog() { return ReadFile(ErrorLogPath().CText()); }

#define EXPECT_RUNTIME_ERROR(statement, code)                                                   \
    do {                                                                                        \
        std::remove(ErrorLogPath().CText());                                                    \
        EXPECT_EXIT({ SetSourcePosition(1, 42); statement; }, testing::ExitedWithCode(0), "");  \
        EXPECT_EQ(ReadErrorLog(), "Runtime error " + std::to_string(code) + " on line 42\r\n"); \
    } while (0)

// The same for a table of calls and their codes.
inline void ExpectRuntimeErrors(std::initializer_list<std::pair<void (*)(), int>> calls) {
    int row = 0;
    for (const auto& [call, code] : calls) {
        SCOPED_TRACE(testing::Message() << "row " << row++);
        EXPECT_RUNTIME_ERROR(call(), code);
    }
}
