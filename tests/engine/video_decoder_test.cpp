// The video decoder over files made by the ffmpeg command, and the pure rules of playback and text entry.
#include "engine/video_decoder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "engine/media.h"
#include "tests/engine/video_fixtures.h"

namespace {

using tarvok::VideoDecoder;

struct Rgb {
    int r, g, b;
};

// The expected colour of a picture at a time of the test video: red, green, blue for a second each.
Rgb ColourAt(double ms) {
    if (ms < 1000) return {255, 0, 0};
    if (ms < 2000) return {0, 255, 0};
    return {0, 0, 255};
}

void ExpectColour(const std::vector<std::uint8_t>& rgba, std::size_t at, Rgb want, const std::string& where) {
    // The codec's colour conversion is lossy: a few levels either way.
    EXPECT_NEAR(rgba[at], want.r, 12) << where;
    EXPECT_NEAR(rgba[at + 1], want.g, 12) << where;
    EXPECT_NEAR(rgba[at + 2], want.b, 12) << where;
    EXPECT_EQ(rgba[at + 3], 255) << where;
}

std::vector<char> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const std::vector<char>& bytes) {
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Decodes to the end (at most `limit` pictures); the number of pictures.
int CountPictures(VideoDecoder& decoder, int limit = 1000) {
    std::vector<std::uint8_t> pixels;
    std::vector<std::int16_t> sound;
    double ms = 0;
    int n = 0;
    while (n < limit && decoder.NextPicture(pixels, ms, sound)) ++n;
    return n;
}

}  // namespace

TEST(VideoDecoder, GivesEachPictureScaledAtItsTimeWithTheSound) {
    const std::string path = mediatest::TempPath("colours.avi");
    ASSERT_TRUE(mediatest::MakeColourVideo(path));
    VideoDecoder decoder;
    ASSERT_TRUE(decoder.Open(path, 22050, 2));
    EXPECT_EQ(decoder.Width(), 160);
    EXPECT_EQ(decoder.Height(), 120);
    EXPECT_FALSE(decoder.SetOutputSize(0, 240));
    EXPECT_FALSE(decoder.SetOutputSize(320, tarvok::kMaxVideoSide + 1));
    ASSERT_TRUE(decoder.SetOutputSize(320, 240));

    std::vector<std::uint8_t> pixels;
    std::vector<std::int16_t> sound;
    double ms = -1;
    int n = 0;
    for (; n < 100 && decoder.NextPicture(pixels, ms, sound); ++n) {
        const std::string where = "picture " + std::to_string(n);
        ASSERT_EQ(pixels.size(), 320u * 240u * 4u) << where;
        EXPECT_NEAR(ms, n * 100.0, 1.0) << where;
        for (const std::size_t at : {std::size_t{0}, std::size_t{(120 * 320 + 160) * 4}, pixels.size() - 4})
            ExpectColour(pixels, at, ColourAt(ms), where);
    }
    EXPECT_EQ(n, 30);
    EXPECT_NEAR(decoder.EndMs(), 3000.0, 1.0);

    // Three seconds of a 441 Hz sine at 1/8 of full scale (4096), as 16-bit stereo at 22050 Hz.
    EXPECT_NEAR(static_cast<double>(sound.size()), 3 * 22050 * 2, 3 * 22050 * 2 * 0.03);
    int peak = 0, crossings = 0;
    for (std::size_t i = 0; i + 2 < sound.size(); i += 2) {
        peak = std::max(peak, std::abs(static_cast<int>(sound[i])));
        if ((sound[i] < 0) != (sound[i + 2] < 0)) ++crossings;
        EXPECT_EQ(sound[i], sound[i + 1]) << "a mono tone is the same on both sides";
        if (sound[i] != sound[i + 1]) break;
    }
    // Mono reaches both sides at full level, as a mono sound effect does.
    EXPECT_NEAR(peak, 4096, 4096 * 0.02);
    EXPECT_NEAR(crossings, 441 * 3 * 2, 441 * 3 * 2 * 0.03);

    // Rewinding starts again with the first, red, picture at time 0.
    ASSERT_TRUE(decoder.Rewind());
    ASSERT_TRUE(decoder.NextPicture(pixels, ms, sound));
    EXPECT_EQ(ms, 0.0);
    ExpectColour(pixels, 0, ColourAt(0), "after rewind");
    EXPECT_EQ(CountPictures(decoder), 29);

    // Mono sound at another rate; no sound at all when none is asked for.
    VideoDecoder mono;
    ASSERT_TRUE(mono.Open(path, 11025, 1));
    std::vector<std::int16_t> monoSound;
    while (mono.NextPicture(pixels, ms, monoSound)) {
    }
    EXPECT_NEAR(static_cast<double>(monoSound.size()), 3 * 11025, 3 * 11025 * 0.03);
    VideoDecoder silent;
    ASSERT_TRUE(silent.Open(path, 0, 0));
    std::vector<std::int16_t> none;
    while (silent.NextPicture(pixels, ms, none)) {
    }
    EXPECT_TRUE(none.empty());
}

