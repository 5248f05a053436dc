// Sound effects and music on SDL's disk audio driver, which writes the mixed output to a file: what
// plays is read back and compared with levels computed from the input samples.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <limits>
#include <string_view>
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

struct Mix {
    std::vector<std::int16_t> left, right;
};

int Peak(const std::vector<std::int16_t>& side) {
    int p = 0;
    for (std::int16_t s : side) p = std::max(p, std::abs(static_cast<int>(s)));
    return p;
}

// The largest sample of the tone scaled by a gain, as the mixer's conversion to stereo and the gain
// give it (within a step or two of rounding).
double TonePeak(double gain) {
    int p = 0;
    for (int i = 0; i < 50; ++i)
        p = std::max(p, std::abs(soundtest::PythonSample16(kTone, kAmplitude, kRate, i)));
    return p * gain;
}

// Frames from the first to the last sound heard on either side.
double SoundFrames(const Mix& mix) {
    std::size_t first = mix.left.size(), last = 0;
    for (std::size_t i = 0; i < mix.left.size(); ++i) {
        if (mix.left[i] == 0 && mix.right[i] == 0) continue;
        first = std::min(first, i);
        last = i;
    }
    return first > last ? 0 : static_cast<double>(last - first + 1);
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

    // Closes the device and reads back what it mixed (16-bit stereo at 22050 Hz).
    Mix Record() {
        platform::SleepMilliseconds(100);  // let the last mixed buffer reach the file
        Close();
        const auto bytes = soundtest::ReadBytes(output_);
        Mix mix;
        for (std::size_t i = 0; i + 3 < bytes.size(); i += 4) {
            mix.left.push_back(static_cast<std::int16_t>(bytes[i] | (bytes[i + 1] << 8)));
            mix.right.push_back(static_cast<std::int16_t>(bytes[i + 2] | (bytes[i + 3] << 8)));
        }
        return mix;
    }

    static void WaitWhilePlaying(double channel) {
        for (int i = 0; i < 500 && SoundPlaying(channel) == 1; ++i) platform::SleepMilliseconds(10);
        ASSERT_EQ(SoundPlaying(channel), 0);
    }

    std::string output_;
};

}  // namespace

TEST_F(DiskAudio, LevelsFollowTheDecibelLawOnEachSide) {
    const std::string path = TempPath("tone.wav");
    ASSERT_TRUE(MakePythonWave(path, kRate, 16, 1, kTone, kAmplitude, kToneFrames));
    // Pan, volume, and the gains of the left and right sides: half volume is -50 dB, not half; the ends
    // of the pan silence one side; a pan of -0.2 takes 20 dB off the right side.
    const double minus50dB = std::pow(10.0, -5000 / 2000.0);
    const std::tuple<double, double, double, double> cases[] = {
        {0, 1, 1, 1},      {0, 0.5, minus50dB, minus50dB}, {0, 0, 0, 0}, {-1, 1, 1, 0}, {1, 1, 0, 1},
        {-0.2, 1, 1, 0.1},
    };
    for (const auto& [pan, volume, left, right] : cases) {
        SCOPED_TRACE("pan " + std::to_string(pan) + " volume " + std::to_string(volume));
        if (pan != 0 || volume != 1) SetUp();  // a device of its own for each recording
        LoadSound(path.c_str(), 1, 1);
        const double channel = PlaySound(1, pan, volume);
        EXPECT_EQ(channel, 256);
        WaitWhilePlaying(channel);
        const Mix mix = Record();
        ASSERT_GT(mix.left.size(), static_cast<std::size_t>(kToneFrames));
        EXPECT_NEAR(Peak(mix.left), TonePeak(left), left == 0 ? 0 : 2);
        EXPECT_NEAR(Peak(mix.right), TonePeak(right), right == 0 ? 0 : 2);
        // Played once, whole: the tone spans its length (give or take its zero crossings).
        if (volume == 1 && pan == 0) {
            EXPECT_NEAR(SoundFrames(mix), kToneFrames, 3);
        }
    }
}

