// The engine run as a separate probe game under a display: frames, ends, video playback, text entry.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "tests/engine/engine_fixtures.h"

namespace {

using namespace enginetest;

bool Has(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

std::string Log() { return ReadFile(TempPath("ErrorLog.txt")); }

}  // namespace

TEST(Engine, ShowsFramesAndEndsAtTheFrameLimitOrInDebugMode) {
    std::ofstream(TempPath("ErrorLog.txt")) << "left over from an earlier run\r\n";
    const CommandResult run = Probe("count 1", "", "TARVOK_FRAMES=8 TARVOK_SHOTS=3,7-9");
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(Has(run.out, "Init OK\nframe 1\nframe 2\nframe 3\nframe 4\nframe 5\nframe 6\nframe 7\n") &&
                !Has(run.out, "frame 8"))
        << run.out;
    // Shots of what was cleared, over the whole window, in the caller's relative folder; 8 is the last.
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
    CommandResult run = Probe("count 0", "3 down 1\n6 down 56\n8 down 62\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(Has(run.out, "frame 7\n") && !Has(run.out, "frame 8\n")) << run.out;
    run = Probe("count 1", "5 down 129\n");  // the extended Esc code ends too
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(Has(run.out, "frame 4\n") && !Has(run.out, "frame 5\n")) << run.out;
    // A malformed key script stops the start with a message naming its line.
    run = Probe("count 1", "# keys\n3 sideways 1\n");
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
    run = Probe("pace 10", "", "TARVOK_UNPACED=1");
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
    // Built-in font (no smalfont.bmp here): "HI" is 16 x 8 white pixels standing on the middle, centred.
    EXPECT_EQ(Probe("print3d", "", "TARVOK_FRAMES=3 TARVOK_SHOTS=3").status, 0);
    const std::string shot = "convert \"$TMPDIR/shots/frame-000003.png\" -crop ";
    EXPECT_EQ(testsupport::RunCommand(shot + "16x8+312+232 -format '%[fx:maxima.r*255] ' info: && " + shot +
                                      "200x100+0+0 -format '%[fx:maxima.r*255]' info:")
                  .out,
              "255 0");  // white glyphs at the point, nothing far away
}

namespace {

// The probe printed "video 0 MS" or "loop MS" with MS between low and high.
void ExpectEnded(const std::string& out, const std::string& word, double low, double high) {
    double result = 0, ms = -1;
    const std::size_t at = out.find(word + " ");
    const char* line = at == std::string::npos ? "" : out.c_str() + at + word.size();
    std::sscanf(line, word == "video" ? "%lf %lf" : "%lf", word == "video" ? &result : &ms, &ms);
    EXPECT_TRUE(result == 0 && ms > low && ms < high) << out;
}

// Pixels of the shots; the video's colours come through a lossy codec, so a few levels either way.
void ExpectPixels(std::initializer_list<std::tuple<int, int, int, Rgb>> spots) {
    for (const auto& [frame, x, y, colour] : spots) {
        const Rgb got = Pixel(frame, x, y);
        for (int i = 0; i < 3; ++i) EXPECT_NEAR(got[i], colour[i], 12) << frame << " " << x << "," << y;
    }
}

constexpr Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kBlack{0, 0, 0}, kWhite{255, 255, 255};

class Video : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(MakeColourVideo(TempPath("colours.avi"))); }
    const std::string path_ = TempPath("colours.avi");
};

}  // namespace

TEST_F(Video, ShowsEachColourAtItsTimeOverTheWholeWindowUntilTheFrameLimit) {
    // Pictures (10 a second) are frames 2 to 31, the last kept a tenth; 160 x 120 scaled by 4 fills all.
    CommandResult run = Probe("video " + path_ + " 0", "", "TARVOK_SHOTS=7,17,27,32");
    EXPECT_EQ(run.status, 0) << run.out;
    ExpectEnded(run.out, "video", 2900, 8000);
    for (const auto& [frame, colour] : {std::pair{7, kRed}, std::pair{17, kGreen}, std::pair{27, kBlue}}) {
        ExpectPixels({{frame, 0, 0, colour}, {frame, 320, 240, colour}, {frame, 639, 479, colour}});
    }
    ExpectPixels({{32, 320, 240, kBlack}});  // the game's next frame starts cleared

    run = Probe("video " + path_ + " 0", "", "TARVOK_FRAMES=5");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(run.out.find("video "), std::string::npos) << run.out;  // ended inside the video
}

