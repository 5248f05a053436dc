// Sound effects and music on SDL's disk audio driver, which writes the mixed output to a file: what
// plays is read back and compared with levels computed from the input samples.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <vector>

#include "platform/audio.h"
#include "platform/clock.h"
#include "runtime/engine_globals.h"
#include "sound/sound.h"
#include "storage/storage.h"
#include "tests/sound/wave_fixtures.h"

namespace {

using soundtest::MakePythonWave;
using soundtest::TempPath;

constexpr int kRate = 22050;
constexpr double kTone = 441;  // 50 samples per period at the device rate
constexpr double kAmplitude = 0.5;
constexpr int kToneFrames = 4410;  // 0.2 s

// The mixed output: 16-bit stereo at 22050 Hz, left and right interleaved.
using Mix = std::vector<std::int16_t>;

int Peak(const Mix& mix, int side) {
    int p = 0;
    for (std::size_t i = static_cast<std::size_t>(side); i < mix.size(); i += 2)
        p = std::max(p, std::abs(mix[i]));
    return p;
}

// Milliseconds since the engine started, the clock of the music's end time.
double Now() { return platform::ClockMs() - g_engine.startTime; }

// Each test opens the device on the disk driver with its own output file, and closes it to read it.
class DiskAudio : public ::testing::Test {
protected:
    void SetUp() override {
        static int run = 0;
        output_ = TempPath("mix-" + std::to_string(++run) + ".raw");
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", output_.c_str(), 1);
        g_engine.startTime = platform::ClockMs();
        CreateSoundDevice();
        CreateSoundSlots();
        ASSERT_EQ(InitSoundDevice(g_engine.sound, nullptr), 1);
    }
    void TearDown() override { Close(); }

    void Close() {
        StopMusic();
        DestroySoundSlots();
        ReleaseSoundDevice();
    }

    // Closes the device and reads back what it mixed.
    Mix Record() {
        platform::SleepMilliseconds(100);  // let the last mixed buffer reach the file
        Close();
        const auto bytes = soundtest::ReadBytes(output_);
        Mix mix(bytes.size() / 2);
        for (std::size_t i = 0; i < mix.size(); ++i)
            mix[i] = std::int16_t(bytes[2 * i] | (bytes[2 * i + 1] << 8));
        return mix;
    }

    std::string output_;
};

}  // namespace

TEST_F(DiskAudio, LevelsFollowTheDecibelLawOnEachSideForEveryFormat) {
    // The largest sample of the Python tone, sample 12 of its period of 50.
    const double tonePeak = std::lround(kAmplitude * 32767 * std::sin(2 * M_PI * 12 / 50));
    // Format, pan, volume and each side's gain: half volume is -50 dB, a pan of -0.2 takes 20 dB off the
    // right.
    const double minus50dB = std::pow(10.0, -2.5);
    const std::tuple<int, int, int, double, double, double, double> cases[] = {
        {kRate, 16, 1, 0, 1, 1, 1},      {kRate, 16, 1, 0, 0.5, minus50dB, minus50dB},
        {kRate, 16, 1, -0.2, 1, 1, 0.1}, {11025, 8, 2, 0, 1, 1, 1},
        {48000, 16, 2, 0.2, 1, 0.1, 1},  {44100, 8, 1, 0, 1, 1, 1}};
    for (const auto& [rate, bits, channels, pan, volume, left, right] : cases) {
        SCOPED_TRACE(testing::Message()
                     << rate << " " << bits << " " << channels << " " << pan << " " << volume);
        if (rate != kRate || pan != 0 || volume != 1) SetUp();  // a device of its own for each recording
        const std::string path = TempPath("tone.wav");
        ASSERT_TRUE(MakePythonWave(path, rate, bits, channels, kTone, kAmplitude, rate / 5));
        LoadSound(path.c_str(), 1, 1);
        const double channel = PlaySound(1, pan, volume);
        EXPECT_EQ(channel, 256);
        for (int i = 0; i < 500 && SoundPlaying(channel) == 1; ++i) platform::SleepMilliseconds(10);
        ASSERT_EQ(SoundPlaying(channel), 0);
        const Mix mix = Record();
        const double tolerance = rate == kRate && bits == 16 ? 2 : 300;
        EXPECT_NEAR(Peak(mix, 0), tonePeak * left, tolerance);
        EXPECT_NEAR(Peak(mix, 1), tonePeak * right, tolerance);
        // Played once and whole: from the first to the last sound heard, give or take its zero crossings.
        const auto heard = [&](std::size_t i) { return std::abs(mix[2 * i]) + std::abs(mix[2 * i + 1]) > 8; };
        std::size_t first = 0, last = mix.size() / 2;
        while (first < last && !heard(first)) ++first;
        while (last > first && !heard(last - 1)) --last;
        EXPECT_NEAR(static_cast<double>(last - first), kToneFrames, rate == kRate ? 3 : 20);
    }
}

