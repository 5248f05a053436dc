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

TEST(MathFunctions, TrigonometryInDegrees) {
    EXPECT_EQ(Sin(90), 1);
    EXPECT_EQ(Cos(180), -1);
    EXPECT_EQ(Sin(0), 0);
    EXPECT_EQ(Cos(0), 1);
    EXPECT_EQ(ATan(1, 1), 45);
    EXPECT_EQ(ACos(2), 0);
    EXPECT_EQ(ACos(-1), 180);
    for (const TrigCase& c : kTrigCases) {
        SCOPED_TRACE(c.degrees);
        ExpectSameNumber(Sin(c.degrees), c.sin);
        ExpectSameNumber(Cos(c.degrees), c.cos);
        ExpectSameNumber(Tan(c.degrees), c.tan);
    }
    for (const ATanCase& c : kATanCases) ExpectSameNumber(ATan(c.y, c.x), c.degrees);
    for (const ACosCase& c : kACosCases) ExpectSameNumber(ACos(c.x), c.degrees);
    EXPECT_TRUE(std::isnan(Sin(kNaN)));
    EXPECT_TRUE(std::isnan(ACos(kNaN)));
}

TEST(MathFunctions, RootsPowersAndRemainders) {
    EXPECT_EQ(Sqr(16), 4);
    EXPECT_TRUE(std::isnan(Sqr(-1)));
    EXPECT_EQ(Abs(-2.5), 2.5);
    EXPECT_EQ(Abs(3), 3);
    for (const PowCase& c : kPowCases) {
        SCOPED_TRACE(testing::Message() << c.x << " " << c.y);
        ExpectSameNumber(Pow(c.x, c.y), c.pow);
        ExpectSameNumber(FMod(c.x, c.y), c.fmod);
    }
    EXPECT_EQ(FMod(7.5, 2), 1.5);
    EXPECT_EQ(FMod(7.5, 0), 0);

    EXPECT_EQ(IntMod(7, 3), 1);
    EXPECT_EQ(IntMod(-7, 3), -1);
    EXPECT_EQ(IntMod(7, -3), 1);
    EXPECT_EQ(IntMod(7.9, 3.9), 1);
    EXPECT_EQ(IntMod(5, 0), 0);
    EXPECT_EQ(IntMod(7, 0.5), 0);  // the divisor truncates to 0
    EXPECT_EQ(IntMod(-2147483648.0, -1), 0);
    EXPECT_EQ(IntMod(1e20, 7), 2147483647 % 7);  // saturated to the 32-bit range
    EXPECT_EQ(IntMod(kNaN, 3), 0);
    EXPECT_EQ(IntMod(7, kNaN), 0);
}

TEST(MathFunctions, BoxCollisionCountsTouchingEdges) {
    EXPECT_EQ(BoxCollision(0, 0, 10, 10, 10, 10, 5, 5), 1);   // shared corner
    EXPECT_EQ(BoxCollision(0, 0, 10, 10, 11, 0, 5, 5), 0);
    EXPECT_EQ(BoxCollision(10, 0, -10, 10, 5, 5, 1, 1), 1);   // negative width
    EXPECT_EQ(BoxCollision(0, 0, 10, 10, 2, 2, 3, 3), 1);     // one inside the other
    EXPECT_EQ(BoxCollision(0, 0, 10, 10, 0, 10.5, 10, 10), 0);
    EXPECT_EQ(BoxCollision(0, 20, 10, -10, 0, 0, 10, 10), 1);  // negative height reaching y = 10
    EXPECT_EQ(BoxCollision(5, 5, 0, 0, 5, 5, 0, 0), 1);       // two equal points
}

TEST(MathFunctions, NumberTextLength) {
    EXPECT_EQ(NumberTextLength(1), 1);
    EXPECT_EQ(NumberTextLength(0.25), 4);
    EXPECT_EQ(NumberTextLength(-2.25), 5);
    EXPECT_EQ(NumberTextLength(12345678901.0), 15);  // "1.23456789e+010"
    EXPECT_EQ(NumberTextLength(0), 1);
}
