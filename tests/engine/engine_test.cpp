// The engine's start, frame loop and end, run as separate processes under a display.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "tests/support/run_command.h"

namespace {

using ProbeRun = testsupport::CommandResult;

std::string TempDir() { return std::getenv("TMPDIR"); }

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs the probe game in a mode with extra environment assignments and a key script. A running key script
// keeps the window active, so other windows on the same display never pause the probe.
ProbeRun RunProbe(const std::string& args, const std::string& env = "", const std::string& keys = "# none\n") {
    const std::string keyFile = TempDir() + "/keys.txt";
    std::ofstream(keyFile) << keys;
    std::string command = "cd '" + TempDir() + "' && env TARVOK_NONINTERACTIVE=1 TARVOK_KEYS=" + keyFile + " ";
    command += env + " " TARVOK_TEST_BINARY_DIR "/tests/engine/probe_game " + args + " 2>&1";
    return testsupport::RunCommand(command);
}

// The RGB of one pixel of a PNG, read by ImageMagick.
std::string Pixel(const std::string& png, int x, int y) {
    const std::string command = "convert '" + png + "' -crop 1x1+" + std::to_string(x) + "+" + std::to_string(y) +
                                " -depth 8 -format '%[fx:int(255*r)],%[fx:int(255*g)],%[fx:int(255*b)] %w %h' info:";
    return testsupport::RunCommand(command).out;
}

std::string Colour(int frame) {
    return std::to_string(frame * 10 % 256) + "," + std::to_string(255 - frame * 10 % 256) + ",128 1 1";
}

}  // namespace

