// Sound: wave sounds in numbered slots, each with up to four copies that play at the same time, and one
// music file that loops while the frame loop runs.
//
// Effects play on the mixer of platform/audio.h: copy k of slot n plays on mixer channel 4 * n + k, and
// the game sees it as channel k + 256 * n. Volume and pan come in hundredths of a decibel and reach the
// mixer as a linear gain per side. Music restarts when its length has passed (MusicLoopCheck, called by
// the frame loop and the waiting commands). Without an audio device every command is a silent no-op.
#pragma once

#include <cstdint>

#include "platform/audio_format.h"
#include "runtime/rt_string.h"

namespace platform { struct Window; struct AudioClip; }

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
// Sound numbers above 127 mean 127; negative ones do nothing. A missing or bad file leaves the slot empty.
// PlaySound gives -1 when the slot is empty or unusable, the number is negative, or the only copy is busy.
void LoadSound(const RtString& file, double sound, double count);  // a wave file with count copies (1..4)
double PlaySound(double sound, double pan, double volume);  // a free copy, pan -1..1, volume 0..1; channel
double SoundPlaying(double channel);  // 1 while that copy plays, else 0 (also for unknown channels)
void StopAllSounds();                 // stops every copy; each plays from its start next time

// ---- Music ----
// A file that cannot be found (music is looked up in archive slot 2) or decoded plays nothing.
void PlayMusic(const RtString& file);  // stops any music, then loops the file at full volume
void StopMusic();                      // stops the music and forgets it
void SetMusicVolume(double volume);    // 0..1 (as 0..1000); no change when equal to the last volume

// ---- Engine frame loop ----
// Restarts the music when its length (at least 500 ms) has passed since it started; music whose length
// the decoder cannot tell restarts when it has ended, no sooner than 500 ms after its start.
void MusicLoopCheck();