TEST_F(DiskAudio, FilesOfEveryFormatPlay) {
    int n = 0;
    for (int rate : {11025, 22050, 44100, 48000}) {
        for (int bits : {8, 16}) {
            for (int channels : {1, 2}) {
                SCOPED_TRACE(std::to_string(rate) + " Hz, " + std::to_string(bits) + " bits, " +
                             std::to_string(channels) + " channels");
                const std::string path = TempPath(std::to_string(n) + ".wav");
                const bool sox = (n + n / 2) % 2 == 1;  // half by sox, half by Python, mono and stereo
                ASSERT_TRUE(sox ? soundtest::MakeSoxWave(path, rate, bits, channels, kTone, 0.05)
                                : MakePythonWave(path, rate, bits, channels, kTone, kAmplitude, rate / 20));
                LoadSound(path.c_str(), n, 1);
                ASSERT_EQ(PlaySound(n, 0, 1), 256 * n);
                EXPECT_EQ(SoundPlaying(256 * n), 1);
                ++n;
            }
        }
    }
    // A hand-made file with an 18-byte format chunk and a "fact" chunk.
    soundtest::WaveLayout extended{.formatSize = 18, .fact = true, .data = {}};
    for (int i = 0; i < 1000; ++i) {
        const auto sample =
            static_cast<std::uint16_t>(soundtest::PythonSample16(kTone, kAmplitude, kRate, i));
        extended.data.insert(extended.data.end(),
                             {static_cast<std::uint8_t>(sample), static_cast<std::uint8_t>(sample >> 8)});
    }
    soundtest::WriteBytes(TempPath("extended.wav"), soundtest::BuildWave(extended));
    LoadSound(TempPath("extended.wav").c_str(), n, 1);
    ASSERT_EQ(PlaySound(n, 0, 1), 256 * n);

    // All of them play at once, each about 0.05 s long: the loudest side comes near half of full scale.
    for (int i = 0; i <= n; ++i) WaitWhilePlaying(256 * i);
    const Mix mix = Record();
    EXPECT_GT(Peak(mix.left), 16000 * 0.9);
    EXPECT_GT(Peak(mix.right), 16000 * 0.9);
}

TEST_F(DiskAudio, CopiesAndChannels) {
    const std::string path = TempPath("long.wav");
    ASSERT_TRUE(MakePythonWave(path, kRate, 16, 1, kTone, 0.1, kRate * 3));

    // Two copies played three times: copy 0, copy 1, then copy 0 again from its start.
    LoadSound(path.c_str(), 5, 2);
    EXPECT_EQ(PlaySound(5, 0, 1), 5 * 256);
    EXPECT_EQ(PlaySound(5, 0, 1), 5 * 256 + 1);
    EXPECT_EQ(PlaySound(5, 0, 1), 5 * 256);
    EXPECT_EQ(SoundPlaying(5 * 256), 1);
    EXPECT_EQ(SoundPlaying(5 * 256 + 1), 1);
    EXPECT_EQ(SoundPlaying(5 * 256 + 2), 0);  // no such copy

    // One copy, busy: -1 and it keeps playing.
    LoadSound(path.c_str(), 6, 1);
    EXPECT_EQ(PlaySound(6, 0, 1), 6 * 256);
    EXPECT_EQ(PlaySound(6, 0, 1), -1);
    EXPECT_EQ(SoundPlaying(6 * 256), 1);

    // Numbers above 127 mean 127; copy counts are limited to 1..4.
    LoadSound(path.c_str(), 200, 9);
    const double channel = PlaySound(200, 0, 1);
    EXPECT_GE(channel, 32512);
    EXPECT_LE(channel, 32515);
    for (int copy = 1; copy < 4; ++copy) EXPECT_EQ(PlaySound(127, 0, 1), 32512 + copy);
    EXPECT_EQ(PlaySound(127, 0, 1), 32512);
    LoadSound(path.c_str(), 7, 0);
    EXPECT_EQ(PlaySound(7, 0, 1), 7 * 256);
    EXPECT_EQ(PlaySound(7, 0, 1), -1);

    // Channels and numbers outside the table; NaN is channel 0, and slot 0 is empty.
    for (double c : {-1.0, 2048.0 * 256, 1e300, std::numeric_limits<double>::quiet_NaN()})
        EXPECT_EQ(SoundPlaying(c), 0) << c;
    EXPECT_EQ(PlaySound(-1, 0, 1), -1);
    EXPECT_EQ(PlaySound(3, 0, 1), -1);  // never loaded
    LoadSound(path.c_str(), -1, 1);     // ignored, slot 0 stays empty
    EXPECT_EQ(PlaySound(0, 0, 1), -1);

    StopAllSounds();
    for (double c : {5 * 256.0, 5 * 256.0 + 1, 6 * 256.0, 32512.0, 7 * 256.0}) EXPECT_EQ(SoundPlaying(c), 0);
    EXPECT_EQ(PlaySound(6, 0, 1), 6 * 256);  // a stopped copy plays again
}

