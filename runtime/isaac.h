// The ISAAC generator: 32-bit words, a 256-word state, 256 result words per round.
//
// The bare published generator is kept apart from the engine's seeding (an extra pass that mixes the
// seed in first), which is built on top of it.
#pragma once

#include <array>
#include <cstdint>

namespace tarvok {

struct IsaacState {
    std::uint32_t mem[256] = {};  // state words
    std::uint32_t rsl[256] = {};  // result words of the last round
    std::uint32_t a = 0;
    std::uint32_t b = 0;
    std::uint32_t c = 0;
    std::uint32_t count = 0;  // results of the last round still to hand out
};

using IsaacMixWords = std::array<std::uint32_t, 8>;

// The golden-ratio constant every mixing word starts from.
constexpr std::uint32_t kIsaacGolden = 0x9e3779b9u;

// One generation round: 256 new state and result words.
void IsaacRound(IsaacState& state);
// The standard initialisation from the given mixing words: a, b, c := 0, four scrambling mixes, a pass
// that mixes in the result words, one that mixes in the state words, then one round; count := 256.
void IsaacInit(IsaacState& state, IsaacMixWords words);
// The engine's seeding: result words cleared, then for each group of eight state words the seed is
// added to the first mixing word, the words mixed and stored; the standard initialisation follows.
void IsaacSeed(IsaacState& state, std::uint32_t seed);

}  // namespace tarvok
