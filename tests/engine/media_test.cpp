// The video decoder over files made by ffmpeg, where a video is placed in the window, and the stream
// channel of its sound on SDL's disk driver.
#include "engine/media.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine/video_decoder.h"
#include "platform/audio.h"
#include "platform/audio_stream.h"
#include "platform/clock.h"
#include "tests/engine/engine_fixtures.h"

namespace {

using enginetest::TempPath;
using tarvok::VideoDecoder;

// Decodes to the end (at most 1000 pictures); the number of pictures. The sound goes to `sound`.
int CountPictures(VideoDecoder& decoder, std::vector<std::int16_t>* sound = nullptr) {
    std::vector<std::uint8_t> pixels;
    std::vector<std::int16_t> dropped;
    double ms = 0;
    int n = 0;
    while (n < 1000 && decoder.NextPicture(pixels, ms, sound ? *sound : dropped)) ++n;
    return n;
}

void Write(const std::string& name, const std::string& bytes) {
    std::ofstream(TempPath(name), std::ios::binary) << bytes;
}

}  // namespace

TEST(VideoDecoder, GivesEachPictureScaledAtItsTimeWithTheSound) {
    const std::string path = TempPath("colours.avi");
    ASSERT_TRUE(enginetest::MakeColourVideo(path));
    VideoDecoder decoder;
    ASSERT_TRUE(decoder.Open(path, 22050, 2));
    EXPECT_EQ(std::pair(decoder.Width(), decoder.Height()), std::pair(160, 120));
    EXPECT_FALSE(decoder.SetOutputSize(0, 240));
    EXPECT_FALSE(decoder.SetOutputSize(320, tarvok::kMaxVideoSide + 1));
    ASSERT_TRUE(decoder.SetOutputSize(320, 240));

    // One second each of red, green and blue; the codec's colour conversion is lossy: a few levels off.
    std::vector<std::uint8_t> pixels;
    std::vector<std::int16_t> sound;
    double ms = -1;
    int n = 0;
    for (; n < 100 && decoder.NextPicture(pixels, ms, sound); ++n) {
        ASSERT_EQ(pixels.size(), 320u * 240u * 4u) << n;
        EXPECT_NEAR(ms, n * 100.0, 1.0) << n;
        const int lit = ms < 1000 ? 0 : ms < 2000 ? 1 : 2;
        for (const std::size_t at : {std::size_t{0}, std::size_t{(120 * 320 + 160) * 4}, pixels.size() - 4})
            for (int c = 0; c < 4; ++c)
                EXPECT_NEAR(pixels[at + c], c == lit || c == 3 ? 255 : 0, c == 3 ? 0 : 12) << n;
    }
    EXPECT_EQ(n, 30);
    EXPECT_NEAR(decoder.EndMs(), 3000.0, 1.0);

    // 3 s of a 441 Hz sine at 4096 as 16-bit stereo at 22050 Hz: mono reaches both sides at full level.
    EXPECT_NEAR(static_cast<double>(sound.size()), 3 * 22050 * 2, 3 * 22050 * 2 * 0.03);
    int peak = 0, crossings = 0, sidesDiffer = 0;
    for (std::size_t i = 0; i + 2 < sound.size(); i += 2) {
        peak = std::max(peak, std::abs(static_cast<int>(sound[i])));
        crossings += (sound[i] < 0) != (sound[i + 2] < 0);
        sidesDiffer += sound[i] != sound[i + 1];
    }
    EXPECT_EQ(sidesDiffer, 0);
    EXPECT_NEAR(peak, 4096, 4096 * 0.02);
    EXPECT_NEAR(crossings, 441 * 3 * 2, 441 * 3 * 2 * 0.03);

    // Mono sound at another rate; no sound at all when none is asked for.
    for (const auto& [rate, channels, samples] : {std::tuple{11025, 1, 3 * 11025}, std::tuple{0, 0, 0}}) {
        VideoDecoder other;
        ASSERT_TRUE(other.Open(path, rate, channels));
        sound.clear();
        CountPictures(other, &sound);
        EXPECT_NEAR(static_cast<double>(sound.size()), samples, samples * 0.03) << rate;
    }
}

TEST(VideoDecoder, RefusesWhatIsNotAVideoAndEndsDamagedOnes) {
    std::mt19937 random(7);
    std::string noise(64 * 1024, ' ');
    for (char& c : noise) c = static_cast<char>(random());
    Write("empty.avi", "");
    Write("garbage.avi", noise);
    ASSERT_EQ(std::system(
                  ("ffmpeg -v error -y -f lavfi -i sine=duration=1 '" + TempPath("tone.wav") + "'").c_str()),
              0);
    // Missing, empty, noise, sound alone, a directory.
    VideoDecoder decoder;
    for (const char* name : {"missing.avi", "empty.avi", "garbage.avi", "tone.wav", ""})
        EXPECT_FALSE(decoder.Open(TempPath(name), 22050, 2)) << name;
    EXPECT_EQ(CountPictures(decoder), 0);
    EXPECT_FALSE(decoder.Rewind());

    // Cut after 40 %: some pictures; noise over the middle third: it ends; a colon is no protocol.
    ASSERT_TRUE(enginetest::MakeColourVideo(TempPath("good.avi")));
    const std::string bytes = enginetest::ReadFile(TempPath("good.avi"));
    ASSERT_GT(bytes.size(), 10000u);
    Write("cut.avi", bytes.substr(0, bytes.size() * 4 / 10));
    std::string damaged = bytes;
    for (std::size_t i = bytes.size() / 3; i < bytes.size() * 2 / 3; ++i)
        damaged[i] = static_cast<char>(random());
    Write("noisy.avi", damaged);
    Write("http:clip.avi", bytes);
    VideoDecoder cut, noisy, named;
    if (cut.Open(TempPath("cut.avi"), 22050, 2)) {
        const int n = CountPictures(cut);
        EXPECT_TRUE(n > 0 && n < 30) << n;
    }
    EXPECT_LT(noisy.Open(TempPath("noisy.avi"), 22050, 2) ? CountPictures(noisy) : 0, 1000);
    ASSERT_TRUE(named.Open(TempPath("http:clip.avi"), 0, 0));
    EXPECT_EQ(CountPictures(named), 30);
}

TEST(VideoPlacement, ScalesByTheSmallerRatioAndCentres) {
    // Source, client; x, y, width, height: truncated, odd room halved down, a side keeps 1 pixel, or zeros.
    const std::array<int, 8> cases[] = {
        {320, 240, 640, 480, 0, 0, 640, 480},   {320, 240, 800, 480, 80, 0, 640, 480},
        {320, 240, 640, 600, 0, 60, 640, 480},  {100, 30, 640, 480, 0, 144, 640, 192},
        {1000, 500, 641, 480, 0, 80, 641, 320}, {300, 200, 641, 200, 170, 0, 300, 200},
        {1, 10000, 640, 480, 319, 0, 1, 480},   {0, 240, 640, 480, 0, 0, 0, 0},
        {320, 240, 0, 480, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        const tarvok::VideoPlacement p = tarvok::FitVideo(c[0], c[1], c[2], c[3]);
        EXPECT_EQ((std::array<int, 4>{p.x, p.y, p.width, p.height}),
                  (std::array<int, 4>{c[4], c[5], c[6], c[7]}))
            << c[0] << "x" << c[1] << " in " << c[2] << "x" << c[3];
    }
}

TEST(AudioStream, PlaysQueuedSamplesExactlyOnAChannelOfItsOwn) {
    const std::string output = TempPath("stream.raw");
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
