// Wave files for the sound tests: made by Python's wave module and by sox, or written byte by byte.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/system.h"

namespace soundtest {

// A path in the test run's private temporary directory.
inline std::string TempPath(const std::string& name) { return platform::TempDir() + name; }

// A sine wave of the given frequency and amplitude (fraction of full scale) written by Python's wave
// module; in a stereo file the second channel carries the negated sine. False when python3 fails.
inline bool MakePythonWave(const std::string& path, int rate, int bits, int channels, double frequency,
                           double amplitude, int frames) {
    const std::string command = "python3 " TARVOK_SOURCE_DIR "/tests/sound/make_wave.py '" + path + "' " +
                                std::to_string(rate) + " " + std::to_string(bits) + " " +
                                std::to_string(channels) + " " + std::to_string(frequency) + " " +
                                std::to_string(amplitude) + " " + std::to_string(frames);
    return std::system(command.c_str()) == 0;
}

// A sine wave written by sox with its own header; false when sox fails.
inline bool MakeSoxWave(const std::string& path, int rate, int bits, int channels, double frequency,
                        double seconds) {
    const std::string command = "sox -q -n -r " + std::to_string(rate) + " -b " + std::to_string(bits) +
                                " -c " + std::to_string(channels) + " '" + path + "' synth " +
                                std::to_string(seconds) + " sine " + std::to_string(frequency) + " vol 0.5";
    return std::system(command.c_str()) == 0;
}

// The 16-bit sample the Python fixture holds for channel 0 of frame i.
inline std::int16_t PythonSample16(double frequency, double amplitude, int rate, int i) {
    return static_cast<std::int16_t>(
        std::lround(amplitude * std::sin(2 * M_PI * frequency * i / rate) * 32767));
}

inline std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Fields of a hand-made wave file.
struct WaveLayout {
    std::uint32_t formatSize = 16;  // the "fmt " chunk's size field; 18 adds 2 extension bytes
    std::uint16_t formatTag = 1;
    std::uint16_t channels = 1;
    std::uint32_t rate = 22050;
    std::uint16_t blockAlign = 2;
    std::uint16_t bits = 16;
    bool fact = false;  // a 12-byte "fact" chunk (4 data bytes) before the data chunk
    const char* dataName = "data";
    std::vector<std::uint8_t> data;
    std::uint32_t dataSizeField = 0xFFFFFFFF;  // the data chunk's size field; all ones = data.size()
};

// The file of a layout, little-endian field by field.
inline std::vector<std::uint8_t> BuildWave(const WaveLayout& w) {
    std::vector<std::uint8_t> out;
    const auto put = [&out](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    const auto name = [&out](const char* n) { out.insert(out.end(), n, n + 4); };
    name("RIFF");
    put(0, 4);  // patched below
    name("WAVE");
    name("fmt ");
    put(w.formatSize, 4);
    put(w.formatTag, 2);
    put(w.channels, 2);
    put(w.rate, 4);
    put(w.rate * w.blockAlign, 4);
    put(w.blockAlign, 2);
    put(w.bits, 2);
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
