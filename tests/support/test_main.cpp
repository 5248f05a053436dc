// main() of every test program: a private temporary directory per run, SDL's dummy drivers unless the
// environment names others (tests that need a real window keep the video driver), then GoogleTest.
#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

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
    const int result = RUN_ALL_TESTS();
    std::error_code ignored;
    fs::remove_all(dir, ignored);
    return result;
}
