#include <gtest/gtest.h>

#include "game/demo.h"

// The demo's table holds its subroutines under their exact names; without a window they draw nothing,
// but they run. The name rules themselves are the host's, tested there.
TEST(Game, SubroutinesAreCalledByTheirExactNames) {
    SetSubroutineTable(kDemoSubroutines);
    EXPECT_EQ(CallByName("punch"), 1.0);
    EXPECT_EQ(CallByName("WIN"), 1.0);
    EXPECT_EQ(CallByName("Punch"), 0.0);
}
