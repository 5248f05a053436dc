// Wave files for the sound tests: made by Python's wave module and by sox, or written byte by byte.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace soundtest {

// A path in the test run's private temporary directory.
std::string TempPath(const std::string& name);

// A sine wave of the given frequency and amplitude (fraction of full scale) written by Python's wave
// module; in a stereo file the second channel carries the negated sine. False when python3 fails.
bool MakePythonWave(const std::string& path, int rate, int bits, int channels, double frequency,
                    double amplitude, int frames);
// A sine wave written by sox with its own header; false when sox fails.
bool MakeSoxWave(const std::string& path, int rate, int bits, int channels, double frequency, double seconds);

// The 16-bit samples the Python fixture holds for channel 0 of frame i.
std::int16_t PythonSample16(double frequency, double amplitude, int rate, int i);

std::vector<std::uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

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
std::vector<std::uint8_t> BuildWave(const WaveLayout& layout);

}  // namespace soundtest
