#include <cmath>
#include <cstdint>
#include <limits>

#include <gtest/gtest.h>

#include "runtime/runtime.h"

namespace {

#include "library_reference.inc"

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Same value, or both not a number.
void ExpectSameNumber(double actual, double expected) {
    if (std::isnan(expected)) {
        EXPECT_TRUE(std::isnan(actual)) << actual;
    } else {
        EXPECT_DOUBLE_EQ(actual, expected);
    }
}

}  // namespace

TEST(MathFunctions, MatchThePythonReference) {
    for (const TrigCase& c : kTrigCases) {
        SCOPED_TRACE(c.degrees);
        ExpectSameNumber(Sin(c.degrees), c.sin);
        ExpectSameNumber(Cos(c.degrees), c.cos);
        ExpectSameNumber(Tan(c.degrees), c.tan);
    }
    for (const ATanCase& c : kATanCases) ExpectSameNumber(ATan(c.y, c.x), c.degrees);
    for (const ACosCase& c : kACosCases) ExpectSameNumber(ACos(c.x), c.degrees);
    for (const PowCase& c : kPowCases) {
        SCOPED_TRACE(testing::Message() << c.x << " " << c.y);
        ExpectSameNumber(Pow(c.x, c.y), c.pow);
        ExpectSameNumber(FMod(c.x, c.y), c.fmod);
    }
    EXPECT_TRUE(std::isnan(Sin(kNaN)));
    EXPECT_TRUE(std::isnan(ACos(kNaN)));
    EXPECT_TRUE(std::isnan(Sqr(-1)));
    EXPECT_EQ(Sqr(16), 4);
    EXPECT_EQ(Abs(-2.5), 2.5);
}

TEST(MathFunctions, IntModBoxCollisionAndNumberTextLength) {
    // Both sides truncate and saturate to 32 bits; a divisor of 0 (or -1 of the smallest) gives 0.
    const double mods[][3] = {{7, 3, 1}, {-7, 3, -1}, {7, -3, 1}, {7.9, 3.9, 1}, {5, 0, 0}, {7, 0.5, 0},
                              {-2147483648.0, -1, 0}, {1e20, 7, 2147483647 % 7}, {kNaN, 3, 0}, {7, kNaN, 0}};
    for (const auto& m : mods) EXPECT_EQ(IntMod(m[0], m[1]), m[2]) << m[0] << " " << m[1];

    // Touching edges count; negative sizes reach back from the corner.
    const double boxes[][9] = {
        {0, 0, 10, 10, 10, 10, 5, 5, 1}, {0, 0, 10, 10, 11, 0, 5, 5, 0},   {10, 0, -10, 10, 5, 5, 1, 1, 1},
        {0, 0, 10, 10, 2, 2, 3, 3, 1},   {0, 0, 10, 10, 0, 10.5, 10, 10, 0},
        {0, 20, 10, -10, 0, 0, 10, 10, 1},
        {5, 5, 0, 0, 5, 5, 0, 0, 1},
    };
    for (const auto& b : boxes) EXPECT_EQ(BoxCollision(b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7]), b[8]);

    const double lengths[][2] = {{1, 1}, {-2.25, 5}, {12345678901.0, 15}, {0, 1}};  // "1.23456789e+010"
    for (const auto& [value, length] : lengths) EXPECT_EQ(NumberTextLength(value), length) << value;
}
