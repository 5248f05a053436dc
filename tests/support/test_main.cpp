// main() of every test program: a private temporary directory per run, SDL's dummy drivers unless the
// environment names others (tests that need a real window keep the video driver), then GoogleTest.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

// The engine ends a program with _Exit(0). In the middle of a test program that would skip every test
// left and report a pass, so test programs are linked with _Exit wrapped: outside a death test, an end
// while the tests run fails the program.
namespace {
bool g_testsRunning = false;
}

extern "C" [[noreturn]] void __real__Exit(int status);
extern "C" [[noreturn]] void __wrap__Exit(int status) {
    if (g_testsRunning && status == 0 && !testing::internal::InDeathTestChild()) {
        std::fputs("The program was ended while its tests ran.\n", stderr);
        status = 1;
    }
    __real__Exit(status);
}

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/tarvok-test-XXXXXX";
    char* dir = mkdtemp(pattern.data());
    if (!dir) return 2;
    setenv("TMPDIR", dir, 1);
#ifndef TARVOK_TEST_DISPLAY
    setenv("SDL_VIDEODRIVER", "dummy", 0);
#endif
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("TARVOK_NONINTERACTIVE", "1", 0);

    testing::InitGoogleTest(&argc, argv);
    g_testsRunning = true;
    const int result = RUN_ALL_TESTS();
    g_testsRunning = false;
    std::error_code ignored;
    fs::remove_all(dir, ignored);
    return result;
}
