// Shared helpers of the storage tests: a fresh working folder per test, file bytes, and checks of the
// run-time errors that end the program.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "runtime/engine_globals.h"
#include "runtime/program_end.h"

namespace storage_test {

namespace fs = std::filesystem;

inline std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path().empty() ? fs::path(".") : path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline std::string ReadLog() { return ReadBytes(ErrorLogPath().CText()); }

// Runs a command of the shell; its exit status.
inline int Shell(const std::string& command) { return std::system(command.c_str()); }

// Each test works in a folder of its own below the run's private TMPDIR; the temporary directory of
// the engine is a sibling folder, so extracted files never mix with the test's files.
class StorageTest : public testing::Test {
protected:
    void SetUp() override {
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        work_ = fs::path(std::getenv("TMPDIR")) /
                (std::string("work-") + info->test_suite_name() + "-" + info->name());
        fs::remove_all(work_);
        fs::create_directories(work_);
        fs::current_path(work_);
        std::remove(ErrorLogPath().CText());
        g_engine.errorCode = 0;
    }
    void TearDown() override { fs::current_path(std::getenv("TMPDIR")); }

    fs::path work_;
};

}  // namespace storage_test

// Expects the statement to end the program (status 0) with the run-time error code in ErrorLog.txt.
#define EXPECT_RUNTIME_ERROR(statement, code)                                                  \
    do {                                                                                       \
        std::remove(ErrorLogPath().CText());                                                   \
        EXPECT_EXIT({ statement; }, testing::ExitedWithCode(0), "");                           \
        EXPECT_NE(storage_test::ReadLog().find("Runtime error " #code " "), std::string::npos) \
            << "expected run-time error " #code ", log: " << storage_test::ReadLog();          \
    } while (0)
