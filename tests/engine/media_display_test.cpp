// Video playback and text entry in a real window: the media probe runs as its own process with a key
// script; the pictures it presents are read back from its shots with ImageMagick.
#include <gtest/gtest.h>

#include "tests/support/run_command.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/engine/video_fixtures.h"

namespace {

using mediatest::TempPath;

using ProbeRun = testsupport::CommandResult;

// Runs the probe with a key script and shots of the listed frames into TMPDIR/shots.
ProbeRun RunProbe(const std::string& args, const std::string& keys = "", const std::string& shots = "",
                  const std::string& env = "",
                  const std::string& program = TARVOK_TEST_BINARY_DIR "/tests/engine/media_probe") {
    const std::string keyFile = TempPath("keys.txt");
    std::ofstream(keyFile) << "# keys\n" << keys;
    std::system(("rm -rf '" + TempPath("shots") + "' && mkdir -p '" + TempPath("shots") + "'").c_str());
    std::string command =
        "env TARVOK_NONINTERACTIVE=1 TARVOK_KEYS=" + keyFile + " TARVOK_SHOTDIR=" + TempPath("shots");
    if (!shots.empty()) command += " TARVOK_SHOTS=" + shots;
    command += " " + env + " '" + program + "' " + args + " 2>&1";
    return testsupport::RunCommand(command);
}

struct Rgb {
    int r = -1, g = -1, b = -1;
};

// One pixel of a shot, read by ImageMagick; -1s when the shot does not exist.
Rgb Pixel(int frame, int x, int y) {
    char name[32];
    std::snprintf(name, sizeof name, "/frame-%06d.png", frame);
    const std::string command =
        "convert '" + TempPath("shots") + name + "' -crop 1x1+" + std::to_string(x) + "+" +
        std::to_string(y) +
        " -depth 8 -format '%[fx:int(255*r)] %[fx:int(255*g)] %[fx:int(255*b)]' info: 2>/dev/null";
    Rgb p;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        if (std::fscanf(pipe, "%d %d %d", &p.r, &p.g, &p.b) != 3) p = Rgb{};
        pclose(pipe);
    }
    return p;
}

// The video's colours come through a lossy codec: a few levels either way.
::testing::AssertionResult Near(Rgb got, Rgb want) {
    if (std::abs(got.r - want.r) <= 12 && std::abs(got.g - want.g) <= 12 && std::abs(got.b - want.b) <= 12)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got " << got.r << "," << got.g << "," << got.b << " want "
                                         << want.r << "," << want.g << "," << want.b;
}

const Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kBlack{0, 0, 0}, kWhite{255, 255, 255};

// The numbers after the word on the probe's line of output ("video RESULT ELAPSED", "loop ELAPSED").
std::vector<double> Numbers(const ProbeRun& run, const std::string& word) {
    std::vector<double> numbers;
    const std::size_t at = run.out.find(word + " ");
    if (at == std::string::npos) return numbers;
    const std::size_t end = run.out.find('\n', at);
    char* p = const_cast<char*>(run.out.c_str()) + at + word.size();
    const char* stop = run.out.c_str() + (end == std::string::npos ? run.out.size() : end);
    while (p < stop) {
        char* next = nullptr;
        const double v = std::strtod(p, &next);
        if (next == p) break;
        numbers.push_back(v);
        p = next;
    }
    return numbers;
}

class Video : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(mediatest::MakeColourVideo(Path())); }
    static std::string Path() { return TempPath("colours.avi"); }
};

}  // namespace

TEST_F(Video, ShowsEachColourAtItsTimeOverTheWholeWindow) {
    // Frame 1 is the probe's ShowScreen; the video's pictures (10 a second) are frames 2 to 31.
    const ProbeRun run = RunProbe("video " + Path() + " 0", "", "7,17,27,32");
    EXPECT_EQ(run.status, 0) << run.out;
    const std::vector<double> line = Numbers(run, "video");
    ASSERT_EQ(line.size(), 2u) << run.out;
    EXPECT_EQ(line[0], 0) << run.out;
    EXPECT_GT(line[1], 2900) << run.out;  // the last picture keeps its tenth of a second
    EXPECT_LT(line[1], 8000) << run.out;
    EXPECT_NE(run.out.find("after\n"), std::string::npos);
    // 160 x 120 scaled by 4 fills 640 x 480.
    for (const auto& [frame, colour] : {std::pair{7, kRed}, std::pair{17, kGreen}, std::pair{27, kBlue}}) {
        for (const auto& [x, y] : {std::pair{0, 0}, std::pair{320, 240}, std::pair{639, 479}})
            EXPECT_TRUE(Near(Pixel(frame, x, y), colour)) << "frame " << frame << " at " << x << "," << y;
    }
    // The game's next frame starts cleared.
    EXPECT_TRUE(Near(Pixel(32, 320, 240), kBlack));
}

