// The wave reader against files made by Python's wave module and by sox, hand-made layouts, and bad
// files that must fail without reading past the bytes given.
#include "sound/wave_file.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/sound/wave_fixtures.h"

namespace {

using soundtest::BuildWave;
using soundtest::WaveLayout;
using Bytes = std::vector<std::uint8_t>;

Bytes Samples(std::size_t n) {
    Bytes v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return v;
}

TEST(WaveFile, ReadsPythonAndSoxWaveFiles) {
    for (bool sox : {false, true}) {
        for (int rate : {11025, 16000, 22050, 44100, 48000}) {
            for (int bits : {8, 16}) {
                for (int channels : {1, 2}) {
                    SCOPED_TRACE(std::string(sox ? "sox " : "Python ") + std::to_string(rate) + " Hz, " +
                                 std::to_string(bits) + " bits, " + std::to_string(channels) + " channels");
                    // Python writes 1000 frames behind the canonical 44-byte header; sox rounds 0.1 s to
                    // whole frames behind a header of its own.
                    const std::string path = soundtest::TempPath("in.wav");
                    ASSERT_TRUE(sox ? soundtest::MakeSoxWave(path, rate, bits, channels, 440, 0.1)
                                    : soundtest::MakePythonWave(path, rate, bits, channels, 440, 0.5, 1000));
                    const Bytes file = soundtest::ReadBytes(path);
                    const auto wave = tarvok::ParseWave(file);
                    ASSERT_TRUE(wave.has_value());
                    const int blockAlign = channels * bits / 8;
                    EXPECT_EQ(wave->format.channels, channels);
                    EXPECT_EQ(wave->format.sampleRate, static_cast<std::uint32_t>(rate));
                    EXPECT_EQ(wave->format.bitsPerSample, bits);
                    EXPECT_EQ(wave->format.blockAlign, blockAlign);
                    EXPECT_EQ(wave->format.bytesPerSecond, static_cast<std::uint32_t>(rate * blockAlign));
                    const long frames = sox ? std::lround(rate / 10.0) : 1000;
                    EXPECT_EQ(wave->data.size(), static_cast<std::size_t>(frames * blockAlign));
                    EXPECT_TRUE(sox ||
                                wave->data.data() == file.data() + 44);  // the samples follow the header
                }
            }
        }
    }
}

TEST(WaveFile, ChunkLayouts) {
    const Bytes data = Samples(64);
    // A layout, and the samples read from it (none: the file is refused).
    const std::pair<WaveLayout, std::size_t> cases[] = {
        // 18-byte format chunk and a 12-byte "fact" chunk: the 14 skipped bytes cover both exactly.
        {{.formatSize = 18, .fact = true, .data = data}, 64},
        // 16-byte format chunk and a "fact" chunk: the fact data is read past.
        {{.fact = true, .data = data}, 64},
        // 18-byte format chunk straight followed by "data": the 14-byte skip lands inside the samples.
        {{.formatSize = 18, .data = data}, 0},
        // Any other chunk where "data" must be.
        {{.dataName = "LIST", .data = data}, 0},
        // A data chunk shorter than the file: the rest of the file is not sound.
        {{.data = data, .dataSizeField = 40}, 40},
        // A data chunk longer than the file (one byte more, 4 GB): the samples the file holds.
        {{.data = data, .dataSizeField = 65}, 64},
        {{.data = data, .dataSizeField = 0xFFFFFFF0}, 64},
        // Fewer than two channels play as mono.
        {{.channels = 0, .data = data}, 64},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Bytes file = BuildWave(cases[i].first);
        const std::size_t samples = cases[i].second;
        const auto wave = tarvok::ParseWave(file);
        ASSERT_EQ(wave.has_value(), samples > 0) << "layout " << i;
        if (!wave) continue;
        EXPECT_EQ(Bytes(wave->data.begin(), wave->data.end()), Bytes(data.begin(), data.begin() + samples));
        EXPECT_EQ(wave->format.channels, 1);
    }
}

TEST(WaveFile, RefusesBadFiles) {
    const Bytes goodFile = BuildWave({.data = Samples(64)});
    ASSERT_TRUE(tarvok::ParseWave(goodFile));
    const char* error = nullptr;
    EXPECT_FALSE(tarvok::ParseWave(Bytes{}));
    EXPECT_FALSE(tarvok::ParseWave(std::span(goodFile.data(), 35), &error));
    EXPECT_STREQ(error, "shorter than 36 bytes");
    EXPECT_FALSE(tarvok::ParseWave(std::span(goodFile.data(), 36), &error));  // no chunk header
    EXPECT_STREQ(error, "chunk header past the end");
    Bytes factFile = BuildWave({.fact = true, .data = Samples(64)});
    factFile[40] = 0xFF;  // a "fact" chunk claiming more than the file holds
    factFile[43] = 0x7F;
    EXPECT_FALSE(tarvok::ParseWave(factFile, &error));
    EXPECT_STREQ(error, "\"fact\" chunk past the end");

    const std::pair<WaveLayout, const char*> bad[] = {
        {{.channels = 0, .blockAlign = 0, .data = Samples(64)}, "no channels, no alignment"},
        {{.blockAlign = 0, .data = Samples(64)}, "block alignment 0"},
        {{.blockAlign = 4, .data = Samples(64)}, "alignment of stereo in a mono file"},
        {{.channels = 3, .blockAlign = 6, .data = Samples(64)}, "three channels"},
        {{.blockAlign = 3, .bits = 24, .data = Samples(64)}, "24-bit samples"},
        {{.formatTag = 3, .blockAlign = 4, .bits = 32, .data = Samples(64)}, "float samples"},
        {{.blockAlign = 0, .bits = 0, .data = Samples(64)}, "0 bits"},
        {{.rate = 0, .data = Samples(64)}, "rate 0"},
        {{.rate = 400000, .data = Samples(64)}, "rate too high"},
        {{}, "no samples"},
        {{.formatSize = 18, .fact = true, .data = Samples(1)}, "3 bytes short of 4"},
    };
    for (const auto& [layout, why] : bad) {
        error = nullptr;
        EXPECT_FALSE(tarvok::ParseWave(BuildWave(layout), &error)) << why;
        EXPECT_NE(error, nullptr) << why;
    }
}

TEST(WaveFile, EveryTruncationStaysInBounds) {
    const Bytes file = BuildWave({.formatSize = 18, .fact = true, .data = Samples(32)});
    const std::size_t samplesAt = file.size() - 32;
    for (std::size_t n = 0; n <= file.size(); ++n) {
        // A copy of exactly n bytes: the sanitizer build catches any read past it. Cut inside the
        // samples, the file gives those it still holds once they reach the 4-byte minimum.
        const Bytes prefix(file.begin(), file.begin() + static_cast<long>(n));
        const auto wave = tarvok::ParseWave(prefix);
        ASSERT_EQ(wave.has_value(), n >= samplesAt + 4) << n;
        if (wave) {
            EXPECT_EQ(wave->data.size(), n - samplesAt) << n;
        }
    }
}

}  // namespace
