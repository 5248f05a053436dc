// Shared helpers of the storage tests: file bytes, the shell, and a fresh working folder per test.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "runtime/engine_globals.h"
#include "storage/storage.h"
#include "tests/runtime/runtime_error_expect.h"

namespace storage_test {

namespace fs = std::filesystem;

inline std::string ReadBytes(const fs::path& path) { return ReadFile(path); }

inline void WriteBytes(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path().empty() ? fs::path(".") : path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

inline int Shell(const std::string& command) { return std::system(command.c_str()); }

// Each test works in a folder of its own, apart from the engine's temporary directory; open files,
// INI and slot changes and archives are given up after it.
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
    void TearDown() override {
        FlushStorageFiles();
        ReleaseArchives();
        fs::current_path(std::getenv("TMPDIR"));
    }

    fs::path work_;
};

}  // namespace storage_test
