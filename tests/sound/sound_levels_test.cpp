// Volume and pan: the game's numbers to hundredths of a decibel, and those to linear gains.
#include "sound/sound_levels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

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
    expectLevels(0, 2, 0, 0);        // above 1: full volume
    expectLevels(0, -1, 0, -10000);  // below 0: silence
    expectLevels(-3, 1, -10000, 0);  // pan limited to -1..1
    expectLevels(3, 1, 10000, 0);
    expectLevels(0.25, 0.337, 2500, -6700);  // volume * 100 truncated to 33
    const double nan = std::numeric_limits<double>::quiet_NaN();
    expectLevels(nan, nan, 0, -10000);
    const double inf = std::numeric_limits<double>::infinity();
    expectLevels(-inf, inf, -10000, 0);
}

TEST(SoundLevels, DecibelLawOnEachSide) {
    // Volume and pan levels, and the centibels each side gets (the levels at full volume, half volume,
    // silence and the ends of the pan are measured on the device); below -100 dB a side is silent.
    constexpr int kSilent = 1;
    const std::tuple<int, int, int, int> cases[] = {
        {-1000, -2000, -1000, -3000},  // pan to the left attenuates the right side only
        {-600, 2500, -3100, -600},     {-5000, -6000, -5000, kSilent},  // beyond -100 dB together
        {-10000, 0, kSilent, kSilent}, {-9999, 0, -9999, -9999},        // just above silence
    };
    auto expect = [](float gain, int centibels) {
        if (centibels == kSilent) {
            EXPECT_EQ(gain, 0.0f);
        } else {
            EXPECT_FLOAT_EQ(gain, static_cast<float>(std::pow(10.0, centibels / 2000.0)));
        }
    };
    for (const auto& [volume, pan, left, right] : cases) {
        const auto gains = GainsFromLevels({volume, pan});
        expect(gains.left, left);
        expect(gains.right, right);
    }
}

}  // namespace
