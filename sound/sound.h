// Sound: wave sounds in numbered slots, each with up to four copies that play at the same time, and one
// music file that loops while the frame loop runs.
//
// Effects play on the mixer of platform/audio.h: copy k of slot n plays on mixer channel 4 * n + k, and
// the game sees it as channel k + 256 * n. Volume and pan come in hundredths of a decibel and reach the
// mixer as a linear gain per side. Music restarts when its length has passed (MusicLoopCheck, called by
// the frame loop and the waiting commands). Without an audio device every command is a silent no-op.
#pragma once

#include <cstdint>

#include "platform/audio.h"
#include "runtime/rt_string.h"

namespace platform { struct Window; }

// Slots in the sound-slot table; the commands reach slots 0..kMaxSoundNumber only.
inline constexpr int kSoundSlotCount = 2048;
// Largest sound number the commands use: larger numbers mean this one.
inline constexpr int kMaxSoundNumber = 127;
// Copies a slot can hold.
inline constexpr int kMaxSoundCopies = 4;
// Game channel numbers: copy + kChannelsPerSound * sound number.
inline constexpr int kChannelsPerSound = 256;

// The sound device (one per process, created by InitEngine).
struct SoundDevice {
    bool open = false;                     // the audio device is open (false when none could be opened)
    platform::Window* window = nullptr;    // the main window given last (the mixer needs no window)
    platform::AudioDeviceSpec caps;        // what the device mixes, as the mixer reports it
};

// One record of the sound-slot table.
struct SoundSlot {
    std::int32_t bufferCount = 0;          // copies of the sound, 1..4; 0 when empty
    std::int32_t lastBuffer = 0;           // index of the copy played last (0 after loading)
    SoundDevice* device = nullptr;         // null when the slot is unusable
    platform::AudioClip* clip = nullptr;   // the sound's samples, shared by all its copies
};

// ---- Engine start and end (InitEngine, ShutdownEngine) ----
// Opens the audio device for the device record: 22050 Hz, 16-bit stereo, a mixer channel for every copy
// of every slot. 1 on success, 0 when there is no audio device (the record stays closed).
int InitSoundDevice(SoundDevice* device, platform::Window* window);
// Hands the device a (new) main window; nothing else is needed by the mixer.
void SetSoundWindow(SoundDevice* device, platform::Window* window);
// Creates the device record g_engine.sound, closed until InitSoundDevice.
void CreateSoundDevice();
// Creates g_engine.soundSlots, a table of kSoundSlotCount empty slots.
void CreateSoundSlots();
// Empties the slots from the last to the first (copies stopped, samples freed), frees the table and
// clears g_engine.soundSlots (nothing happens when there is none).
void DestroySoundSlots();
// Stops any music, closes the audio device, deletes g_engine.sound and clears it (nothing happens when
// there is none).
void ReleaseSoundDevice();

// ---- Sound effects (g_engine.sound, g_engine.soundSlots) ----
// Loads a wave file into slot min(sound, 127) with count copies (limited to 1..4); a missing or bad file
// leaves the slot empty. A negative sound number is ignored.
void LoadSound(const RtString& file, double sound, double count);
// Plays a copy of sound min(sound, 127) with pan -1..1 and volume 0..1; its channel, or -1 when the slot
// is empty or unusable, the number is negative, or the only copy is busy.
double PlaySound(double sound, double pan, double volume);
// 1 while the copy named by the channel plays, else 0 (also for channels outside the table).
double SoundPlaying(double channel);
// Stops every copy of slots 0..127; a stopped copy plays from its start next time.
void StopAllSounds();

// ---- Music ----
// Stops any music, then plays the file (looked up in archive slot 2) at full volume; a file that cannot
// be found or decoded plays nothing.
void PlayMusic(const RtString& file);
// Stops the music and forgets it.
void StopMusic();
// Music volume 0..1 (as 0..1000); nothing happens when it equals the volume set last.
void SetMusicVolume(double volume);
// Restarts the music when its length (at least 500 ms) has passed since it started; music whose length
// the decoder cannot tell restarts when it has ended, no sooner than 500 ms after its start.
void MusicLoopCheck();