TEST_F(DiskAudio, CopiesChannelsBadFilesAndTheArchive) {
    const std::string path = TempPath("long.wav");
    ASSERT_TRUE(MakePythonWave(path, kRate, 16, 1, kTone, 0.1, kRate * 3));
    // Two copies played three times: copy 0, copy 1, then copy 0 again from its start.
    LoadSound(path.c_str(), 5, 2);
    for (double expected : {5 * 256, 5 * 256 + 1, 5 * 256}) EXPECT_EQ(PlaySound(5, 0, 1), expected);
    EXPECT_EQ(SoundPlaying(5 * 256) + SoundPlaying(5 * 256 + 1), 2);
    EXPECT_EQ(SoundPlaying(5 * 256 + 2), 0);  // no such copy
    // Copy counts are limited to 1..4; one copy, busy: -1 and it keeps playing.
    LoadSound(path.c_str(), 6, 1);
    LoadSound(path.c_str(), 7, 0);
    for (int slot : {6, 7}) {
        EXPECT_EQ(PlaySound(slot, 0, 1), slot * 256);
        EXPECT_EQ(PlaySound(slot, 0, 1), -1);
        EXPECT_EQ(SoundPlaying(slot * 256), 1);
    }
    // Numbers above 127 mean 127.
    LoadSound(path.c_str(), 200, 9);
    for (int copy = 0; copy <= 4; ++copy) EXPECT_EQ(PlaySound(copy ? 127 : 200, 0, 1), 32512 + copy % 4);
    // Channels and numbers outside the table; NaN is channel 0, and slot 0 is empty.
    for (double c : {-1.0, 2048.0 * 256, 1e300, std::numeric_limits<double>::quiet_NaN()})
        EXPECT_EQ(SoundPlaying(c), 0) << c;
    LoadSound(path.c_str(), -1, 1);  // ignored
    for (int slot : {-1, 3, 0}) EXPECT_EQ(PlaySound(slot, 0, 1), -1) << slot;

    StopAllSounds();
    for (double c : {5 * 256.0, 5 * 256.0 + 1, 6 * 256.0, 32512.0, 7 * 256.0}) EXPECT_EQ(SoundPlaying(c), 0);
    EXPECT_EQ(PlaySound(6, 0, 1), 6 * 256);  // a stopped copy plays again

    // A file that is missing, has no data chunk or has no name replaces the loaded sound and fails.
    soundtest::WriteBytes(TempPath("nodata.wav"),
                          soundtest::BuildWave({.dataName = "LIST", .data = {1, 2, 3, 4}}));
    for (const std::string& bad : {TempPath("missing.wav"), TempPath("nodata.wav"), std::string()}) {
        LoadSound(path.c_str(), 2, 1);
        ASSERT_EQ(PlaySound(2, 0, 0), 512);
        LoadSound(bad.c_str(), 2, 1);
        EXPECT_EQ(SoundPlaying(512), 0) << bad;
        EXPECT_EQ(PlaySound(2, 0, 1), -1) << bad;
    }

    // Sounds and music from an archive packed by lzop's LZO1X format, without the loose files.
    const std::string tone = TempPath("boom.wav"), tune = TempPath("tune.wav"),
                      archive = TempPath("data.sbx");
    ASSERT_TRUE(MakePythonWave(tone, kRate, 16, 1, kTone, kAmplitude, 2205));
    ASSERT_TRUE(MakePythonWave(tune, kRate, 16, 1, kTone, kAmplitude, kRate));
    ASSERT_TRUE(soundtest::Shell("python3 " TARVOK_SOURCE_DIR "/tests/storage/lzo_fixtures.py pack '" +
                                 archive + "' '" + tone + "' '" + tune + "'"));
    std::remove(tone.c_str());
    std::remove(tune.c_str());
    SetArchives(archive.c_str(), archive.c_str());
    LoadSound("sfx/BOOM.WAV", 3, 2);
    EXPECT_EQ(PlaySound(3, 0, 1), 3 * 256);
    LoadSound("sfx/missing.wav", 4, 1);
    EXPECT_EQ(PlaySound(4, 0, 1), -1);
    PlayMusic("music/Tune.wav");
    EXPECT_TRUE(platform::MusicPlaying());
    EXPECT_NEAR(g_engine.musicEndTime - Now(), 1000, 30);
    StopMusic();
    ReleaseArchives();
}

