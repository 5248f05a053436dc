#include "sound/sound_levels.h"

#include <algorithm>
#include <cmath>

#include "runtime/number_args.h"

namespace tarvok {
namespace {

// std::clamp would pass NaN through; it then truncates to 0 like every other NaN argument.
double limit(double v, double lo, double hi) { return v < lo ? lo : (v > hi ? hi : v); }

float gainOf(std::int32_t centibels) {
    if (centibels <= kSilenceCentibels) return 0.0f;
    return static_cast<float>(std::pow(10.0, centibels / 2000.0));
}

}  // namespace

SoundLevels LevelsFromArguments(double pan, double volume) {
    SoundLevels levels;
    levels.pan = ToInt(limit(pan, -1.0, 1.0) * 10000.0);
    levels.volume = ToInt(limit(volume * 100.0, 0.0, 100.0)) * 100 - 10000;
    return levels;
}

SideGains GainsFromLevels(SoundLevels levels) {
    // A pan to the right attenuates the left side, a pan to the left the right side.
    const std::int32_t left = levels.volume - std::max(levels.pan, 0);
    const std::int32_t right = levels.volume + std::min(levels.pan, 0);
    return {gainOf(left), gainOf(right)};
}

}  // namespace tarvok
