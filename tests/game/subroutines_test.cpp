#include <gtest/gtest.h>

#include "game/demo.h"

TEST(Game, SubroutinesAreCalledByTheirExactNames) {
    SetSubroutineTable(kDemoSubroutines);
    EXPECT_NE(FindSubByName("punch"), nullptr);
    EXPECT_NE(FindSubByName("WIN"), nullptr);
    EXPECT_NE(FindSubByName("punch"), FindSubByName("WIN"));
    EXPECT_EQ(FindSubByName("Punch"), nullptr);  // names are case-sensitive
    EXPECT_EQ(FindSubByName("win"), nullptr);
    // Without a window the subroutines draw nothing, but they run.
    EXPECT_EQ(CallByName("punch"), 1.0);
    EXPECT_EQ(CallByName("WIN"), 1.0);
    EXPECT_EQ(CallByName("Punch"), 0.0);
    EXPECT_EQ(CallByName(""), 0.0);
}
