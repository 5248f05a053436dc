#include "platform/audio_stream.h"

#include <SDL_mixer.h>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/audio.h"

namespace platform {
namespace {

// The stream channel loops this silent chunk; its channel effect replaces the silence by queued sound.
std::uint8_t g_silence[4096];

struct StreamState {
    std::mutex lock;                  // guards the queue: the mixing thread reads, the game thread writes
    std::vector<std::int16_t> queue;  // samples; those before head are already mixed
    std::size_t head = 0;
    int channels = 2;
    int sampleRate = 22050;
    Mix_Chunk* chunk = nullptr;  // the silent chunk while the stream plays
};

StreamState& stream() {
    static StreamState s;
    return s;
}

// Channel effect: the channel's buffer of silence becomes the next queued samples, silence after them.
void SDLCALL fillFromQueue(int, void* buffer, int len, void* arg) {
    auto& s = *static_cast<StreamState*>(arg);
    auto* out = static_cast<std::int16_t*>(buffer);
    const std::size_t wanted = static_cast<std::size_t>(len) / sizeof(std::int16_t);
    std::lock_guard<std::mutex> guard(s.lock);
    const std::size_t n = std::min(wanted, s.queue.size() - s.head);
    if (n > 0) std::memcpy(out, s.queue.data() + s.head, n * sizeof(std::int16_t));
    std::memset(out + n, 0, (wanted - n) * sizeof(std::int16_t));
    s.head += n;
}

}  // namespace

bool StartAudioStream() {
    StopAudioStream();
    const int channel = StreamChannel();
    const AudioDeviceSpec format = AudioSpec();
    if (channel < 0 || format.channels <= 0 || format.sampleRate <= 0 || format.bitsPerSample != 16) return false;
    StreamState& s = stream();
    s.channels = format.channels;
    s.sampleRate = format.sampleRate;
    s.chunk = Mix_QuickLoad_RAW(g_silence, sizeof g_silence);  // not owned: freeing keeps g_silence
    if (!s.chunk) return false;
    Mix_Volume(channel, MIX_MAX_VOLUME);
    if (Mix_RegisterEffect(channel, fillFromQueue, nullptr, &s) == 0 ||
        Mix_PlayChannel(channel, s.chunk, -1) != channel) {
        StopAudioStream();
        return false;
    }
    return true;
}

void QueueAudioStream(std::span<const std::int16_t> samples) {
    StreamState& s = stream();
    if (!s.chunk) return;
    const auto channels = static_cast<std::size_t>(s.channels);
    const std::size_t cap = static_cast<std::size_t>(kMaxQueuedStreamMs) *
                            static_cast<std::size_t>(s.sampleRate) / 1000 * channels;
    std::lock_guard<std::mutex> guard(s.lock);
    s.queue.erase(s.queue.begin(), s.queue.begin() + static_cast<std::ptrdiff_t>(s.head));
    s.head = 0;
    s.queue.insert(s.queue.end(), samples.begin(),
                   samples.begin() + static_cast<std::ptrdiff_t>(samples.size() / channels * channels));
    if (s.queue.size() > cap)
        s.queue.erase(s.queue.begin(), s.queue.end() - static_cast<std::ptrdiff_t>(cap));
}

double QueuedAudioStreamMs() {
    StreamState& s = stream();
    std::lock_guard<std::mutex> guard(s.lock);
    const double frames = static_cast<double>(s.queue.size() - s.head) / s.channels;
    return frames * 1000.0 / s.sampleRate;
}

void StopAudioStream() {
    StreamState& s = stream();
    const int channel = StreamChannel();
    if (s.chunk && channel >= 0) {
        // Both calls take the mixer's lock, so the effect is not running once they return.
        Mix_HaltChannel(channel);
        Mix_UnregisterAllEffects(channel);
    }
    if (s.chunk) Mix_FreeChunk(s.chunk);
    s.chunk = nullptr;
    std::lock_guard<std::mutex> guard(s.lock);
    s.queue.clear();
    s.head = 0;
}

}  // namespace platform
