// Test videos made by the ffmpeg command: a colour per second, optionally with a sine tone.
#pragma once

#include <cstdlib>
#include <string>

namespace mediatest {

inline std::string TempPath(const std::string& name) {
    return std::string(std::getenv("TMPDIR")) + "/" + name;
}

// Writes a video of `size` (e.g. "160x120") at `rate` pictures per second: one second each of pure red,
// green and blue, with a 441 Hz sine tone at 22050 Hz when `tone` is set. False when ffmpeg fails.
inline bool MakeColourVideo(const std::string& path, const std::string& size = "160x120", int rate = 10,
                            bool tone = true) {
    std::string command = "ffmpeg -v error -y";
    for (const char* colour : {"0xFF0000", "0x00FF00", "0x0000FF"})
        command += std::string(" -f lavfi -i color=c=") + colour + ":s=" + size +
                   ":r=" + std::to_string(rate) + ":d=1";
    if (tone) command += " -f lavfi -i sine=frequency=441:sample_rate=22050:duration=3";
    command += " -filter_complex '[0:v][1:v][2:v]concat=n=3:v=1:a=0[v]' -map '[v]'";
    if (tone) command += " -map 3:a -c:a pcm_s16le";
    command += " -c:v mpeg4 -q:v 2 '" + path + "'";
    return std::system(command.c_str()) == 0;
}

}  // namespace mediatest
