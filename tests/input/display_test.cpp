// Keyboard and mouse through the whole engine under a display: real X events sent with xdotool. The run
// has an X server of its own, as xdotool acts on whatever window has the focus.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/run_command.h"

TEST(InputDisplay, RealKeysTypingWaitsAndMouse) {
    const auto run =
        testsupport::RunCommand("env TARVOK_NONINTERACTIVE=1 TARVOK_UNPACED=0 " TARVOK_SOURCE_DIR
                                "/tests/support/private-display.sh timeout 60 " TARVOK_TEST_BINARY_DIR
                                "/tests/input/input_probe 2>&1");
    EXPECT_EQ(run.status, 0) << run.out;
    for (const char* line : {"typed [Hi 5\\8\\10]", "keywait 1 []", "mousewait 1", "moved 1", "dx 30 same 1",
                             "button 1 1 1 1 0", "button 3 1 1 0 1", "button 2 1 1 0 0", "wheel 1 1",
                             "wheel -1 1", "relative 15 7 moved 15 7", "keys 105", "done"})
        EXPECT_NE(run.out.find(std::string(line) + "\n"), std::string::npos) << line;
    // Each of the 105 keys is seen down and then up; an extended key and its plain twin are different keys.
    EXPECT_EQ(run.out.find("failed"), std::string::npos);
    if (HasFailure()) std::printf("%s", run.out.c_str());
}