TEST_F(Video, FrameLimitEndsThePlayback) {
    const ProbeRun run = RunProbe("video " + Path() + " 0", "", "", "TARVOK_FRAMES=5");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_EQ(run.out.find("video "), std::string::npos) << run.out;  // ended inside the video
}

TEST_F(Video, IsCentredInAWiderWindow) {
    // SetScreen shows 5 frames, the probe one more: the pictures start at frame 7. 160 x 120 in 800 x 480
    // is scaled by 4 to 640 x 480 at (80, 0).
    const ProbeRun run = RunProbe("video " + Path() + " 0 800 480", "20 down 57\n", "12");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_TRUE(Near(Pixel(12, 79, 240), kBlack));
    EXPECT_TRUE(Near(Pixel(12, 80, 240), kRed));
    EXPECT_TRUE(Near(Pixel(12, 719, 0), kRed));
    EXPECT_TRUE(Near(Pixel(12, 720, 479), kBlack));
}

TEST_F(Video, AKeyEndsItButAKeyHeldAtTheStartDoesNot) {
    // Space goes down at picture 10 (1 s in): playback ends there.
    const ProbeRun pressed = RunProbe("video " + Path() + " 0", "12 down 57\n");
    EXPECT_EQ(pressed.status, 0) << pressed.out;
    std::vector<double> line = Numbers(pressed, "video");
    ASSERT_EQ(line.size(), 2u) << pressed.out;
    EXPECT_GT(line[1], 950) << pressed.out;
    EXPECT_LT(line[1], 4000) << pressed.out;

    // Space held from frame 1: the video waits for its release (frame 4 of the waiting passes), plays
    // from frame 5 and ends when Space goes down again at picture 15.
    const ProbeRun held = RunProbe("video " + Path() + " 0", "1 down 57\n4 up 57\n20 down 57\n", "10");
    EXPECT_EQ(held.status, 0) << held.out;
    line = Numbers(held, "video");
    ASSERT_EQ(line.size(), 2u) << held.out;
    EXPECT_GT(line[1], 1450) << held.out;
    EXPECT_LT(line[1], 5000) << held.out;
    EXPECT_TRUE(Near(Pixel(10, 320, 240), kRed));
}

TEST_F(Video, LoopingStartsAgainUntilAKey) {
    // Pass 1 is frames 2 to 31, pass 2 frames 32 to 61; Space at frame 50 (picture 18 of pass 2).
    const ProbeRun run = RunProbe("loop " + Path(), "50 down 57\n", "37,47");
    EXPECT_EQ(run.status, 0) << run.out;
    const std::vector<double> line = Numbers(run, "loop");
    ASSERT_EQ(line.size(), 1u) << run.out;
    EXPECT_GT(line[0], 4700) << run.out;
    EXPECT_LT(line[0], 12000) << run.out;
    EXPECT_TRUE(Near(Pixel(37, 320, 240), kRed));
    EXPECT_TRUE(Near(Pixel(47, 320, 240), kGreen));
}

TEST_F(Video, AMouseButtonEndsIt) {
    // The probe loops the video; half a second after it starts, xdotool presses the left button in the
    // window, and releases it once the probe has reported the end (or after 10 s).
    const std::string out = TempPath("mouse.txt"), keys = TempPath("none.txt");
    std::ofstream(keys) << "# none\n";
    const std::string script =
        "env TARVOK_NONINTERACTIVE=1 TARVOK_KEYS='" + keys +
        "' " TARVOK_TEST_BINARY_DIR "/tests/engine/media_probe loop '" + Path() + "' > '" + out +
        "' 2>&1 & pid=$!; " + "for i in $(seq 100); do grep -q looping '" + out +
        "' && break; sleep 0.1; done; sleep 0.5; xdotool mousemove 320 240 mousedown 1; " +
        "for i in $(seq 100); do grep -q 'loop ' '" + out +
        "' && break; sleep 0.1; done; xdotool mouseup 1; " + "kill $pid 2>/dev/null; wait $pid";
    const std::string scriptFile = TempPath("mouse.sh");
    std::ofstream(scriptFile) << script << "\n";
    // On an X server of its own: a window of another test must not take the click.
    std::system(("sh " TARVOK_SOURCE_DIR "/tests/support/private-display.sh bash '" + scriptFile + "'").c_str());
    std::ifstream in(out);
    ProbeRun run;
    run.out.assign(std::istreambuf_iterator<char>(in), {});
    const std::vector<double> line = Numbers(run, "loop");
    ASSERT_EQ(line.size(), 1u) << run.out;
    EXPECT_GT(line[0], 400) << run.out;
    EXPECT_LT(line[0], 5000) << run.out;
}