TEST_F(DiskAudio, BadFilesLeaveTheSlotEmpty) {
    const std::string good = TempPath("good.wav");
    ASSERT_TRUE(MakePythonWave(good, kRate, 16, 1, kTone, 0.1, 2000));
    const auto goodBytes = soundtest::ReadBytes(good);
    // Missing, cut short before the samples, no data chunk.
    soundtest::WriteBytes(TempPath("short.wav"), {goodBytes.begin(), goodBytes.begin() + 35});
    soundtest::WriteBytes(
        TempPath("nodata.wav"),
        soundtest::BuildWave({.dataName = "LIST", .data = std::vector<std::uint8_t>(64, 1)}));
    for (const char* bad : {"missing.wav", "short.wav", "nodata.wav", ""}) {
        SCOPED_TRACE(bad);
        LoadSound(good.c_str(), 2, 1);
        ASSERT_EQ(PlaySound(2, 0, 0), 512);
        LoadSound(*bad ? TempPath(bad).c_str() : "", 2, 1);  // replaces the loaded sound, and fails
        EXPECT_EQ(SoundPlaying(512), 0);
        EXPECT_EQ(PlaySound(2, 0, 1), -1);
    }
}

TEST_F(DiskAudio, ADataChunkLongerThanTheFilePlaysWhatTheFileHolds) {
    // Half a second of tone made by sox, its data chunk then claiming 10,000,000 bytes.
    const std::string path = TempPath("cut.wav");
    ASSERT_TRUE(soundtest::MakeSoxWave(path, kRate, 16, 1, 2000, 0.5));
    auto bytes = soundtest::ReadBytes(path);
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    const std::size_t data = text.find("data", 36);
    ASSERT_NE(data, std::string_view::npos);
    const std::uint8_t claimed[] = {0x80, 0x96, 0x98, 0x00};  // 10,000,000 little-endian
    std::copy(std::begin(claimed), std::end(claimed), bytes.begin() + static_cast<long>(data) + 4);
    soundtest::WriteBytes(path, bytes);

    LoadSound(path.c_str(), 4, 1);
    const double channel = PlaySound(4, 0, 1);
    ASSERT_EQ(channel, 1024);
    WaitWhilePlaying(channel);
    EXPECT_NEAR(SoundFrames(Record()), kRate / 2, 3);
}

TEST_F(DiskAudio, ShortMusicRestartsEvery500Milliseconds) {
    // A 0.2 s tune restarts every 500 ms at least: three bursts in 1.2 s.
    const std::string tune = TempPath("tune.wav");
    ASSERT_TRUE(MakePythonWave(tune, kRate, 16, 2, kTone, kAmplitude, kRate / 5));
    const double before = Now();
    PlayMusic(tune.c_str());
    ASSERT_TRUE(platform::MusicPlaying());
    EXPECT_EQ(g_engine.musicVolume, 1.0);
    EXPECT_EQ(platform::MusicVolume(), 1000);
    EXPECT_GE(g_engine.musicEndTime, before + 500);
    EXPECT_LE(g_engine.musicEndTime, Now() + 500);

    std::vector<double> endTimes{g_engine.musicEndTime};
    for (const double stop = platform::ClockMs() + 1200; platform::ClockMs() < stop;) {
        MusicLoopCheck();
        if (g_engine.musicEndTime != endTimes.back()) endTimes.push_back(g_engine.musicEndTime);
        platform::SleepMilliseconds(5);
    }
    ASSERT_EQ(endTimes.size(), 3u);
    for (std::size_t i = 1; i < endTimes.size(); ++i) {
        // A restart comes at the first check after the end time (checks here are about 5 ms apart).
        EXPECT_GE(endTimes[i] - endTimes[i - 1], 500);
        EXPECT_LT(endTimes[i] - endTimes[i - 1], 580);
    }
    const Mix mix = Record();
    int bursts = 0;
    std::size_t quiet = kRate;  // frames since the last sound
    for (std::size_t i = 0; i < mix.left.size(); ++i) {
        if (mix.left[i] != 0 || mix.right[i] != 0) {
            bursts += quiet > kRate / 10;  // more than 0.1 s of silence before it
            quiet = 0;
        } else {
            ++quiet;
        }
    }
    EXPECT_EQ(bursts, 3);
}

TEST_F(DiskAudio, LongerMusicRestartsAfterTheLengthItsDecoderReads) {
    // WAV of 0.7 s from Python, OGG from sox and MP3 from ffmpeg of 0.8 s.
    const std::string wav = TempPath("long-tune.wav"), ogg = TempPath("tune.ogg"), mp3 = TempPath("tune.mp3");
    ASSERT_TRUE(MakePythonWave(wav, kRate, 16, 1, kTone, kAmplitude, kRate * 7 / 10));
    ASSERT_EQ(std::system(("sox -q -n -r 22050 '" + ogg + "' synth 0.8 sine 440").c_str()), 0);
    ASSERT_EQ(std::system(("ffmpeg -loglevel error -y -f lavfi -i sine=f=440:d=0.8 '" + mp3 + "'").c_str()),
              0);
    const std::tuple<std::string, double, double> tunes[] = {{wav, 700, 20}, {ogg, 800, 60}, {mp3, 800, 60}};
    for (const auto& [tune, length, tolerance] : tunes) {
        SCOPED_TRACE(tune);
        PlayMusic(tune.c_str());
        ASSERT_TRUE(platform::MusicPlaying());
        const double first = g_engine.musicEndTime, measured = first - Now();
        EXPECT_NEAR(measured, length, tolerance);
        MusicLoopCheck();
        EXPECT_EQ(g_engine.musicEndTime, first);  // not yet
        while (Now() < first) platform::SleepMilliseconds(5);
        MusicLoopCheck();
        EXPECT_GE(g_engine.musicEndTime - first, measured - 1);
        EXPECT_LT(g_engine.musicEndTime - first, measured + 80);
        EXPECT_TRUE(platform::MusicPlaying());
    }
}

