// The sound device over SDL2_mixer: sound clips played on numbered mixer channels with a gain per side
// applied in floating point, and one music stream.
//
// The device is opened at 22050 Hz, 16-bit stereo; SDL converts to whatever the hardware takes. Clips
// hold their samples already converted to that format. Channel gains are applied by a channel effect,
// so any attenuation (down to silence) is exact, unlike the mixer's own 0..128 volume steps.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/audio_format.h"

namespace platform {

// One sound's samples in the device format; several channels may play the same clip at once.
struct AudioClip;

// Opens the audio device with mixerChannels channels (numbered 0..mixerChannels-1). False, with one line
// on standard error, when there is no device; then every other call here is a harmless no-op.
bool OpenAudio(int mixerChannels);
// Stops everything and closes the device (nothing happens when it is not open).
void CloseAudio();
// Whether the device is open.
bool AudioIsOpen();
// The mixer channel kept beyond the mixerChannels of OpenAudio for streamed sound (audio_stream.h);
// -1 when the device is not open.
int StreamChannel();
// The format the open device mixes in (all 0 when it is not open).
AudioDeviceSpec AudioSpec();

// Converts PCM samples to the device format into a new clip; null when the device is not open, the
// format is not one listed in PcmFormat, or memory runs out. A partial frame at the end is dropped.
AudioClip* CreateAudioClip(const PcmFormat& format, std::span<const std::uint8_t> samples);
// Stops every channel that plays the clip and frees it (null is ignored).
void DestroyAudioClip(AudioClip* clip);

// Plays the clip once from its start on the channel (stopping what the channel played), each output
// side multiplied by its gain. False when the channel is out of range or the clip cannot start.
bool PlayClip(int channel, AudioClip* clip, float leftGain, float rightGain);
// Stops the channel (its next play starts from the beginning).
void StopChannel(int channel);
// Whether the channel is playing.
bool ChannelPlaying(int channel);

// One music file, decoded as it plays.
struct Music;

// Opens a music file (WAV, OGG, MP3, MIDI, ... as the installed decoders allow); null when the device
// is not open or the file cannot be decoded.
Music* OpenMusic(const std::string& path);
// Stops the music when it plays and frees it (null is ignored).
void CloseMusic(Music* music);
// Starts the music from its beginning, once. False when it cannot start.
bool PlayMusicFromStart(Music* music);
// The music's length in milliseconds, or a negative value when the decoder cannot tell.
double MusicLengthMs(Music* music);
// Whether any music is playing.
bool MusicPlaying();
// Sets the music volume, 0..1000 (values outside are limited to it).
void SetMusicVolume(int volume);
// The music volume as last set, 0..1000 (1000 when the device is not open).
int MusicVolume();

}  // namespace platform