TEST_F(Video, IsFoundInTheArchiveBehindTheProgram) {
    // The game as one file: the probe with the video packed behind it under a name no plain file has.
    const std::string folder = TempPath("pack");
    ASSERT_EQ(
        std::system(("mkdir -p '" + folder + "' && cp '" + Path() + "' '" + folder + "/Packed.AVI'").c_str()),
        0);
    const std::string game = TempPath("game");
    ASSERT_EQ(std::system((std::string("'" TARVOK_PACK_TOOL "' -q --program '") + TARVOK_TEST_BINARY_DIR +
                           "/tests/engine/media_probe' '" + game + "' '" + folder + "'")
                              .c_str()),
              0);
    ASSERT_EQ(std::system(("rm -r '" + folder + "'").c_str()), 0);
    const ProbeRun run = RunProbe("video media/packed.avi 0", "5 down 57\n", "3", "", game);
    EXPECT_EQ(Numbers(run, "video").at(0), 0) << run.out;
    EXPECT_TRUE(Near(Pixel(3, 320, 240), kRed));
}

TEST_F(Video, MissingOrDamagedFilesDoNotStopTheGame) {
    const ProbeRun missing = RunProbe("video " + TempPath("none.avi") + " 0");
    EXPECT_EQ(missing.status, 0);
    EXPECT_EQ(Numbers(missing, "video").at(0), 3) << missing.out;
    EXPECT_NE(missing.out.find("after\n"), std::string::npos);

    const std::string garbage = TempPath("garbage.avi");
    std::ofstream(garbage, std::ios::binary) << std::string(5000, '\x7f') << "RIFF....AVI LIST";
    const ProbeRun bad = RunProbe("video " + garbage + " 1");
    EXPECT_EQ(bad.status, 0);
    EXPECT_EQ(Numbers(bad, "video").at(0), 3) << bad.out;
    EXPECT_NE(bad.out.find("after\n"), std::string::npos);

    // The first third of the file: what is there plays, looping, until a key.
    std::ifstream in(Path(), std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    std::ofstream(TempPath("cut.avi"), std::ios::binary) << bytes.substr(0, bytes.size() / 3);
    const ProbeRun cut = RunProbe("video " + TempPath("cut.avi") + " 1", "40 down 28\n");
    EXPECT_EQ(cut.status, 0);
    EXPECT_EQ(Numbers(cut, "video").at(0), 0) << cut.out;
    EXPECT_NE(cut.out.find("after\n"), std::string::npos);
}

namespace {

// Key script lines that type each scan code in turn, one event a frame from `frame` on; then Enter.
std::string Typing(int frame, std::initializer_list<int> codes) {
    std::string keys;
    for (int code : codes) {
        keys += std::to_string(frame++) + " down " + std::to_string(code) + "\n";
        keys += std::to_string(frame++) + " up " + std::to_string(code) + "\n";
    }
    return keys + std::to_string(frame) + " down 28\n";
}

constexpr int kBackspace = 14, kEscape = 1, kC = 46, kE = 18, kX = 45,
              kMinus = 12, kOne = 2, kTwo = 3, kThree = 4, kFive = 6, kPoint = 52;

}  // namespace

TEST(TextEntry, EditsALineOverTheFrozenScreenWithABlinkingCursor) {
    // Frame 1 is the probe's own; entry passes from frame 2. Backspace at 3, "c" at 5, "d" at 7, then
    // nothing is typed until Enter at 31: the cursor appears after the 21st pass without a character
    // (frame 25), so the picture of frame 26 shows it and that of frame 25 does not.
    std::string keys = "3 down 14\n4 up 14\n5 down 46\n6 up 46\n7 down 32\n8 up 32\n31 down 28\n";
    const ProbeRun run = RunProbe("text AB 100 200 1", keys, "8,25,26,32");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(run.out.find("text [Acd] 3 layer 0\n"), std::string::npos) << run.out;
    // The screen drawn before the entry stays behind the text: blue, a red square at (300, 300).
    for (int frame : {8, 26}) {
        EXPECT_TRUE(Near(Pixel(frame, 10, 10), kBlue)) << frame;
        EXPECT_TRUE(Near(Pixel(frame, 320, 320), kRed)) << frame;
        EXPECT_TRUE(Near(Pixel(frame, 100, 200), kBlue)) << frame;  // an unlit corner of the "A" cell
    }
    // The built-in font's 8 x 8 cells from (100, 200): the top bar of "A" (x 2..4, y 1 of its cell) and
    // the bar of "_" (x 2..4, y 5) in the fourth cell.
    EXPECT_TRUE(Near(Pixel(8, 103, 201), kWhite));
    EXPECT_TRUE(Near(Pixel(8, 127, 205), kBlue));
    EXPECT_TRUE(Near(Pixel(25, 127, 205), kBlue));
    EXPECT_TRUE(Near(Pixel(26, 127, 205), kWhite));
    // After Enter the game's frames show nothing of the entry.
    EXPECT_TRUE(Near(Pixel(32, 103, 201), kBlack));
}

TEST(TextEntry, ShiftCapitalsRepeatsAndEscape) {
    // A held key types once; typed again after a release it types again; Shift makes capitals.
    const std::string keys =
        "3 down 42\n4 down 30\n6 up 30\n7 up 42\n8 down 30\n9 up 30\n10 down 30\n11 up 30\n12 down 28\n";
    ProbeRun run = RunProbe("text x 0 0 1", keys);
    EXPECT_NE(run.out.find("text [xAaa] 4 layer 0\n"), std::string::npos) << run.out;

    // Esc ends the program while it may; otherwise it types nothing.
    run = RunProbe("text x 0 0 1", "5 down 1\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.find("text ["), std::string::npos) << run.out;
    run = RunProbe("text x 0 0 0", Typing(5, {kEscape, kBackspace, kBackspace, kC}));
    EXPECT_NE(run.out.find("text [c] 1 layer 0\n"), std::string::npos) << run.out;
}

TEST(TextEntry, NumbersFollowTheTextToNumberRule) {
    ProbeRun run = RunProbe("number 10 10", Typing(2, {kOne, kTwo, kPoint, kFive}));
    EXPECT_NE(run.out.find("number 12.5\n"), std::string::npos) << run.out;
    run = RunProbe("number 10 10", Typing(2, {kMinus, kThree, kE, kTwo, kX, kOne}));
    EXPECT_NE(run.out.find("number -300\n"), std::string::npos) << run.out;
}

TEST(TextEntry, HasNoLengthLimit) {
    // 700 characters, beyond the string's first 512-byte buffer; the run is unpaced to be quick.
    std::string keys;
    for (int i = 0; i < 700; ++i)
        keys += std::to_string(2 + 2 * i) + " down 30\n" + std::to_string(3 + 2 * i) + " up 30\n";
    keys += "1402 down 28\n";
    const ProbeRun run = RunProbe("text _ 0 0 1", keys, "", "TARVOK_UNPACED=1");
    EXPECT_NE(run.out.find("text [_" + std::string(700, 'a') + "] 701 layer 0\n"), std::string::npos)
        << run.out.substr(0, 200);
}

namespace {

// Amplitude of the frequency in a block of samples (Goertzel), in sample units.
double ToneAmplitude(const std::vector<double>& block, double hz, double rate) {
    const double w = 2 * M_PI * hz / rate, c = 2 * std::cos(w);
    double s1 = 0, s2 = 0;
    for (double x : block) {
        const double s0 = x + c * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    const double power = s1 * s1 + s2 * s2 - c * s1 * s2;
    return 2 * std::sqrt(std::max(power, 0.0)) / static_cast<double>(block.size());
}

}  // namespace

TEST_F(Video, ItsSoundPlaysBesideLoopingMusic) {
    // Music of 0.6 s at 2000 Hz restarts while the 3 s video with its 441 Hz tone plays; SDL's disk
    // driver records the mix (16-bit stereo at 22050 Hz).
    const std::string music = TempPath("music.wav"), mix = TempPath("mix.raw");
    ASSERT_EQ(
        std::system(("ffmpeg -v error -y -f lavfi -i sine=frequency=2000:sample_rate=22050:duration=0.6 '" +
                     music + "'")
                        .c_str()),
        0);
    const ProbeRun run =
        RunProbe("music " + music + " " + Path(), "", "", "SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=" + mix);
    EXPECT_NE(run.out.find("played\n"), std::string::npos) << run.out;

    std::ifstream in(mix, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    constexpr double kRate = 22050;
    constexpr std::size_t kBlock = 2205;  // a tenth of a second
    int videoBlocks = 0, withMusic = 0;
    for (std::size_t at = 0; at + kBlock * 4 <= bytes.size(); at += kBlock * 4) {
        std::vector<double> left(kBlock);
        for (std::size_t i = 0; i < kBlock; ++i) {
            const auto* p = reinterpret_cast<const unsigned char*>(bytes.data() + at + 4 * i);
            left[i] = static_cast<std::int16_t>(p[0] | (p[1] << 8));
        }
        // Both tones are 4096 at full scale (the video's mono tone perhaps -3 dB in stereo).
        if (ToneAmplitude(left, 441, kRate) < 1500) continue;
        ++videoBlocks;
        if (ToneAmplitude(left, 2000, kRate) > 1000) ++withMusic;
    }
    EXPECT_GE(videoBlocks, 24);
    EXPECT_LE(videoBlocks, 33);
    // Music that stopped after its 0.6 s would sound in at most 7 of these blocks; each restart may leave
    // a short gap.
    EXPECT_GE(withMusic, videoBlocks - 6) << "music stopped while the video played";
}
