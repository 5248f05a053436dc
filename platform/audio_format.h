// The sample formats of the sound device: what a clip is made from and what the open device mixes.
// Plain records with no SDL in sight, so the sound subsystem's public header can hold them.
#pragma once

namespace platform {

// Format of PCM samples handed to CreateAudioClip.
struct PcmFormat {
    int channels = 0;       // 1 or 2, interleaved
    int sampleRate = 0;     // frames per second
    int bitsPerSample = 0;  // 8 (unsigned) or 16 (signed little-endian)
};

// What the open device mixes: its rate, channel count and bits per sample.
struct AudioDeviceSpec {
    int sampleRate = 0;
    int channels = 0;
    int bitsPerSample = 0;
};

}  // namespace platform
