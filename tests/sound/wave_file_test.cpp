// The wave reader against files made by Python's wave module and by sox, hand-made layouts, and bad
// files that must fail without reading past the bytes given.
#include "sound/wave_file.h"

#include <cmath>

#include <gtest/gtest.h>

#include "tests/sound/wave_fixtures.h"

namespace {

using soundtest::BuildWave;
using soundtest::WaveLayout;

std::vector<std::uint8_t> samples(std::size_t n) {
    std::vector<std::uint8_t> v(n);
    for (std::size_t i = 0; i < n; ++i) v[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return v;
}

bool parses(const std::vector<std::uint8_t>& file) { return tarvok::ParseWave(file).has_value(); }

TEST(WaveFile, ReadsPythonWaveFiles) {
    for (int rate : {11025, 22050, 44100, 48000}) {
        for (int bits : {8, 16}) {
            for (int channels : {1, 2}) {
                SCOPED_TRACE(std::to_string(rate) + " Hz, " + std::to_string(bits) + " bits, " +
                             std::to_string(channels) + " channels");
                const std::string path = soundtest::TempPath("py.wav");
                const int frames = 1000;
                ASSERT_TRUE(soundtest::MakePythonWave(path, rate, bits, channels, 440, 0.5, frames));
                const auto file = soundtest::ReadBytes(path);
                const auto wave = tarvok::ParseWave(file);
                ASSERT_TRUE(wave.has_value());
                const int blockAlign = channels * bits / 8;
                EXPECT_EQ(wave->format.channels, channels);
                EXPECT_EQ(wave->format.sampleRate, static_cast<std::uint32_t>(rate));
                EXPECT_EQ(wave->format.bitsPerSample, bits);
                EXPECT_EQ(wave->format.blockAlign, blockAlign);
                EXPECT_EQ(wave->format.bytesPerSecond, static_cast<std::uint32_t>(rate * blockAlign));
                // The wave module writes the canonical 44-byte header: the samples follow it.
                ASSERT_EQ(wave->data.size(), static_cast<std::size_t>(frames * blockAlign));
                EXPECT_EQ(wave->data.data(), file.data() + 44);
            }
        }
    }
}

TEST(WaveFile, ReadsSoxWaveFiles) {
    for (int rate : {11025, 16000, 44100}) {
        for (int bits : {8, 16}) {
            for (int channels : {1, 2}) {
                SCOPED_TRACE(std::to_string(rate) + " Hz, " + std::to_string(bits) + " bits, " +
                             std::to_string(channels) + " channels");
                const std::string path = soundtest::TempPath("sox.wav");
                ASSERT_TRUE(soundtest::MakeSoxWave(path, rate, bits, channels, 440, 0.1));
                const auto wave = tarvok::ParseWave(soundtest::ReadBytes(path));
                ASSERT_TRUE(wave.has_value());
                EXPECT_EQ(wave->format.channels, channels);
                EXPECT_EQ(wave->format.sampleRate, static_cast<std::uint32_t>(rate));
                EXPECT_EQ(wave->format.bitsPerSample, bits);
                const long frames = std::lround(rate / 10.0);  // sox rounds the length to whole frames
                EXPECT_EQ(wave->data.size(), static_cast<std::size_t>(frames * channels * bits / 8));
            }
        }
    }
}

TEST(WaveFile, ChunkLayouts) {
    const auto data = samples(64);
    // 18-byte format chunk and a 12-byte "fact" chunk: the 14 skipped bytes cover both exactly.
    WaveLayout extended;
    extended.formatSize = 18;
    extended.fact = true;
    extended.data = data;
    auto file = BuildWave(extended);
    auto wave = tarvok::ParseWave(file);
    ASSERT_TRUE(wave.has_value());
    EXPECT_EQ(std::vector<std::uint8_t>(wave->data.begin(), wave->data.end()), data);

    // 16-byte format chunk and a "fact" chunk: the fact data is read past.
    WaveLayout plainWithFact;
    plainWithFact.fact = true;
    plainWithFact.data = data;
    file = BuildWave(plainWithFact);
    wave = tarvok::ParseWave(file);
    ASSERT_TRUE(wave.has_value());
    EXPECT_EQ(std::vector<std::uint8_t>(wave->data.begin(), wave->data.end()), data);

    // 18-byte format chunk straight followed by "data": the 14-byte skip lands inside the samples.
    WaveLayout extendedNoFact;
    extendedNoFact.formatSize = 18;
    extendedNoFact.data = data;
    EXPECT_FALSE(parses(BuildWave(extendedNoFact)));

    // Any other chunk where "data" must be.
    WaveLayout list;
    list.dataName = "LIST";
    list.data = data;
    EXPECT_FALSE(parses(BuildWave(list)));

    // A data chunk shorter than the file: the rest of the file is not sound.
    WaveLayout trailing;
    trailing.data = data;
    trailing.dataSizeField = 40;
    file = BuildWave(trailing);
    wave = tarvok::ParseWave(file);
    ASSERT_TRUE(wave.has_value());
    EXPECT_EQ(wave->data.size(), 40u);

    // Fewer than two channels play as mono, more than two as stereo (then the alignment must fit).
    WaveLayout noChannels;
    noChannels.channels = 0;
    noChannels.data = data;
    file = BuildWave(noChannels);
    wave = tarvok::ParseWave(file);
    ASSERT_TRUE(wave.has_value());
    EXPECT_EQ(wave->format.channels, 1);
}

TEST(WaveFile, RefusesBadFiles) {
    const auto data = samples(64);
    const char* error = nullptr;

    WaveLayout good;
    good.data = data;
    const auto goodFile = BuildWave(good);
    ASSERT_TRUE(parses(goodFile));

    EXPECT_FALSE(tarvok::ParseWave(std::span(goodFile.data(), 35), &error));
    EXPECT_STREQ(error, "shorter than 36 bytes");
    EXPECT_FALSE(parses({}));
    // Ends right after the format: no chunk header.
    EXPECT_FALSE(tarvok::ParseWave(std::span(goodFile.data(), 36), &error));
    EXPECT_STREQ(error, "chunk header past the end");

    auto bad = [&](auto change, const char* why) {
        WaveLayout w;
        w.data = data;
        change(w);
        const auto file = BuildWave(w);
        error = nullptr;
        EXPECT_FALSE(tarvok::ParseWave(file, &error)) << why;
        EXPECT_NE(error, nullptr) << why;
    };
    bad([](WaveLayout& w) { w.dataSizeField = 0xFFFFFFF0; }, "data of 4 GB claimed in a small file");
    bad([](WaveLayout& w) { w.dataSizeField = 65; }, "data one byte longer than the file");
    bad([](WaveLayout& w) { w.channels = 0; w.blockAlign = 0; }, "no channels, no alignment");
    bad([](WaveLayout& w) { w.blockAlign = 0; }, "block alignment 0");
    bad([](WaveLayout& w) { w.blockAlign = 4; }, "alignment of stereo in a mono file");
    bad([](WaveLayout& w) { w.channels = 3; w.blockAlign = 6; }, "three channels");
    bad([](WaveLayout& w) { w.bits = 24; w.blockAlign = 3; }, "24-bit samples");
    bad([](WaveLayout& w) { w.formatTag = 3; w.bits = 32; w.blockAlign = 4; }, "float samples");
    bad([](WaveLayout& w) { w.bits = 0; w.blockAlign = 0; }, "0 bits");
    bad([](WaveLayout& w) { w.rate = 0; }, "rate 0");
    bad([](WaveLayout& w) { w.rate = 400000; }, "rate too high");
    bad([](WaveLayout& w) { w.data.clear(); }, "no samples");
    bad([](WaveLayout& w) { w.formatSize = 18; w.fact = true; w.data.resize(1); }, "3 bytes short of 4");

    // A "fact" chunk claiming more than the file holds.
    WaveLayout fact;
    fact.fact = true;
    fact.data = data;
    auto factFile = BuildWave(fact);
    factFile[40] = 0xFF;  // the fact chunk's size field, low byte
    factFile[43] = 0x7F;
    EXPECT_FALSE(tarvok::ParseWave(factFile, &error));
    EXPECT_STREQ(error, "\"fact\" chunk past the end");
}

TEST(WaveFile, EveryTruncationStaysInBounds) {
    WaveLayout w;
    w.formatSize = 18;
    w.fact = true;
    w.data = samples(32);
    const auto file = BuildWave(w);
    for (std::size_t n = 0; n <= file.size(); ++n) {
        // A copy of exactly n bytes: the sanitizer build catches any read past it.
        const std::vector<std::uint8_t> prefix(file.begin(), file.begin() + static_cast<long>(n));
        const auto wave = tarvok::ParseWave(prefix);
        EXPECT_EQ(wave.has_value(), n == file.size()) << n;
    }
}

}  // namespace
