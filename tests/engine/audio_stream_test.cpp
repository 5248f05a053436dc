// The stream channel of a video's sound, on SDL's disk driver: queued samples come out exactly.
#include "platform/audio_stream.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/audio.h"
#include "platform/clock.h"
#include "tests/engine/engine_fixtures.h"

TEST(AudioStream, PlaysQueuedSamplesExactlyOnAChannelOfItsOwn) {
    const std::string output = enginetest::TempPath("stream.raw");
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
    // Nothing happens without a device.
    EXPECT_EQ(platform::StreamChannel(), -1);
    EXPECT_FALSE(platform::StartAudioStream());
    platform::QueueAudioStream(std::vector<std::int16_t>(100, 5));
    EXPECT_EQ(platform::QueuedAudioStreamMs(), 0);

    ASSERT_TRUE(platform::OpenAudio(8));
    EXPECT_EQ(platform::StreamChannel(), 8);
    EXPECT_FALSE(platform::ChannelPlaying(8));  // not one of the numbered channels
    ASSERT_TRUE(platform::StartAudioStream());
    platform::SleepMilliseconds(100);  // an empty queue plays silence

    // Half a second of a stereo ramp pattern, left and right different.
    std::vector<std::int16_t> samples;
    for (int i = 0; i < 11025; ++i) {
        samples.push_back(static_cast<std::int16_t>(1 + i % 1000));
        samples.push_back(static_cast<std::int16_t>(-1 - i % 777));
    }
    platform::QueueAudioStream(samples);
    EXPECT_TRUE(platform::QueuedAudioStreamMs() > 350 && platform::QueuedAudioStreamMs() <= 500);
    for (int i = 0; i < 200 && platform::QueuedAudioStreamMs() > 0; ++i) platform::SleepMilliseconds(10);
    EXPECT_EQ(platform::QueuedAudioStreamMs(), 0);
    platform::SleepMilliseconds(100);

    // Too much at once: only the newest two seconds are kept.
    platform::StopAudioStream();
    ASSERT_TRUE(platform::StartAudioStream());
    platform::QueueAudioStream(std::vector<std::int16_t>(22050 * 2 * 5, 0));
    const double kept = platform::QueuedAudioStreamMs();
    EXPECT_TRUE(kept <= platform::kMaxQueuedStreamMs && kept > platform::kMaxQueuedStreamMs - 200) << kept;
    platform::StopAudioStream();
    EXPECT_EQ(platform::QueuedAudioStreamMs(), 0);
    platform::CloseAudio();

    const std::string bytes = enginetest::ReadFile(output);
    std::vector<std::int16_t> mix(bytes.size() / 2);  // the driver writes the device's native samples
    std::memcpy(mix.data(), bytes.data(), mix.size() * 2);
    std::size_t first = 0;
    while (first < mix.size() && mix[first] == 0) ++first;
    ASSERT_GT(first, 0u) << "silence before the samples were queued";
    ASSERT_EQ(first % 2, 0u) << "frames stay whole";
    ASSERT_GE(mix.size() - first, samples.size());
    EXPECT_TRUE(std::equal(samples.begin(), samples.end(), mix.begin() + static_cast<std::ptrdiff_t>(first)));
    // Silence again after them (the over-long queue was stopped before it could play much).
    const std::size_t after = first + samples.size();
    EXPECT_TRUE(std::all_of(mix.begin() + static_cast<std::ptrdiff_t>(after),
                            mix.begin() + static_cast<std::ptrdiff_t>(std::min(after + 2000, mix.size())),
                            [](std::int16_t s) { return s == 0; }));
}
