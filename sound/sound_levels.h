// Volume and pan of a playing sound: the game's numbers, the levels in hundredths of a decibel, and the
// linear gain of each output side by the decibel law.
#pragma once

#include <cstdint>

namespace tarvok {

// Levels in hundredths of a decibel (centibels, as the engine counts them).
struct SoundLevels {
    std::int32_t volume = 0;  // 0 = full, -10000 = silence
    std::int32_t pan = 0;     // -10000 = left only, 0 = centre, 10000 = right only
};

// Linear gain of each output side.
struct SideGains {
    float left = 1.0f;
    float right = 1.0f;
};

// Attenuation at or below which a side is silent.
inline constexpr std::int32_t kSilenceCentibels = -10000;

// The levels of PlaySound's arguments: pan limited to -1..1 and truncated as pan * 10000; volume * 100
// limited to 0..100 and truncated, then volume * 100 - 10000. NaN counts as 0 for both.
SoundLevels LevelsFromArguments(double pan, double volume);

// The gain of each side: 10^(attenuation / 2000), where each side is attenuated by the volume and the
// side away from the pan by the pan's amount; an attenuation of -10000 or less is silence (0).
SideGains GainsFromLevels(SoundLevels levels);

}  // namespace tarvok
