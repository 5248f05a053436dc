// Streamed sound: samples in the device format (16-bit, interleaved, at AudioSpec's rate and channel
// count) played as they are queued, on the stream channel of audio.h, so that music and sound effects
// go on beside it. Video playback uses it. Without an open device every call is a harmless no-op.
#pragma once

#include <cstdint>
#include <span>

namespace platform {

// Sound queued beyond this is dropped from the oldest end, so a device that does not consume cannot
// make the queue grow without bound.
constexpr int kMaxQueuedStreamMs = 2000;

// Starts the stream channel: it plays the queue as it fills, and silence while the queue is empty.
// False when the device is not open or the channel cannot start.
bool StartAudioStream();
// Appends samples to the queue (a partial frame at the end is dropped).
void QueueAudioStream(std::span<const std::int16_t> samples);
// Milliseconds of sound queued and not yet mixed.
double QueuedAudioStreamMs();
// Stops the stream channel and empties the queue.
void StopAudioStream();

}  // namespace platform
