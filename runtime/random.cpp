// The random generator: ISAAC rounds, the engine's seeding, and Rnd.
#include "runtime/isaac.h"
#include "runtime/runtime.h"

#include "runtime/number_args.h"

namespace tarvok {

namespace {

void Mix(IsaacMixWords& w) {
    auto& [a, b, c, d, e, f, g, h] = w;
    a ^= b << 11; d += a; b += c;
    b ^= c >> 2;  e += b; c += d;
    c ^= d << 8;  f += c; d += e;
    d ^= e >> 16; g += d; e += f;
    e ^= f << 10; h += e; f += g;
    f ^= g >> 4;  a += f; g += h;
    g ^= h << 8;  b += g; h += a;
    h ^= a >> 9;  c += h; a += b;
}

// Adds eight words of source at every group to the mixing words, mixes and stores them as state words.
void MixPass(IsaacState& state, IsaacMixWords& words, const std::uint32_t* source) {
    for (std::size_t i = 0; i < 256; i += 8) {
        for (std::size_t k = 0; k < 8; ++k) words[k] += source[i + k];
        Mix(words);
        for (std::size_t k = 0; k < 8; ++k) state.mem[i + k] = words[k];
    }
}

IsaacState g_random;

}  // namespace

void IsaacRound(IsaacState& s) {
    s.c += 1;
    s.b += s.c;
    for (int i = 0; i < 256; ++i) {
        const std::uint32_t x = s.mem[i];
        switch (i & 3) {
            case 0: s.a ^= s.a << 13; break;
            case 1: s.a ^= s.a >> 6; break;
            case 2: s.a ^= s.a << 2; break;
            default: s.a ^= s.a >> 16; break;
        }
        s.a += s.mem[(i + 128) & 255];
        const std::uint32_t y = s.mem[(x >> 2) & 255] + s.a + s.b;
        s.mem[i] = y;
        s.b = s.mem[(y >> 10) & 255] + x;
        s.rsl[i] = s.b;
    }
}

void IsaacInit(IsaacState& s, IsaacMixWords words) {
    s.a = s.b = s.c = 0;
    for (int i = 0; i < 4; ++i) Mix(words);
    MixPass(s, words, s.rsl);
    MixPass(s, words, s.mem);  // reads each group before it overwrites it
    IsaacRound(s);
    s.count = 256;
}

void IsaacSeed(IsaacState& s, std::uint32_t seed) {
    // Cleared so that the same seed always gives the same sequence, even on a second seeding.
    for (auto& word : s.rsl) word = 0;
    IsaacMixWords words;
    words.fill(kIsaacGolden);
    for (std::size_t i = 0; i < 256; i += 8) {
        words[0] += seed;
        Mix(words);
        for (std::size_t k = 0; k < 8; ++k) s.mem[i + k] = words[k];
    }
    IsaacInit(s, words);
}

}  // namespace tarvok

void SeedRandomGenerator(std::uint32_t seed) { tarvok::IsaacSeed(tarvok::g_random, seed); }

double Rnd(double n) {
    if (!(n > 0)) return 0;  // NaN as well: no range, no step of the generator
    tarvok::IsaacRound(tarvok::g_random);
    const std::uint64_t r = tarvok::g_random.rsl[0];
    // In 64 bits, so that n of 4294967295 and above maps to the whole word instead of dividing by 0.
    const std::uint64_t range = static_cast<std::uint64_t>(tarvok::ToInt64(n)) + 1;
    return static_cast<double>(r % range);
}
