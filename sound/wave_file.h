// The engine's own wave file reader: bytes of a file in, the PCM format and the sample bytes out.
//
// It reads the fixed layout the engine has always read, not general RIFF: a 36-byte head (RIFF header,
// "fmt " chunk header and 16 bytes of format), 14 bytes skipped when the format chunk is not 16 bytes
// long, an optional "fact" chunk, then the "data" chunk. Magic words other than the chunk names are not
// checked. Every size in the file is checked against the bytes that are really there.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace tarvok {

// The sound buffer format taken from a wave file (always PCM).
struct WaveFormat {
    std::uint16_t channels = 0;       // 1 or 2 (files saying fewer than 2 play as mono, more as stereo)
    std::uint32_t sampleRate = 0;     // frames per second
    std::uint32_t bytesPerSecond = 0; // sampleRate * blockAlign
    std::uint16_t blockAlign = 0;     // bytes per frame: channels * bitsPerSample / 8
    std::uint16_t bitsPerSample = 0;  // 8 (unsigned samples) or 16 (signed little-endian)
};

// A parsed wave file: its format and its sample bytes (a view into the parsed file).
struct WaveSound {
    WaveFormat format;
    std::span<const std::uint8_t> data;
};

// The sample rates a sound buffer accepts.
inline constexpr std::uint32_t kMinSampleRate = 100;
inline constexpr std::uint32_t kMaxSampleRate = 200000;
// The sizes of sample data a sound buffer accepts.
inline constexpr std::uint32_t kMinWaveDataBytes = 4;
inline constexpr std::uint32_t kMaxWaveDataBytes = 0x0FFFFFFF;

// Parses a whole wave file. Empty on failure; then *error (when given) names the reason. Fails when the
// file is shorter than 36 bytes, a chunk header or the "fact" data runs past the end, the chunk after
// the optional "fact" chunk is not "data", or the format is not one a sound buffer takes (8 or 16 bits,
// block alignment = channels * bytes per sample, rate 100..200000, 4 bytes to 256 MB of data). A data
// chunk that claims more bytes than the file holds gives the bytes that are there.
std::optional<WaveSound> ParseWave(std::span<const std::uint8_t> file, const char** error = nullptr);

}  // namespace tarvok