TEST_F(DiskAudio, MusicRestartsVolumeAndStop) {
    // WAV of 0.2 s (restarted after 500 ms) and 0.7 s by Python, OGG by sox and MP3 by ffmpeg of 0.8 s.
    const std::string tune = TempPath("tune.wav"), wav = TempPath("long.wav"), ogg = TempPath("tune.ogg"),
                      mp3 = TempPath("tune.mp3");
    ASSERT_TRUE(MakePythonWave(tune, kRate, 16, 2, kTone, kAmplitude, kRate / 5));
    ASSERT_TRUE(MakePythonWave(wav, kRate, 16, 1, kTone, kAmplitude, kRate * 7 / 10));
    ASSERT_TRUE(soundtest::Shell("sox -q -n -r 22050 '" + ogg + "' synth 0.8 sine 440"));
    ASSERT_TRUE(soundtest::Shell("ffmpeg -loglevel error -y -f lavfi -i sine=f=440:d=0.8 '" + mp3 + "'"));
    const std::tuple<std::string, double, double> tunes[] = {
        {tune, 500, 20}, {wav, 700, 20}, {ogg, 800, 60}, {mp3, 800, 60}};
    for (const auto& [file, length, tolerance] : tunes) {
        SCOPED_TRACE(file);
        PlayMusic(file.c_str());
        ASSERT_TRUE(platform::MusicPlaying());
        const double first = g_engine.musicEndTime, measured = first - Now();
        EXPECT_NEAR(measured, length, tolerance);
        MusicLoopCheck();
        EXPECT_EQ(g_engine.musicEndTime, first);  // not yet
        while (Now() < first) platform::SleepMilliseconds(5);
        const double restart = Now();  // restarted now, for the same length
        MusicLoopCheck();
        EXPECT_GE(g_engine.musicEndTime - restart, measured - 1);
        EXPECT_LT(g_engine.musicEndTime - restart, measured + 80);
        EXPECT_TRUE(platform::MusicPlaying());
    }

    StopMusic();
    EXPECT_EQ(std::make_tuple(platform::MusicPlaying(), g_engine.musicEndTime, g_engine.musicVolume),
              std::make_tuple(false, 0.0, -1.0));
    MusicLoopCheck();  // nothing to restart
    EXPECT_FALSE(platform::MusicPlaying());
    SetMusicVolume(0.3);  // no music: remembered only
    EXPECT_EQ(g_engine.musicVolume, 0.3);
    PlayMusic(wav.c_str());
    EXPECT_EQ(std::make_pair(g_engine.musicVolume, platform::MusicVolume()), std::make_pair(1.0, 1000));
    SetMusicVolume(0.5);
    EXPECT_EQ(platform::MusicVolume(), 500);
    platform::SetMusicVolume(900);  // changed behind the engine's back
    SetMusicVolume(0.5);            // the same volume again: nothing is sent
    EXPECT_EQ(platform::MusicVolume(), 900);
    SetMusicVolume(2);
    EXPECT_EQ(platform::MusicVolume(), 1000);
    // A file that cannot be found, or that no decoder takes, stops the music all the same.
    soundtest::WriteBytes(TempPath("noise.mp3"), soundtest::Bytes(100, 0));
    for (const char* bad : {"missing.ogg", "noise.mp3"}) {
        PlayMusic(wav.c_str());
        ASSERT_TRUE(platform::MusicPlaying());
        PlayMusic(TempPath(bad).c_str());
        EXPECT_EQ(std::make_pair(platform::MusicPlaying(), g_engine.musicEndTime), std::make_pair(false, 0.0))
            << bad;
    }

    // The music reached the device: the tunes at half of full scale are heard.
    EXPECT_GT(Peak(Record(), 0), 16000);
}