TEST(VideoDecoder, RefusesWhatIsNotAVideo) {
    VideoDecoder decoder;
    EXPECT_FALSE(decoder.Open(mediatest::TempPath("missing.avi"), 22050, 2));
    EXPECT_EQ(CountPictures(decoder), 0);
    EXPECT_FALSE(decoder.Rewind());

    const std::string empty = mediatest::TempPath("empty.avi");
    WriteAll(empty, {});
    EXPECT_FALSE(decoder.Open(empty, 22050, 2));

    std::mt19937 random(7);
    std::vector<char> noise(64 * 1024);
    for (char& c : noise) c = static_cast<char>(random());
    const std::string garbage = mediatest::TempPath("garbage.avi");
    WriteAll(garbage, noise);
    EXPECT_FALSE(decoder.Open(garbage, 22050, 2));

    // Sound alone is not a video.
    const std::string wav = mediatest::TempPath("tone.wav");
    ASSERT_EQ(std::system(("ffmpeg -v error -y -f lavfi -i sine=duration=1 '" + wav + "'").c_str()), 0);
    EXPECT_FALSE(decoder.Open(wav, 22050, 2));

    // A directory is not a video either.
    EXPECT_FALSE(decoder.Open(std::getenv("TMPDIR"), 22050, 2));
}

TEST(VideoDecoder, DamagedVideosEndWithoutHarm) {
    const std::string good = mediatest::TempPath("good.avi");
    ASSERT_TRUE(mediatest::MakeColourVideo(good));
    const std::vector<char> bytes = ReadAll(good);
    ASSERT_GT(bytes.size(), 10000u);

    // Cut off after 40 %: the pictures before the cut come out, then the end.
    const std::string cut = mediatest::TempPath("cut.avi");
    WriteAll(cut, std::vector<char>(bytes.begin(),
                                    bytes.begin() + static_cast<std::ptrdiff_t>(bytes.size() * 4 / 10)));
    VideoDecoder truncated;
    if (truncated.Open(cut, 22050, 2)) {
        const int n = CountPictures(truncated);
        EXPECT_GT(n, 0);
        EXPECT_LT(n, 30);
    }

    // Noise over the middle third: decoding goes on or stops, but always ends.
    std::vector<char> damaged = bytes;
    std::mt19937 random(11);
    for (std::size_t i = bytes.size() / 3; i < bytes.size() * 2 / 3; ++i)
        damaged[i] = static_cast<char>(random());
    const std::string noisy = mediatest::TempPath("noisy.avi");
    WriteAll(noisy, damaged);
    VideoDecoder decoder;
    if (decoder.Open(noisy, 22050, 2)) {
        EXPECT_LT(CountPictures(decoder), 1000);
    }

    // A name with a colon is a file name, not a protocol.
    const std::string colon = mediatest::TempPath("http:clip.avi");
    WriteAll(colon, bytes);
    VideoDecoder named;
    ASSERT_TRUE(named.Open(colon, 0, 0));
    EXPECT_EQ(CountPictures(named), 30);
}

TEST(VideoPlacement, ScalesByTheSmallerRatioAndCentres) {
    using tarvok::FitVideo;
    auto expect = [](tarvok::VideoPlacement p, int x, int y, int w, int h) {
        EXPECT_EQ(p.x, x);
        EXPECT_EQ(p.y, y);
        EXPECT_EQ(p.width, w);
        EXPECT_EQ(p.height, h);
    };
    expect(FitVideo(320, 240, 640, 480), 0, 0, 640, 480);
    expect(FitVideo(320, 240, 800, 480), 80, 0, 640, 480);
    expect(FitVideo(320, 240, 640, 600), 0, 60, 640, 480);
    // 100 x 30 in 640 x 480: scale 6.4, height 192, top (480 - 192) / 2.
    expect(FitVideo(100, 30, 640, 480), 0, 144, 640, 192);
    // Scaled down with a truncated height; an odd room left is halved by integer division.
    expect(FitVideo(1000, 500, 641, 480), 0, 80, 641, 320);
    expect(FitVideo(300, 200, 641, 200), 170, 0, 300, 200);
    // A side that would vanish keeps one pixel.
    expect(FitVideo(1, 10000, 640, 480), 319, 0, 1, 480);
    // Nothing to fit: all zero.
    expect(FitVideo(0, 240, 640, 480), 0, 0, 0, 0);
    expect(FitVideo(320, 240, 0, 480), 0, 0, 0, 0);
}

TEST(TextEntry, EditsTheLineByTypedCharacters) {
    RtString text = "AB";
    EXPECT_FALSE(tarvok::EditLine(text, 8));
    EXPECT_STREQ(text.CText(), "A");
    EXPECT_FALSE(tarvok::EditLine(text, 8));
    EXPECT_FALSE(tarvok::EditLine(text, 8));  // backspace on an empty line does nothing
    EXPECT_STREQ(text.CText(), "");
    EXPECT_EQ(text.Length(), 0u);
    for (int c : {int{'1'}, int{'2'}, int{'.'}, int{'5'}, 200}) EXPECT_FALSE(tarvok::EditLine(text, c));
    EXPECT_TRUE(tarvok::EditLine(text, 10));  // Enter ends; the line feed is not part of the text
    EXPECT_EQ(text.Length(), 5u);
    EXPECT_EQ(std::string(text.CText()), std::string("12.5") + static_cast<char>(200));
}
