// Video pictures per second for a 640 x 480 video (MPEG-4 part 2, 25 pictures a second, with sound):
// decoding and conversion to RGBA alone, then with the upload, drawing and buffer swap of playback.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "engine/media.h"
#include "engine/video_decoder.h"
#include "engine/video_screen.h"
#include "frame/display.h"
#include "runtime/engine_globals.h"

namespace {

// A 5 s test pattern with a tone, made once by the ffmpeg command.
const std::string& VideoFile() {
    static const std::string path = [] {
        const char* dir = std::getenv("TMPDIR");
        std::string p = std::string(dir && *dir ? dir : "/tmp") + "/tarvok-bench-640x480.avi";
        std::system(("ffmpeg -v error -y -f lavfi -i testsrc=s=640x480:r=25:d=5 -f lavfi "
                     "-i sine=frequency=440:sample_rate=44100:duration=5 -c:v mpeg4 -q:v 4 -c:a pcm_s16le '" +
                     p + "'")
                        .c_str());
        return p;
    }();
    return path;
}

// The next picture, starting again at the end.
bool Next(tarvok::VideoDecoder& decoder, std::vector<std::uint8_t>& pixels,
          std::vector<std::int16_t>& sound) {
    double ms = 0;
    sound.clear();
    return decoder.NextPicture(pixels, ms, sound) ||
           (decoder.Rewind() && decoder.NextPicture(pixels, ms, sound));
}

void BM_DecodeVideo(benchmark::State& state) {
    tarvok::VideoDecoder decoder;
    if (!decoder.Open(VideoFile(), 22050, 2)) {
        state.SkipWithError("no video");
        return;
    }
    std::vector<std::uint8_t> pixels;
    std::vector<std::int16_t> sound;
    for (auto _ : state) {
        if (!Next(decoder, pixels, sound)) state.SkipWithError("decoding stopped");
    }
    state.counters["pictures/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_DecodeVideo)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DecodeAndDrawVideo(benchmark::State& state) {
    setenv("TARVOK_NONINTERACTIVE", "1", 0);  // no message box about the software renderer
    OpenGLZazuzive display;
    if (!CreateDisplay(display, 640, 480, 0, 60, 0)) {
        state.SkipWithError("no display");
        return;
    }
    g_engine.display = &display;
    tarvok::VideoDecoder decoder;
    if (!decoder.Open(VideoFile(), 22050, 2)) {
        state.SkipWithError("no video");
        return;
    }
    const tarvok::VideoPlacement place = tarvok::FitVideo(decoder.Width(), decoder.Height(), 640, 480);
    decoder.SetOutputSize(place.width, place.height);
    {
        tarvok::VideoScreen screen(place);
        std::vector<std::uint8_t> pixels;
        std::vector<std::int16_t> sound;
        for (auto _ : state) {
            if (!Next(decoder, pixels, sound)) state.SkipWithError("decoding stopped");
            screen.Present(pixels);
        }
    }
    state.counters["pictures/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    DestroyDisplay(display);
    g_engine.display = nullptr;
}
BENCHMARK(BM_DecodeAndDrawVideo)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
