// Volume and pan: the game's numbers to hundredths of a decibel, and those to linear gains.
#include "sound/sound_levels.h"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace {

using tarvok::GainsFromLevels;
using tarvok::LevelsFromArguments;

void expectLevels(double pan, double volume, int expectPan, int expectVolume) {
    const auto levels = LevelsFromArguments(pan, volume);
    EXPECT_EQ(levels.pan, expectPan) << "pan " << pan << " volume " << volume;
    EXPECT_EQ(levels.volume, expectVolume) << "pan " << pan << " volume " << volume;
}

TEST(SoundLevels, ArgumentsToCentibels) {
    expectLevels(0, 1, 0, 0);
    expectLevels(0, 0.5, 0, -5000);
    expectLevels(0, 0, 0, -10000);
    expectLevels(0, 2, 0, 0);          // above 1: full volume
    expectLevels(0, -1, 0, -10000);    // below 0: silence
    expectLevels(-3, 1, -10000, 0);    // pan limited to -1..1
    expectLevels(3, 1, 10000, 0);
    expectLevels(0.25, 0.337, 2500, -6700);  // volume * 100 truncated to 33
    const double nan = std::numeric_limits<double>::quiet_NaN();
    expectLevels(nan, nan, 0, -10000);
    const double inf = std::numeric_limits<double>::infinity();
    expectLevels(-inf, inf, -10000, 0);
}

TEST(SoundLevels, DecibelLaw) {
    auto law = [](int centibels) { return static_cast<float>(std::pow(10.0, centibels / 2000.0)); };
    auto gains = GainsFromLevels({0, 0});
    EXPECT_FLOAT_EQ(gains.left, 1.0f);
    EXPECT_FLOAT_EQ(gains.right, 1.0f);

    gains = GainsFromLevels({-5000, 0});  // volume 0.5: -50 dB, not half
    EXPECT_FLOAT_EQ(gains.left, 0.00316227766f);
    EXPECT_FLOAT_EQ(gains.right, 0.00316227766f);

    gains = GainsFromLevels({-1000, -2000});  // pan to the left attenuates the right side only
    EXPECT_FLOAT_EQ(gains.left, law(-1000));
    EXPECT_FLOAT_EQ(gains.right, law(-3000));

    gains = GainsFromLevels({-600, 2500});
    EXPECT_FLOAT_EQ(gains.left, law(-3100));
    EXPECT_FLOAT_EQ(gains.right, law(-600));

    gains = GainsFromLevels({0, -10000});
    EXPECT_FLOAT_EQ(gains.left, 1.0f);
    EXPECT_EQ(gains.right, 0.0f);
    gains = GainsFromLevels({0, 10000});
    EXPECT_EQ(gains.left, 0.0f);
    EXPECT_FLOAT_EQ(gains.right, 1.0f);

    gains = GainsFromLevels({-10000, 0});
    EXPECT_EQ(gains.left, 0.0f);
    EXPECT_EQ(gains.right, 0.0f);
    gains = GainsFromLevels({-9999, 0});  // just above silence
    EXPECT_GT(gains.left, 0.0f);
    gains = GainsFromLevels({-5000, -6000});  // beyond -100 dB together: silent
    EXPECT_EQ(gains.right, 0.0f);
    EXPECT_FLOAT_EQ(gains.left, law(-5000));
}

}  // namespace
