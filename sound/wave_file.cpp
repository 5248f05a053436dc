#include "sound/wave_file.h"

#include <algorithm>
#include <cstring>

namespace tarvok {
namespace {

constexpr std::size_t kHeadBytes = 36;       // RIFF header, "fmt " chunk header, 16 bytes of format
constexpr std::size_t kOddFormatSkip = 14;   // skipped when the format chunk is not 16 bytes long
constexpr std::size_t kChunkHeaderBytes = 8; // name and 32-bit size

std::uint16_t readU16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

std::uint32_t readU32(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
           (static_cast<std::uint32_t>(b[at + 2]) << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

struct ChunkHeader {
    char name[4];
    std::uint32_t size;
};

// Reads the chunk header at *pos and moves past it; false when fewer than 8 bytes are left.
bool readChunkHeader(std::span<const std::uint8_t> file, std::size_t* pos, ChunkHeader* out) {
    if (file.size() - *pos < kChunkHeaderBytes) return false;
    std::memcpy(out->name, file.data() + *pos, 4);
    out->size = readU32(file, *pos + 4);
    *pos += kChunkHeaderBytes;
    return true;
}

bool isChunk(const ChunkHeader& c, const char* name) { return std::memcmp(c.name, name, 4) == 0; }

std::optional<WaveSound> fail(const char** error, const char* text) {
    if (error) *error = text;
    return std::nullopt;
}

}  // namespace

std::optional<WaveSound> ParseWave(std::span<const std::uint8_t> file, const char** error) {
    if (file.size() < kHeadBytes) return fail(error, "shorter than 36 bytes");
    const std::uint32_t formatSize = readU32(file, 16);
    const std::uint16_t fileChannels = readU16(file, 22);
    const std::uint32_t rate = readU32(file, 24);
    const std::uint16_t blockAlign = readU16(file, 32);
    const std::uint16_t bits = readU16(file, 34);

    std::size_t pos = kHeadBytes;
    if (formatSize != 16) {
        if (file.size() - pos < kOddFormatSkip) return fail(error, "format chunk past the end");
        pos += kOddFormatSkip;
    }
    ChunkHeader chunk;
    if (!readChunkHeader(file, &pos, &chunk)) return fail(error, "chunk header past the end");
    if (isChunk(chunk, "fact")) {
        if (file.size() - pos < chunk.size) return fail(error, "\"fact\" chunk past the end");
        pos += chunk.size;
        if (!readChunkHeader(file, &pos, &chunk)) return fail(error, "chunk header past the end");
    }
    if (!isChunk(chunk, "data")) return fail(error, "no \"data\" chunk");
    // A data chunk that claims more than the file holds (a file cut short, or a writer that never
    // patched the size) plays the samples that are there; the claimed size is never allocated.
    const std::size_t dataBytes = std::min<std::size_t>(chunk.size, file.size() - pos);

    WaveFormat format;
    format.channels = fileChannels < 2 ? 1 : 2;
    format.sampleRate = rate;
    format.blockAlign = blockAlign;
    format.bitsPerSample = bits;
    if (bits != 8 && bits != 16) return fail(error, "samples are not 8 or 16 bits");
    if (blockAlign != format.channels * (bits / 8)) return fail(error, "block alignment does not fit");
    if (rate < kMinSampleRate || rate > kMaxSampleRate) return fail(error, "sample rate out of range");
    if (dataBytes < kMinWaveDataBytes || dataBytes > kMaxWaveDataBytes)
        return fail(error, "data size out of range");
    format.bytesPerSecond = rate * blockAlign;
    return WaveSound{format, file.subspan(pos, dataBytes)};
}

}  // namespace tarvok
