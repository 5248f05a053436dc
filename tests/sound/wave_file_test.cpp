// The wave reader against files by Python's wave module and by sox, hand-made layouts and bad files, and
// the volume and pan rules from the game's numbers to the gains of each side.
#include "sound/wave_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "sound/sound_levels.h"
#include "tests/sound/wave_fixtures.h"

namespace {

using soundtest::BuildWave;
using soundtest::Bytes;
using soundtest::WaveLayout;

Bytes Samples(std::size_t n) {
    Bytes v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return v;
}

TEST(WaveFile, ReadsPythonAndSoxWaveFiles) {
    constexpr int kRates[] = {11025, 16000, 22050, 44100, 48000};
    for (int n = 0; n < 40; ++n) {
        const bool sox = n >= 20;
        const int rate = kRates[n % 5], bits = 8 << (n / 5 % 2), channels = 1 + n / 10 % 2,
                  blockAlign = channels * bits / 8;
        SCOPED_TRACE(testing::Message() << sox << " " << rate << " " << bits << " " << channels);
        // Python writes 1000 frames behind the 44-byte header; sox 0.1 s behind a header of its own.
        const std::string path = soundtest::TempPath("in.wav");
        ASSERT_TRUE(sox ? soundtest::Shell("sox -q -n -r " + std::to_string(rate) + " -b " +
                                           std::to_string(bits) + " -c " + std::to_string(channels) + " '" +
                                           path + "' synth 0.1 sine 440 vol 0.5")
                        : soundtest::MakePythonWave(path, rate, bits, channels, 440, 0.5, 1000));
        const Bytes file = soundtest::ReadBytes(path);
        const auto wave = tarvok::ParseWave(file);
        ASSERT_TRUE(wave.has_value());
        const auto& f = wave->format;
        const long frames = sox ? std::lround(rate / 10.0) : 1000;
        EXPECT_EQ(std::make_tuple(int{f.channels}, f.sampleRate, int{f.bitsPerSample}, int{f.blockAlign},
                                  f.bytesPerSecond, wave->data.size()),
                  std::make_tuple(channels, std::uint32_t(rate), bits, blockAlign,
                                  std::uint32_t(rate * blockAlign), std::size_t(frames * blockAlign)));
        EXPECT_TRUE(sox || wave->data.data() == file.data() + 44);
    }
}

TEST(WaveFile, ChunkLayoutsAndBadFiles) {
    const Bytes data = Samples(64);
    // A layout and the samples read from it; 0: refused with a reason.
    const std::pair<WaveLayout, std::size_t> cases[] = {
        {{.formatSize = 18, .fact = true, .data = data}, 64},  // the 14 skipped bytes cover both exactly
        {{.fact = true, .data = data}, 64},
        {{.formatSize = 18, .data = data}, 0},  // the 14-byte skip lands inside the samples
        {{.dataName = "LIST", .data = data}, 0},
        {{.data = data, .dataSizeField = 40}, 40},  // the rest of the file is not sound
        {{.data = data, .dataSizeField = 65}, 64},  // longer than the file: the samples it holds
        {{.data = data, .dataSizeField = 0xFFFFFFF0}, 64},
        {{.channels = 0, .data = data}, 64},  // fewer than two channels play as mono
        {{.blockAlign = 0, .data = data}, 0},
        {{.blockAlign = 4, .data = data}, 0},  // the alignment of stereo in a mono file
        {{.channels = 3, .blockAlign = 6, .data = data}, 0},
        {{.blockAlign = 3, .bits = 24, .data = data}, 0},
        {{.rate = 0, .data = data}, 0},
        {{.rate = 400000, .data = data}, 0},
        {{.formatSize = 18, .fact = true, .data = Samples(1)}, 0},  // 3 bytes short of the 4 at least
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const char* error = nullptr;
        const Bytes file = BuildWave(cases[i].first);  // the samples read point into it
        const auto wave = tarvok::ParseWave(file, &error);
        const std::size_t samples = cases[i].second;
        ASSERT_EQ(wave.has_value(), samples > 0) << "layout " << i;
        EXPECT_EQ(error == nullptr, wave.has_value()) << "layout " << i;
        if (!wave) continue;
        EXPECT_EQ(Bytes(wave->data.begin(), wave->data.end()), Bytes(data.begin(), data.begin() + samples));
        EXPECT_EQ(wave->format.channels, 1);
    }
    const Bytes good = BuildWave({.data = data});
    Bytes fact = BuildWave({.fact = true, .data = data});
    fact[40] = 0xFF;  // a "fact" chunk claiming more than the file holds
    fact[43] = 0x7F;
    const std::pair<std::span<const std::uint8_t>, const char*> errors[] = {
        {{}, "shorter than 36 bytes"},
        {{good.data(), 35}, "shorter than 36 bytes"},
        {{good.data(), 36}, "chunk header past the end"},
        {fact, "\"fact\" chunk past the end"}};
    for (const auto& [file, text] : errors) {
        const char* error = nullptr;
        EXPECT_FALSE(tarvok::ParseWave(file, &error));
        EXPECT_STREQ(error, text);
    }
}

TEST(WaveFile, EveryTruncationStaysInBounds) {
    const Bytes file = BuildWave({.formatSize = 18, .fact = true, .data = Samples(32)});
    const std::size_t samplesAt = file.size() - 32;
    for (std::size_t n = 0; n <= file.size(); ++n) {
        // Exactly n bytes, for the sanitizer build; cut in the samples, it gives those left from 4 on.
        const Bytes prefix(file.begin(), file.begin() + static_cast<long>(n));
        const auto wave = tarvok::ParseWave(prefix);
        ASSERT_EQ(wave.has_value(), n >= samplesAt + 4) << n;
        if (!wave) continue;
        EXPECT_EQ(wave->data.size(), n - samplesAt) << n;
    }
}

TEST(SoundLevels, ArgumentsToCentibelsAndTheDecibelLawOnEachSide) {
    const double nan = std::numeric_limits<double>::quiet_NaN(),
                 inf = std::numeric_limits<double>::infinity();
    // Pan and volume: pan limited to -1..1, volume to 0..1 and truncated to hundredths; NaN is 0.
    const std::tuple<double, double, int, int> arguments[] = {
        {0, 1, 0, 0},          {0, 0.5, 0, -5000},    {0, 0, 0, -10000}, {0, 2, 0, 0},
        {0, -1, 0, -10000},    {-3, 1, -10000, 0},    {3, 1, 10000, 0},  {0.25, 0.337, 2500, -6700},
        {nan, nan, 0, -10000}, {-inf, inf, -10000, 0}};
    for (const auto& [pan, volume, expectPan, expectVolume] : arguments) {
        const auto levels = tarvok::LevelsFromArguments(pan, volume);
        EXPECT_EQ(std::make_pair(levels.pan, levels.volume), std::make_pair(expectPan, expectVolume))
            << pan << " " << volume;
    }
    // Volume and pan levels and the centibels of each side; at -100 dB and below a side is silent.
    constexpr int kSilent = 1;
    const std::tuple<int, int, int, int> sides[] = {
        {-1000, -2000, -1000, -3000},  // pan to the left attenuates the right side only
        {-600, 2500, -3100, -600},
        {-5000, -6000, -5000, kSilent},
        {-10000, 0, kSilent, kSilent},
        {-9999, 0, -9999, -9999}};
    for (const auto& [volume, pan, left, right] : sides) {
        const auto gains = tarvok::GainsFromLevels({volume, pan});
        for (auto [gain, centibels] : {std::pair{gains.left, left}, {gains.right, right}})
            EXPECT_FLOAT_EQ(gain, centibels == kSilent ? 0.0f : float(std::pow(10.0, centibels / 2000.0)))
                << volume << " " << pan;
    }
}

}  // namespace