TEST_F(Video, WaitsForAHeldKeyIsCentredAndEndsOnAKey) {
    // SetScreen shows frames 1-5, the probe 6; Space held from 1 is waited for (7-9), pictures start at 10
    // and Space at picture 14 ends them. 160 x 120 in 800 x 480 is scaled by 4 to 640 x 480 at (80, 0).
    const CommandResult run =
        Probe("video " + path_ + " 0 800 480", "1 down 57\n9 up 57\n24 down 57\n", "TARVOK_SHOTS=12");
    EXPECT_EQ(run.status, 0) << run.out;
    ExpectEnded(run.out, "video", 1350, 5000);
    ExpectPixels({{12, 79, 240, kBlack}, {12, 80, 240, kRed}, {12, 719, 0, kRed}, {12, 720, 479, kBlack}});
}

TEST_F(Video, LoopsUntilAKeyOrAMouseButton) {
    // Pass 1 is frames 2 to 31, pass 2 frames 32 to 61; Space at frame 50 (picture 18 of pass 2).
    const CommandResult run = Probe("loop " + path_, "50 down 57\n", "TARVOK_SHOTS=37,47");
    EXPECT_EQ(run.status, 0) << run.out;
    ExpectEnded(run.out, "loop", 4700, 12000);
    ExpectPixels({{37, 320, 240, kRed}, {47, 320, 240, kGreen}});

    // On an X server of its own (no other window takes the click), xdotool presses a button in the loop.
    std::ofstream(TempPath("mouse.sh")) << "'" TARVOK_TEST_BINARY_DIR "/tests/engine/probe_game'"
                                        << R"( loop "$TMPDIR/colours.avi" > mouse.txt &
wait_for() { for i in $(seq 100); do grep -q "$1" mouse.txt && break; sleep 0.1; done; }
wait_for looping; sleep 0.5; xdotool mousemove 320 240 mousedown 1
wait_for 'loop '; xdotool mouseup 1; kill $! 2>/dev/null; wait
)";
    Probe("sh mouse.sh", "", "", TARVOK_SOURCE_DIR "/tests/support/private-display.sh");
    ExpectEnded(ReadFile(TempPath("mouse.txt")), "loop", 400, 5000);
}

TEST_F(Video, IsFoundInTheArchiveAndMissingOrCutFilesDoNotStopTheGame) {
    // The game as one file: the probe with the video packed behind it under a name no plain file has.
    ASSERT_EQ(
        std::system("cd \"$TMPDIR\" && mkdir pack && cp colours.avi pack/Packed.AVI && '" TARVOK_PACK_TOOL
                    "' -q --program '" TARVOK_TEST_BINARY_DIR
                    "/tests/engine/probe_game' game pack && rm -r pack"),
        0);
    const CommandResult run =
        Probe("video media/packed.avi 0", "5 down 57\n", "TARVOK_SHOTS=3", TempPath("game"));
    EXPECT_TRUE(Has(run.out, "video 0 ")) << run.out;
    ExpectPixels({{3, 320, 240, kRed}});

    // A file that does not open gives 3; the first third of a file plays, looping, until a key.
    const std::string bytes = ReadFile(path_);
    std::ofstream(TempPath("cut.avi"), std::ios::binary) << bytes.substr(0, bytes.size() / 3);
    for (const auto& [file, result] : {std::pair{"none.avi", "video 3 "}, std::pair{"cut.avi", "video 0 "}}) {
        const CommandResult run = Probe("video " + TempPath(file) + " 1", "40 down 28\n");
        EXPECT_EQ(run.status, 0);
        EXPECT_TRUE(Has(run.out, result) && Has(run.out, "after\n")) << run.out;
    }
}

namespace {

// A key script typing the scan codes, one event a frame from `frame`, then Enter (at `enter` if given).
std::string Typing(int frame, const std::vector<int>& codes, int enter = 0) {
    std::string keys;
    for (int code : codes) {
        keys += std::to_string(frame++) + " down " + std::to_string(code) + "\n";
        keys += std::to_string(frame++) + " up " + std::to_string(code) + "\n";
    }
    return keys + std::to_string(enter ? enter : frame) + " down 28\n";
}

constexpr int kBackspace = 14, kEscape = 1, kA = 30, kC = 46, kD = 32, kE = 18, kX = 45, kMinus = 12,
              kOne = 2, kTwo = 3, kThree = 4;

}  // namespace