TEST_F(DiskAudio, MusicOfUnknownLengthRestartsWhenItEnds) {
    // A MIDI tune of one note held for 96 ticks at 96 ticks a beat (0.5 s at the default 120 beats
    // a minute), then 96 ticks more before its end: its decoder reports no length.
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

TEST_F(DiskAudio, SoundsAndMusicComeFromTheArchive) {
    // Packed by an independent packer (lzop's LZO1X data), then the loose files are removed.
    const std::string tone = TempPath("boom.wav"), tune = TempPath("tune.wav"),
                      archive = TempPath("data.sbx");
    ASSERT_TRUE(MakePythonWave(tone, kRate, 16, 1, kTone, kAmplitude, 2205));
    ASSERT_TRUE(MakePythonWave(tune, kRate, 16, 1, kTone, kAmplitude, kRate));
    const std::string pack = "python3 " TARVOK_SOURCE_DIR "/tests/storage/lzo_fixtures.py pack '" + archive +
                             "' '" + tone + "' '" + tune + "'";
    ASSERT_EQ(std::system(pack.c_str()), 0);
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

TEST_F(DiskAudio, MusicVolumeAndStop) {
    const std::string tune = TempPath("tune.wav");
    ASSERT_TRUE(MakePythonWave(tune, kRate, 16, 1, kTone, kAmplitude, kRate));
    SetMusicVolume(0.3);  // no music yet: remembered only
    EXPECT_EQ(g_engine.musicVolume, 0.3);
    PlayMusic(tune.c_str());
    EXPECT_EQ(platform::MusicVolume(), 1000);
    SetMusicVolume(0.5);
    EXPECT_EQ(platform::MusicVolume(), 500);
    platform::SetMusicVolume(900);  // changed behind the engine's back
    SetMusicVolume(0.5);            // the same volume again: nothing is sent
    EXPECT_EQ(platform::MusicVolume(), 900);
    SetMusicVolume(2);
    EXPECT_EQ(platform::MusicVolume(), 1000);

    StopMusic();
    EXPECT_FALSE(platform::MusicPlaying());
    EXPECT_EQ(g_engine.musicEndTime, 0);
    EXPECT_EQ(g_engine.musicVolume, -1);
    MusicLoopCheck();  // nothing to restart
    EXPECT_FALSE(platform::MusicPlaying());

    // A file that cannot be found, or that no decoder takes, stops the music all the same.
    soundtest::WriteBytes(TempPath("noise.mp3"), std::vector<std::uint8_t>(100, 0));
    for (const char* bad : {"missing.ogg", "noise.mp3"}) {
        PlayMusic(tune.c_str());
        ASSERT_TRUE(platform::MusicPlaying());
        PlayMusic(TempPath(bad).c_str());
        EXPECT_FALSE(platform::MusicPlaying()) << bad;
        EXPECT_EQ(g_engine.musicEndTime, 0) << bad;
    }
}

// Without an audio device every effect command is a silent no-op and PlaySound gives -1.
TEST(NoSoundDevice, EveryCommandIsANoOp) {
    const std::string path = soundtest::TempPath("tone.wav");
    ASSERT_TRUE(soundtest::MakePythonWave(path, 22050, 16, 1, 441, 0.5, 2205));

    // Before InitEngine made anything: no device record, no slot table.
    LoadSound(path.c_str(), 1, 2);
    EXPECT_EQ(PlaySound(1, 0, 1), -1);
    EXPECT_EQ(SoundPlaying(256), 0);
    StopAllSounds();
    DestroySoundSlots();
    ReleaseSoundDevice();

    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    CreateSoundDevice();
    CreateSoundSlots();
    EXPECT_EQ(InitSoundDevice(g_engine.sound, nullptr), 0);
    EXPECT_FALSE(platform::AudioIsOpen());
    SetSoundWindow(g_engine.sound, nullptr);

    LoadSound(path.c_str(), 1, 2);
    EXPECT_EQ(PlaySound(1, 0, 1), -1);
    EXPECT_EQ(PlaySound(1, 0, 1), -1);
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
