// Wave files for the sound tests: made by Python's wave module and by sox, or written byte by byte.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/system.h"

namespace soundtest {

using Bytes = std::vector<std::uint8_t>;

inline std::string TempPath(const std::string& name) { return platform::TempDir() + name; }

inline bool Shell(const std::string& command) { return std::system(command.c_str()) == 0; }

// A sine of the given amplitude (fraction of full scale) by Python; a stereo file's right side is negated.
inline bool MakePythonWave(const std::string& path, int rate, int bits, int channels, double frequency,
                           double amplitude, int frames) {
    return Shell("python3 " TARVOK_SOURCE_DIR "/tests/sound/make_wave.py '" + path + "' " +
                 std::to_string(rate) + " " + std::to_string(bits) + " " + std::to_string(channels) + " " +
                 std::to_string(frequency) + " " + std::to_string(amplitude) + " " + std::to_string(frames));
}

inline Bytes ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Fields of a hand-made wave file.
struct WaveLayout {
    std::uint32_t formatSize = 16;  // the "fmt " chunk's size field; 18 adds 2 extension bytes
    std::uint16_t formatTag = 1, channels = 1;
    std::uint32_t rate = 22050;
    std::uint16_t blockAlign = 2, bits = 16;
    bool fact = false;  // a 12-byte "fact" chunk (4 data bytes) before the data chunk
    const char* dataName = "data";
    Bytes data;
    std::uint32_t dataSizeField = 0xFFFFFFFF;  // the data chunk's size field; all ones = data.size()
};

// The file of a layout, little-endian field by field.
inline Bytes BuildWave(const WaveLayout& w) {
    Bytes out;
    const auto put = [&out](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    const auto name = [&put](const char* n) {
        put(std::uint32_t(n[0] | n[1] << 8 | n[2] << 16 | n[3] << 24), 4);
    };
    name("RIFF");
    put(0, 4);  // patched below
    name("WAVE");
    name("fmt ");
    for (auto [v, n] : {std::pair<std::uint32_t, int>{w.formatSize, 4},
                        {w.formatTag, 2},
                        {w.channels, 2},
                        {w.rate, 4},
                        {w.rate * w.blockAlign, 4},
                        {w.blockAlign, 2},
                        {w.bits, 2}})
        put(v, n);
    if (w.formatSize > 16) put(0, 2);  // extension size
    if (w.fact) {
        name("fact");
        put(4, 4);
        put(static_cast<std::uint32_t>(w.data.size() / (w.blockAlign ? w.blockAlign : 1)), 4);
    }
    name(w.dataName);
    put(w.dataSizeField == 0xFFFFFFFF ? static_cast<std::uint32_t>(w.data.size()) : w.dataSizeField, 4);
    out.insert(out.end(), w.data.begin(), w.data.end());
    const auto riffSize = static_cast<std::uint32_t>(out.size() - 8);
    for (int i = 0; i < 4; ++i) out[4 + i] = static_cast<std::uint8_t>(riffSize >> (8 * i));
    return out;
}

}  // namespace soundtest
