#include "tests/sound/wave_fixtures.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "platform/system.h"

namespace soundtest {
namespace {

void putU16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void putU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void putName(std::vector<std::uint8_t>& out, const char* name) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(name[i]));
}

}  // namespace

std::string TempPath(const std::string& name) { return platform::TempDir() + name; }

bool MakePythonWave(const std::string& path, int rate, int bits, int channels, double frequency,
                    double amplitude, int frames) {
    const std::string command = "python3 " TARVOK_SOURCE_DIR "/tests/sound/make_wave.py '" + path + "' " +
                                std::to_string(rate) + " " + std::to_string(bits) + " " +
                                std::to_string(channels) + " " + std::to_string(frequency) + " " +
                                std::to_string(amplitude) + " " + std::to_string(frames);
    return std::system(command.c_str()) == 0;
}

bool MakeSoxWave(const std::string& path, int rate, int bits, int channels, double frequency,
                 double seconds) {
    const std::string command = "sox -q -n -r " + std::to_string(rate) + " -b " + std::to_string(bits) +
                                " -c " + std::to_string(channels) + " '" + path + "' synth " +
                                std::to_string(seconds) + " sine " + std::to_string(frequency) + " vol 0.5";
    return std::system(command.c_str()) == 0;
}

std::int16_t PythonSample16(double frequency, double amplitude, int rate, int i) {
    const double s = amplitude * std::sin(2 * M_PI * frequency * i / rate);
    return static_cast<std::int16_t>(std::lround(s * 32767));
}

std::vector<std::uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> BuildWave(const WaveLayout& w) {
    std::vector<std::uint8_t> out;
    putName(out, "RIFF");
    putU32(out, 0);  // patched below
    putName(out, "WAVE");
    putName(out, "fmt ");
    putU32(out, w.formatSize);
    putU16(out, w.formatTag);
    putU16(out, w.channels);
    putU32(out, w.rate);
    putU32(out, w.rate * w.blockAlign);
    putU16(out, w.blockAlign);
    putU16(out, w.bits);
    if (w.formatSize > 16) putU16(out, 0);  // extension size
    if (w.fact) {
        putName(out, "fact");
        putU32(out, 4);
        putU32(out, static_cast<std::uint32_t>(w.data.size() / (w.blockAlign ? w.blockAlign : 1)));
    }
    putName(out, w.dataName);
    putU32(out, w.dataSizeField == 0xFFFFFFFF ? static_cast<std::uint32_t>(w.data.size()) : w.dataSizeField);
    out.insert(out.end(), w.data.begin(), w.data.end());
    const auto riffSize = static_cast<std::uint32_t>(out.size() - 8);
    for (int i = 0; i < 4; ++i) out[4 + i] = static_cast<std::uint8_t>(riffSize >> (8 * i));
    return out;
}

}  // namespace soundtest