TEST(TextEntry, EditsALineOverTheFrozenScreenWithABlinkingCursor) {
    // Entry passes from frame 2: Backspace at 3, "c" at 5, "d" at 7, Enter at 31. The cursor appears after
    // the 21st pass without a character (frame 25): the picture of frame 26 shows it, that of 25 not.
    const CommandResult run =
        Probe("text AB 100 200 1", Typing(3, {kBackspace, kC, kD}, 31), "TARVOK_SHOTS=8,25,26,32");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("text [Acd] 3 layer 0\n"), std::string::npos) << run.out;
    // The frozen screen (blue, a red square) stays behind 8 x 8 cells from (100, 200): the top bar of "A"
    // (x 2..4, y 1 of its cell), the cursor "_" (y 5) in the fourth cell; after Enter nothing of them.
    for (int frame : {8, 26})
        ExpectPixels({{frame, 10, 10, kBlue}, {frame, 320, 320, kRed}, {frame, 100, 200, kBlue}});
    ExpectPixels({{8, 103, 201, kWhite}, {32, 103, 201, kBlack}});
    ExpectPixels({{8, 127, 205, kBlue}, {25, 127, 205, kBlue}, {26, 127, 205, kWhite}});
}

TEST(TextEntry, ShiftCapitalsRepeatsEscapeNumbersAndNoLengthLimit) {
    // A held key types once; typed again after a release it types again; Shift makes capitals.
    const std::string keys =
        "3 down 42\n4 down 30\n6 up 30\n7 up 42\n8 down 30\n9 up 30\n10 down 30\n11 up 30\n12 down 28\n";
    CommandResult run = Probe("text x 0 0 1", keys);
    EXPECT_NE(run.out.find("text [xAaa] 4 layer 0\n"), std::string::npos) << run.out;
    // Esc ends the program while it may; otherwise it types nothing.
    run = Probe("text x 0 0 1", "5 down 1\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.find("text ["), std::string::npos) << run.out;
    run = Probe("text x 0 0 0", Typing(5, {kEscape, kBackspace, kBackspace, kC}));
    EXPECT_NE(run.out.find("text [c] 1 layer 0\n"), std::string::npos) << run.out;
    // A number entry reads the line by the text-to-number rule.
    run = Probe("number 10 10", Typing(2, {kMinus, kThree, kE, kTwo, kX, kOne}));
    EXPECT_NE(run.out.find("number -300\n"), std::string::npos) << run.out;
    // 700 characters, beyond the string's first 512-byte buffer; the run is unpaced to be quick.
    run = Probe("text _ 0 0 1", Typing(2, std::vector<int>(700, kA)), "TARVOK_UNPACED=1");
    EXPECT_TRUE(Has(run.out, "text [_" + std::string(700, 'a') + "] 701 layer 0\n"))
        << run.out.substr(0, 200);
}

namespace {

// Amplitude of the frequency in a block of samples (Goertzel), in sample units.
double ToneAmplitude(const std::vector<double>& block, double hz, double rate) {
    const double c = 2 * std::cos(2 * M_PI * hz / rate);
    double s1 = 0, s2 = 0;
    for (double x : block) {
        const double s0 = x + c * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    return 2 * std::sqrt(std::max(s1 * s1 + s2 * s2 - c * s1 * s2, 0.0)) / static_cast<double>(block.size());
}

}  // namespace

TEST_F(Video, ItsSoundPlaysBesideLoopingMusic) {
    // Music of 0.6 s at 2000 Hz restarts beside the 441 Hz tone of the 3 s video; the disk driver records.
    const std::string music = TempPath("music.wav"), mix = TempPath("mix.raw");
    ASSERT_EQ(
        std::system(("ffmpeg -v error -y -f lavfi -i sine=frequency=2000:sample_rate=22050:duration=0.6 '" +
                     music + "'")
                        .c_str()),
        0);
    const CommandResult run =
        Probe("music " + music + " " + path_, "", "SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=" + mix);
    EXPECT_NE(run.out.find("played\n"), std::string::npos) << run.out;

    const std::string bytes = ReadFile(mix);
    constexpr std::size_t kBlock = 2205;  // a tenth of a second
    int videoBlocks = 0, withMusic = 0;
    for (std::size_t at = 0; at + kBlock * 4 <= bytes.size(); at += kBlock * 4) {
        std::vector<double> left(kBlock);
        for (std::size_t i = 0; i < kBlock; ++i) {
            const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + at + 4 * i);
            left[i] = static_cast<std::int16_t>(p[0] | (p[1] << 8));
        }
        // Both tones are 4096 at full scale (the video's mono tone perhaps -3 dB in stereo).
        if (ToneAmplitude(left, 441, 22050) < 1500) continue;
        ++videoBlocks;
        if (ToneAmplitude(left, 2000, 22050) > 1000) ++withMusic;
    }
    EXPECT_TRUE(videoBlocks >= 24 && videoBlocks <= 33) << videoBlocks;
    // Music that stopped after 0.6 s would sound in at most 7 blocks; each restart may leave a gap.
    EXPECT_GE(withMusic, videoBlocks - 6) << "music stopped while the video played";
}
