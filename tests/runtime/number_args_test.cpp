#include "runtime/number_args.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

using namespace tarvok;

TEST(NumberArgs, TruncatesSaturatesAndWraps) {
    const double ints[][2] = {{2.9, 2}, {-2.9, -2}, {NAN, 0}, {1e300, 2147483647}, {-1e300, -2147483648.0},
                              {INFINITY, 2147483647}, {2147483647.9, 2147483647}, {2147483648.0, 2147483647},
                              {-2147483648.9, -2147483648.0}};
    for (const auto& [given, kept] : ints) EXPECT_EQ(ToInt(given), kept) << given;
    EXPECT_EQ(ToInt64(9.3e18), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(ToInt64(-9.3e18), std::numeric_limits<std::int64_t>::min());
    const double bits[][2] = {{4294967295.0, 0xFFFFFFFFu}, {-1.0, 0xFFFFFFFFu}, {4294967301.0, 5}, {NAN, 0}};
    for (const auto& [given, kept] : bits) EXPECT_EQ(ToLowBits32(given), kept) << given;
    EXPECT_TRUE(ToBool(NAN));
    EXPECT_TRUE(ToBool(-0.1));
    EXPECT_FALSE(ToBool(-0.0));
}
