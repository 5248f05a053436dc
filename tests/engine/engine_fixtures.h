// Shared by the engine tests: temporary paths, the test video, probe runs and their shots' pixels.
#pragma once

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/support/run_command.h"

namespace enginetest {

using testsupport::CommandResult;
using Rgb = std::array<int, 3>;
constexpr Rgb kNoShot{-1, -1, -1};

inline std::string TempPath(const std::string& name) {
    return std::string(std::getenv("TMPDIR")) + "/" + name;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// 160 x 120, 10 pictures a second: a second each of red, green and blue, with a 441 Hz tone at 22050 Hz.
inline bool MakeColourVideo(const std::string& path) {
    std::string command = "ffmpeg -v error -y";
    for (const char* colour : {"0xFF0000", "0x00FF00", "0x0000FF"})
        command += std::string(" -f lavfi -i color=c=") + colour + ":s=160x120:r=10:d=1";
    command +=
        " -f lavfi -i sine=frequency=441:sample_rate=22050:duration=3 -filter_complex "
        "'[0:v][1:v][2:v]concat=n=3:v=1:a=0[v]' -map '[v]' -map 3:a -c:a pcm_s16le -c:v mpeg4 -q:v 2";
    return std::system((command + " '" + path + "'").c_str()) == 0;
}

// Runs the probe (or `program`) in TMPDIR with a key script, which keeps its window active; shots in "shots".
inline CommandResult Probe(const std::string& args, const std::string& keys = "", const std::string& env = "",
                           const std::string& program = TARVOK_TEST_BINARY_DIR "/tests/engine/probe_game") {
    std::ofstream(TempPath("keys.txt")) << keys;
    return testsupport::RunCommand(
        "cd \"$TMPDIR\" && rm -rf shots && mkdir shots && env TARVOK_SHOTDIR=shots"
        " TARVOK_NONINTERACTIVE=1 TARVOK_KEYS=\"$TMPDIR/keys.txt\" " +
        env + " '" + program + "' " + args + " 2>&1");
}

// One pixel of the shot of a frame, as 8-bit RGB; kNoShot when there is no such shot.
inline Rgb Pixel(int frame, int x, int y) {
    char command[200];
    std::snprintf(command, sizeof command,
                  "convert \"$TMPDIR/shots/frame-%06d.png\" -crop 1x1+%d+%d -depth 8 -format "
                  "'%%[fx:int(255*r)] %%[fx:int(255*g)] %%[fx:int(255*b)]' info: 2>/dev/null",
                  frame, x, y);
    Rgb p = kNoShot;
    if (std::sscanf(testsupport::RunCommand(command).out.c_str(), "%d %d %d", &p[0], &p[1], &p[2]) != 3)
        p = kNoShot;
    return p;
}

}  // namespace enginetest
