#include "platform/audio.h"
#include "platform/audio_stream.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include <SDL.h>
#include <SDL_mixer.h>

namespace platform {

struct AudioClip {
    Mix_Chunk* chunk = nullptr;
};

struct Music {
    Mix_Music* music = nullptr;
};

namespace {

constexpr int kDeviceRate = 22050;
constexpr int kDeviceChannels = 2;
constexpr Uint16 kDeviceFormat = AUDIO_S16SYS;
constexpr int kMixBufferFrames = 1024;
constexpr int kMaxMusicVolume = 1000;

struct ChannelGain {
    float left = 1.0f;
    float right = 1.0f;
};

struct AudioState {
    bool open = false;
    int channelCount = 0;
    // One gain pair per mixer channel; sized once when the device opens so that the effect's pointers
    // stay valid. Written only while the channel is halted, read by the mixing thread.
    std::vector<ChannelGain> gains;
    int musicVolume = kMaxMusicVolume;
};

AudioState& state() {
    static AudioState s;
    return s;
}

std::int16_t scaleSample(std::int16_t sample, float gain) {
    const float v = std::nearbyint(static_cast<float>(sample) * gain);
    return static_cast<std::int16_t>(std::clamp(v, -32768.0f, 32767.0f));
}

// Channel effect: multiplies the channel's interleaved 16-bit stereo samples by its gain pair.
void SDLCALL applyGain(int, void* stream, int len, void* arg) {
    const auto* gain = static_cast<const ChannelGain*>(arg);
    auto* samples = static_cast<std::int16_t*>(stream);
    const int frames = len / static_cast<int>(kDeviceChannels * sizeof(std::int16_t));
    for (int i = 0; i < frames; ++i) {
        samples[2 * i] = scaleSample(samples[2 * i], gain->left);
        samples[2 * i + 1] = scaleSample(samples[2 * i + 1], gain->right);
    }
}

bool channelInRange(int channel) { return channel >= 0 && channel < state().channelCount; }

}  // namespace

bool OpenAudio(int mixerChannels) {
    AudioState& s = state();
    if (s.open) return true;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        std::fprintf(stderr, "SOUND: no audio device: %s\n", SDL_GetError());
        return false;
    }
    // No format changes allowed: SDL converts to the hardware, so the mix (and the gain effect) always
    // sees 16-bit stereo at 22050 Hz.
    if (Mix_OpenAudioDevice(kDeviceRate, kDeviceFormat, kDeviceChannels, kMixBufferFrames, nullptr, 0) != 0) {
        std::fprintf(stderr, "SOUND: cannot open the audio device: %s\n", Mix_GetError());
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    Mix_Init(MIX_INIT_OGG | MIX_INIT_MP3 | MIX_INIT_MID);
    // One channel more than asked for: the stream channel, for streamed sound (video).
    s.channelCount = std::max(Mix_AllocateChannels(std::max(mixerChannels, 0) + 1) - 1, 0);
    s.gains.assign(static_cast<std::size_t>(s.channelCount), ChannelGain{});
    s.musicVolume = kMaxMusicVolume;
    Mix_VolumeMusic(MIX_MAX_VOLUME);
    s.open = true;
    return true;
}

void CloseAudio() {
    AudioState& s = state();
    if (!s.open) return;
    StopAudioStream();
    Mix_HaltMusic();
    Mix_HaltChannel(-1);
    Mix_CloseAudio();
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    s = AudioState{};
}

bool AudioIsOpen() { return state().open; }

int StreamChannel() { return state().open ? state().channelCount : -1; }

AudioDeviceSpec AudioSpec() {
    int rate = 0;
    Uint16 format = 0;
    int channels = 0;
    if (!state().open || Mix_QuerySpec(&rate, &format, &channels) == 0) return {};
    return {rate, channels, SDL_AUDIO_BITSIZE(format)};
}

AudioClip* CreateAudioClip(const PcmFormat& format, std::span<const std::uint8_t> samples) {
    if (!state().open) return nullptr;
    if (format.channels != 1 && format.channels != 2) return nullptr;
    if (format.bitsPerSample != 8 && format.bitsPerSample != 16) return nullptr;
    if (format.sampleRate <= 0) return nullptr;
    const SDL_AudioFormat source = format.bitsPerSample == 8 ? AUDIO_U8 : AUDIO_S16LSB;
    SDL_AudioCVT cvt;
    if (SDL_BuildAudioCVT(&cvt, source, static_cast<Uint8>(format.channels), format.sampleRate,
                          kDeviceFormat, kDeviceChannels, kDeviceRate) < 0)
        return nullptr;
    const std::size_t frameBytes = static_cast<std::size_t>(format.channels * format.bitsPerSample / 8);
    const std::size_t bytes = samples.size() / frameBytes * frameBytes;
    // The converter works in one int-sized buffer that must hold the largest intermediate form.
    std::size_t workBytes = 0;
    if (bytes == 0 || __builtin_mul_overflow(bytes, static_cast<std::size_t>(cvt.len_mult), &workBytes) ||
        workBytes > INT_MAX)
        return nullptr;
    cvt.len = static_cast<int>(bytes);
    cvt.buf = static_cast<Uint8*>(SDL_malloc(workBytes));
    if (!cvt.buf) return nullptr;
    std::memcpy(cvt.buf, samples.data(), bytes);
    Mix_Chunk* chunk = nullptr;
    if (SDL_ConvertAudio(&cvt) == 0 && cvt.len_cvt > 0)
        chunk = Mix_QuickLoad_RAW(cvt.buf, static_cast<Uint32>(cvt.len_cvt));
    if (!chunk) {
        SDL_free(cvt.buf);
        return nullptr;
    }
    chunk->allocated = 1;  // Mix_FreeChunk frees the converted samples with the chunk
    return new AudioClip{chunk};
}

void DestroyAudioClip(AudioClip* clip) {
    if (!clip) return;
    Mix_FreeChunk(clip->chunk);  // halts every channel that plays it
    delete clip;
}

bool PlayClip(int channel, AudioClip* clip, float leftGain, float rightGain) {
    AudioState& s = state();
    if (!s.open || !clip || !channelInRange(channel)) return false;
    // Halting also drops the channel's previous effect, so the gains can be written safely.
    Mix_HaltChannel(channel);
    ChannelGain& gain = s.gains[static_cast<std::size_t>(channel)];
    gain = {leftGain, rightGain};
    if (Mix_RegisterEffect(channel, applyGain, nullptr, &gain) == 0) return false;
    return Mix_PlayChannel(channel, clip->chunk, 0) == channel;
}

void StopChannel(int channel) {
    if (state().open && channelInRange(channel)) Mix_HaltChannel(channel);
}

bool ChannelPlaying(int channel) {
    return state().open && channelInRange(channel) && Mix_Playing(channel) != 0;
}

Music* OpenMusic(const std::string& path) {
    if (!state().open) return nullptr;
    Mix_Music* music = Mix_LoadMUS(path.c_str());
    if (!music) {
        std::fprintf(stderr, "SOUND: cannot play music \"%s\": %s\n", path.c_str(), Mix_GetError());
        return nullptr;
    }
    return new Music{music};
}

void CloseMusic(Music* music) {
    if (!music) return;
    if (state().open) Mix_FreeMusic(music->music);  // halts it when it is the one playing
    delete music;
}

bool PlayMusicFromStart(Music* music) {
    return state().open && music && Mix_PlayMusic(music->music, 0) == 0;
}

double MusicLengthMs(Music* music) {
    if (!state().open || !music) return -1;
    const double seconds = Mix_MusicDuration(music->music);
    return seconds > 0 ? seconds * 1000.0 : -1;
}

bool MusicPlaying() { return state().open && Mix_PlayingMusic() != 0; }

void SetMusicVolume(int volume) {
    AudioState& s = state();
    s.musicVolume = std::clamp(volume, 0, kMaxMusicVolume);
    if (s.open) Mix_VolumeMusic((s.musicVolume * MIX_MAX_VOLUME + kMaxMusicVolume / 2) / kMaxMusicVolume);
}

int MusicVolume() { return state().musicVolume; }

}  // namespace platform
