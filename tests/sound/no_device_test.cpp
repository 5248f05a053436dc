// Without an audio device every effect command is a silent no-op and PlaySound gives -1.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/audio.h"
#include "runtime/engine_globals.h"
#include "sound/sound.h"
#include "tests/sound/wave_fixtures.h"

namespace {

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

}  // namespace
