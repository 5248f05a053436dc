#include "runtime/number_args.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

using namespace tarvok;

TEST(NumberArgs, TruncatesSaturatesAndWraps) {
    EXPECT_EQ(ToInt(2.9), 2);
    EXPECT_EQ(ToInt(-2.9), -2);
    EXPECT_EQ(ToInt(NAN), 0);
    EXPECT_EQ(ToInt(1e300), 2147483647);
    EXPECT_EQ(ToInt(-1e300), -2147483647 - 1);
    EXPECT_EQ(ToInt(INFINITY), 2147483647);
    EXPECT_EQ(ToInt(2147483647.9), 2147483647);
    EXPECT_EQ(ToInt(2147483648.0), 2147483647);
    EXPECT_EQ(ToInt(-2147483648.9), -2147483647 - 1);
    EXPECT_EQ(ToInt64(9.3e18), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(ToInt64(-9.3e18), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(ToLowBits32(4294967295.0), 0xFFFFFFFFu);
    EXPECT_EQ(ToLowBits32(-1.0), 0xFFFFFFFFu);
    EXPECT_EQ(ToLowBits32(4294967296.0 + 5), 5u);
    EXPECT_EQ(ToLowBits32(NAN), 0u);
    EXPECT_TRUE(ToBool(NAN));
    EXPECT_TRUE(ToBool(-0.1));
    EXPECT_FALSE(ToBool(-0.0));
}
