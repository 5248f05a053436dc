// The engine's start, frame loop and end, run as a separate probe game under a display.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/engine/engine_fixtures.h"

namespace {

using namespace enginetest;

CommandResult Probe(const std::string& args, const std::string& env = "", const std::string& keys = "") {
    return RunProbe(TARVOK_TEST_BINARY_DIR "/tests/engine/probe_game", args, env, keys);
}

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string Log() { return ReadFile(TempPath("ErrorLog.txt")); }

}  // namespace

TEST(Engine, ShowsFramesAndEndsAtTheFrameLimitOrInDebugMode) {
    std::ofstream(TempPath("ErrorLog.txt")) << "left over from an earlier run\r\n";
    const CommandResult run = Probe("colours", "TARVOK_FRAMES=8 TARVOK_SHOTS=3,7-9");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "Init OK\n");
    // Each shot is what was cleared before that ShowScreen, over the whole 640 x 480 window, into the
    // caller's relative folder; after frame 8 the program ends.
    for (int frame : {3, 7, 8}) {
        EXPECT_EQ(Pixel(frame, 0, 0), (Rgb{frame * 10, 255 - frame * 10, 128})) << frame;
        EXPECT_EQ(Pixel(frame, 639, 479), (Rgb{frame * 10, 255 - frame * 10, 128})) << frame;
    }
    EXPECT_EQ(Pixel(4, 0, 0), kNoShot);
    EXPECT_EQ(Pixel(9, 0, 0), kNoShot);
    // The old log is gone; the software renderer's warning of this run is kept.
    EXPECT_FALSE(Has(Log(), "left over"));
    EXPECT_TRUE(Has(Log(), "OpenGL Software Emulation\r\n"));

    // The end record of debug mode: error 0, end line (5, copied by EndProgram) - 1, current line 5, file 2.
    EXPECT_EQ(Probe("debug").status, 0);
    EXPECT_TRUE(Has(Log(), "-End On Line\r\n0\r\n4\r\n5\r\n2\r\n")) << Log();
}

TEST(Engine, LeftAltF4EndsEvenWhenEscapeIsNotAllowed) {
    // Esc held from frame 3 does nothing with AllowEscape(0); Alt + F4 ends at ShowScreen 8.
    CommandResult run = Probe("count 0", "", "3 down 1\n6 down 56\n8 down 62\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(Has(run.out, "frame 7\n") && !Has(run.out, "frame 8\n")) << run.out;
    run = Probe("count 1", "", "5 down 129\n");  // the extended Esc code ends too
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(Has(run.out, "frame 4\n") && !Has(run.out, "frame 5\n")) << run.out;
    // A malformed key script stops the start with a message naming its line.
    run = Probe("colours", "", "# keys\n3 sideways 1\n");
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(Has(run.out, "line 2 of the key script") && !Has(run.out, "Init OK")) << run.out;
}

TEST(Engine, PacesFramesToTheFrameRate) {
    // 60 frames at 100 per second take about 600 ms; the lower bound is firm, the upper one loose.
    CommandResult run = Probe("pace 100");
    EXPECT_EQ(run.status, 0);
    double elapsed = 0, mean = 0;
    ASSERT_EQ(std::sscanf(run.out.c_str(), "Init OK elapsed %lf mean %lf", &elapsed, &mean), 2) << run.out;
    EXPECT_TRUE(elapsed > 580 && elapsed < 3000 && mean > 9.5 && mean < 50) << run.out;
    // Unpaced, the same frames take far less than the schedule.
    run = Probe("pace 10", "TARVOK_UNPACED=1");
    ASSERT_EQ(std::sscanf(run.out.c_str(), "Init OK elapsed %lf", &elapsed), 1) << run.out;
    EXPECT_LT(elapsed, 5900);
}

TEST(Engine, FullScreenAndAbsurdNumbers) {
    // A size the display cannot give stays windowed, with its log line.
    CommandResult run = Probe("fullscreen");
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(Has(run.out, "full 1 1 1\nwindowed 0 640 480\nodd 0\n")) << run.out;
    EXPECT_TRUE(Has(Log(), "No Fullscreen Mode available\r\n"));
    // NaN, negative and huge sizes, rates and waits neither crash nor hang.
    run = Probe("bad");
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(Has(run.out, "period 2\nperiod 2\nclient 1 1\n")) << run.out;
    EXPECT_TRUE(Has(Log(), "Screen size -5 out of range, keeping 640\r\n"));
}

TEST(Engine, TextInTheSceneUsesTheCurrentFont) {
    // No "smalfont.bmp" beside the probe: font 0 is the built-in one, 8 x 8 cells of white glyphs. "HI"
    // is 16 x 8 pixels centred on the screen's middle, standing on it: x 312..327, y 232..239.
    EXPECT_EQ(Probe("print3d", "TARVOK_FRAMES=3 TARVOK_SHOTS=3").status, 0);
    const std::string shot = "convert \"$TMPDIR/shots/frame-000003.png\" -crop ";
    EXPECT_EQ(testsupport::RunCommand(shot + "16x8+312+232 -format '%[fx:maxima.r*255] ' info: && " + shot +
                                      "200x100+0+0 -format '%[fx:maxima.r*255]' info:")
                  .out,
              "255 0");  // white glyphs at the point, nothing far away
}