TEST(Engine, StartsShowsFramesAndEndsOnEscape) {
    const std::string log = TempDir() + "/ErrorLog.txt";
    std::ofstream(log) << "left over from an earlier run\r\n";
    const std::string shots = TempDir() + "/shots";
    ASSERT_EQ(system(("mkdir -p " + shots).c_str()), 0);

    const ProbeRun run = RunProbe("colours", "TARVOK_SHOTS=3,7-8 TARVOK_SHOTDIR=" + shots, "12 down 1\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "Init OK\n");
    // Each shot is what was cleared before that ShowScreen, over the whole 640 x 480 window.
    for (int frame : {3, 7, 8}) {
        char name[64];
        std::snprintf(name, sizeof name, "/frame-%06d.png", frame);
        EXPECT_EQ(Pixel(shots + name, 0, 0), Colour(frame)) << "frame " << frame;
        EXPECT_EQ(Pixel(shots + name, 639, 479), Colour(frame)) << "frame " << frame;
    }
    EXPECT_EQ(ReadFile(shots + "/frame-000004.png"), "");
    // The old log is gone; the software renderer's warning of this run is kept.
    const std::string text = ReadFile(log);
    EXPECT_EQ(text.find("left over"), std::string::npos);
    EXPECT_NE(text.find("OpenGL Software Emulation\r\n"), std::string::npos);
}

TEST(Engine, LeftAltF4EndsEvenWhenEscapeIsNotAllowed) {
    // Esc held from frame 3 does nothing with AllowEscape(0); Alt + F4 ends at ShowScreen 8.
    const ProbeRun run = RunProbe("count 0", "", "3 down 1\n6 down 56\n8 down 62\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("frame 7\n"), std::string::npos);
    EXPECT_EQ(run.out.find("frame 8\n"), std::string::npos);

    const ProbeRun escape = RunProbe("count 1", "", "5 down 129\n");  // the extended Esc code ends too
    EXPECT_EQ(escape.status, 0);
    EXPECT_NE(escape.out.find("frame 4\n"), std::string::npos);
    EXPECT_EQ(escape.out.find("frame 5\n"), std::string::npos);
}

TEST(Engine, FrameLimitEndsThroughTheNormalExitPath) {
    const std::string shots = TempDir() + "/limit";
    ASSERT_EQ(system(("mkdir -p " + shots).c_str()), 0);
    // A relative shot folder is the caller's, although the engine changes to the program's folder.
    const ProbeRun limited = RunProbe("colours", "TARVOK_FRAMES=5 TARVOK_SHOTS=5-6 TARVOK_SHOTDIR=limit");
    EXPECT_EQ(limited.status, 0);
    EXPECT_EQ(Pixel(shots + "/frame-000005.png", 5, 5), Colour(5));
    EXPECT_EQ(ReadFile(shots + "/frame-000006.png"), "");

    // The end record of debug mode: error 0, end line (5, copied by EndProgram) - 1, current line 5, file 2.
    const ProbeRun run = RunProbe("debug");
    EXPECT_EQ(run.status, 0);
    const std::string log = ReadFile(TempDir() + "/ErrorLog.txt");
    EXPECT_NE(log.find("-End On Line\r\n0\r\n4\r\n5\r\n2\r\n"), std::string::npos) << log;
}

TEST(Engine, PacesFramesToTheFrameRate) {
    // 60 frames at 100 per second take about 600 ms; the lower bound is firm, the upper one loose.
    const ProbeRun run = RunProbe("pace 100");
    EXPECT_EQ(run.status, 0);
    double elapsed = 0, mean = 0;
    ASSERT_EQ(std::sscanf(run.out.c_str() + run.out.find("elapsed"), "elapsed %lf mean %lf", &elapsed, &mean), 2)
        << run.out;
    EXPECT_GT(elapsed, 580);
    EXPECT_LT(elapsed, 3000);
    EXPECT_GT(mean, 9.5);
    EXPECT_LT(mean, 50);

    // Unpaced, the same frames take far less than the schedule.
    const ProbeRun fast = RunProbe("pace 10", "TARVOK_UNPACED=1");
    ASSERT_EQ(std::sscanf(fast.out.c_str() + fast.out.find("elapsed"), "elapsed %lf", &elapsed), 1) << fast.out;
    EXPECT_LT(elapsed, 5900);
}

TEST(Engine, FullScreenSwitchesAndRestores) {
    const ProbeRun run = RunProbe("fullscreen");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("full 1 1 1\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("windowed 0 640 480\n"), std::string::npos) << run.out;
    // A size the display cannot give stays windowed, with its log line.
    EXPECT_NE(run.out.find("odd 0\n"), std::string::npos) << run.out;
    EXPECT_NE(ReadFile(TempDir() + "/ErrorLog.txt").find("No Fullscreen Mode available\r\n"), std::string::npos);
}

TEST(Engine, AbsurdNumbersNeitherCrashNorHang) {
    const ProbeRun run = RunProbe("bad");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("period 2\nperiod 2\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("client 1 1\n"), std::string::npos) << run.out;
    EXPECT_NE(ReadFile(TempDir() + "/ErrorLog.txt").find("Screen size -5 out of range, keeping 640\r\n"),
              std::string::npos);
}

TEST(Engine, BadKeyScriptStopsTheStartWithAMessage) {
    const ProbeRun run = RunProbe("colours", "", "3 sideways 1\n");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.out.find("line 1 of the key script"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("Init OK"), std::string::npos);
}

TEST(Engine, TextInTheSceneUsesTheCurrentFont) {
    // No "smalfont.bmp" beside the probe: font 0 is the built-in one, 8 x 8 cells of white glyphs.
    const std::string shots = TempDir() + "/print3d";
    ASSERT_EQ(system(("mkdir -p " + shots).c_str()), 0);
    const ProbeRun run = RunProbe("print3d", "TARVOK_FRAMES=3 TARVOK_SHOTS=3 TARVOK_SHOTDIR=" + shots);
    EXPECT_EQ(run.status, 0);
    // "HI" is 16 x 8 pixels centred on the screen's middle, standing on it: x 312..327, y 232..239.
    const std::string command = "convert " + shots + "/frame-000003.png -crop 16x8+312+232 -format "
                                "'%[fx:maxima.r*255] ' info: && convert " + shots + "/frame-000003.png -crop "
                                "200x100+0+0 -format '%[fx:maxima.r*255]' info:";
    EXPECT_EQ(testsupport::RunCommand(command).out, "255 0");  // white glyphs at the point, nothing far away
}