TEST_F(DiskAudio, MusicOfUnknownLengthRestartsWhenItEnds) {
    // One MIDI note held for 96 ticks at 96 a beat (0.5 s at 120 beats a minute), then 96 ticks more
    // before its end: its decoder reports no length.
    soundtest::WriteBytes(
        TempPath("tune.mid"),
        {'M', 'T', 'h', 'd', 0,  0,    0,    6,  0,   0,    0,    1,  0,  96,   'M',  'T',  'r',
         'k', 0,   0,   0,   12, 0x00, 0x90, 60, 100, 0x60, 0x80, 60, 64, 0x60, 0xFF, 0x2F, 0x00});
    PlayMusic(TempPath("tune.mid").c_str());
    if (!platform::MusicPlaying()) GTEST_SKIP() << "no MIDI decoder";
    const double first = g_engine.musicEndTime;
    EXPECT_NEAR(first - Now(), 500, 20);
    // Past 500 ms but still playing: no restart.
    while (Now() < first + 50) platform::SleepMilliseconds(5);
    if (platform::MusicPlaying()) {
        MusicLoopCheck();
        EXPECT_EQ(g_engine.musicEndTime, first);
    }
    for (int i = 0; i < 600 && platform::MusicPlaying(); ++i) platform::SleepMilliseconds(10);
    ASSERT_FALSE(platform::MusicPlaying());
    MusicLoopCheck();  // it has ended: it starts again
    EXPECT_GT(g_engine.musicEndTime, first);
    EXPECT_TRUE(platform::MusicPlaying());
}

// Without an audio device (none made yet, or it failed to open) each command does nothing; PlaySound gives
// -1.
TEST(NoSoundDevice, EveryCommandIsANoOp) {
    const std::string path = TempPath("tone.wav");
    ASSERT_TRUE(MakePythonWave(path, 22050, 16, 1, 441, 0.5, 2205));
    for (bool created : {false, true}) {
        if (created) {
            setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
            CreateSoundDevice();
            CreateSoundSlots();
            EXPECT_EQ(InitSoundDevice(g_engine.sound, nullptr), 0);
            EXPECT_FALSE(platform::AudioIsOpen());
            SetSoundWindow(g_engine.sound, nullptr);
        }
        LoadSound(path.c_str(), 1, 2);
        for (int i = 0; i < 2; ++i) EXPECT_EQ(PlaySound(1, 0, 1), -1) << created;
        EXPECT_EQ(SoundPlaying(256), 0);
        StopAllSounds();
        PlayMusic(path.c_str());
        EXPECT_EQ(g_engine.musicEndTime, 0);
        MusicLoopCheck();
        SetMusicVolume(0.5);
        StopMusic();
        DestroySoundSlots();
        ReleaseSoundDevice();
        EXPECT_EQ(g_engine.soundSlots, nullptr);
        EXPECT_EQ(g_engine.sound, nullptr);
    }
}
