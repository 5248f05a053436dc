// Keyboard and mouse through the whole engine under a display: real X events sent with xdotool, and
// the key script. Each run has an X server of its own: xdotool acts on whatever window has the focus.
#include <gtest/gtest.h>

#include "tests/support/run_command.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using ProbeRun = testsupport::CommandResult;

ProbeRun RunProbe(const std::string& mode, const std::string& keys = "") {
    std::string command = "env TARVOK_NONINTERACTIVE=1 TARVOK_UNPACED=0 ";
    if (!keys.empty()) {
        const std::string keyFile = std::string(std::getenv("TMPDIR")) + "/keys.txt";
        std::ofstream(keyFile) << keys;
        command += "TARVOK_KEYS=" + keyFile + " ";
    }
    command += TARVOK_SOURCE_DIR "/tests/support/private-display.sh timeout 60 " TARVOK_TEST_BINARY_DIR
                                 "/tests/input/input_probe " +
               mode + " 2>&1";
    return testsupport::RunCommand(command);
}

bool Has(const std::string& out, const std::string& line) {
    return out.find(line + "\n") != std::string::npos;
}

}  // namespace

TEST(InputDisplay, KeyScriptReachesKeyStateAndTypedCharacters) {
    // Keys of frame N are down from ShowScreen N on; columns: Enter, A, left Shift, B, keypad Enter, Up.
    const ProbeRun run = RunProbe("script",
                                  "2 down 30\n4 up 30\n"
                                  "5 down 42\n6 down 48\n7 up 48\n8 up 42\n"
                                  "9 down 200\n10 up 200\n"
                                  "11 down 156\n12 up 156\n13 down 28\n15 up 28\n"
                                  "16 down 30\n17 down 48\n19 up 30\n20 up 48\n"
                                  "22 down 1\n");
    EXPECT_EQ(run.status, 0);
    const char* expected[] = {"1: 0 0 0 0 0 0 []", "2: 0 1 0 0 0 0 [a]", "3: 0 1 0 0 0 0 []",
                              "4: 0 0 0 0 0 0 []", "5: 0 0 1 0 0 0 []", "6: 0 0 1 1 0 0 [B]",
                              "7: 0 0 1 0 0 0 []", "8: 0 0 0 0 0 0 []", "9: 0 0 0 0 0 1 []",
                              "10: 0 0 0 0 0 0 []", "11: 0 0 0 0 1 0 [\\10]", "12: 0 0 0 0 0 0 []",
                              "13: 1 0 0 0 0 0 [\\10]", "14: 1 0 0 0 0 0 []", "15: 0 0 0 0 0 0 []",
                              // Two keys: the lower code types; when it is let go, the other one types.
                              "16: 0 1 0 0 0 0 [a]", "17: 0 1 0 1 0 0 []", "18: 0 1 0 1 0 0 []",
                              "19: 0 0 0 1 0 0 [b]", "20: 0 0 0 0 0 0 []", "21: 0 0 0 0 0 0 []"};
    for (const char* line : expected) EXPECT_TRUE(Has(run.out, line)) << line << "\n" << run.out;
    EXPECT_FALSE(Has(run.out, "22: 0 0 0 0 0 0 []")) << run.out;  // Esc ended it
}

TEST(InputDisplay, RealKeysTypingWaitsAndMouse) {
    const ProbeRun run = RunProbe("real");
    EXPECT_EQ(run.status, 0) << run.out;
    const std::vector<std::string> expected = {"typed [Hi 5\\8\\10]",
                                               "keywait 1 []",
                                               "mousewait 1",
                                               "moved 1",
                                               "dx 30 same 1",
                                               "button 1 1 1 1 0",
                                               "button 3 1 1 0 1",
                                               "button 2 1 1 0 0",
                                               "wheel up 1",
                                               "wheel down 1",
                                               "relative 15 7 moved 15 7",
                                               "done"};
    for (const std::string& line : expected) EXPECT_TRUE(Has(run.out, line)) << line;
    // Each of the 105 keys is seen down and then up; an extended key and its plain twin are different keys.
    std::istringstream lines(run.out);
    int keys = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("key ", 0) != 0) continue;
        ++keys;
        EXPECT_EQ(line.substr(line.size() - 6), " 1 1 0") << line;
    }
    EXPECT_EQ(keys, 105);
    if (HasFailure()) std::printf("%s", run.out.c_str());
}
