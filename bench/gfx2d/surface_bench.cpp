// Moving pixels between the frame buffer and sprites: grabbing a screen area every frame, selecting an
// off-screen surface (frame-buffer object or emulated through the back buffer), and encoding a saved
// screen, PNG beside libpng's own simplified writer. The GL cases need a display
// (scripts/with-display.sh).
#include <GL/gl.h>
#include <benchmark/benchmark.h>
#include <png.h>

#include <cstdlib>
#include <vector>

#include "frame/display.h"
#include "frame/gl_extensions.h"
#include "gfx2d/gfx2d.h"
#include "gfx2d/picture_writers.h"
#include "runtime/engine_globals.h"

namespace {

// Set before the first display reads the settings: no message box about the software renderer.
[[maybe_unused]] const bool g_nonInteractive = setenv("TARVOK_NONINTERACTIVE", "1", 0) == 0;

// A 640 x 480 display with the texture store, for the length of one benchmark.
class BenchDisplay {
public:
    BenchDisplay() {
        ok_ = CreateDisplay(display_, 640, 480, 0, 60, 0);
        if (!ok_) return;
        g_engine.display = &display_;
        AttachTextureStore();
        Reset2DState(display_, 0, 0, 0, 0);
    }
    ~BenchDisplay() {
        if (!ok_) return;
        ReleaseTextureStore();
        DestroyDisplay(display_);
        g_engine.display = nullptr;
    }
    bool ok() const { return ok_; }

private:
    OpenGLZazuzive display_;
    bool ok_ = false;
};

void Finish() {
    std::uint8_t pixel[4];
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);  // waits for the GL work
}

// Grabbing the same square every frame: the slot's texture is kept, only the copy is paid.
void BM_GrabSprite(benchmark::State& state) {
    BenchDisplay display;
    if (!display.ok()) return state.SkipWithError("no display");
    const double side = static_cast<double>(state.range(0));
    DrawRect(0, 0, 640, 480, 0x336699);
    for (auto _ : state) {
        GrabSprite(1, 100, 100, side, side);
        Finish();
    }
    state.SetBytesProcessed(state.iterations() * state.range(0) * state.range(0) * 4);
}
BENCHMARK(BM_GrabSprite)->ArgName("side")->Arg(64)->Arg(256)->UseRealTime();

// Selecting a 128 x 128 surface, drawing one sprite into it and going back to the window.
void BM_SurfaceRoundTrip(benchmark::State& state) {
    BenchDisplay display;
    if (!display.ok()) return state.SkipWithError("no display");
    const GlExtensions saved = g_gl;
    if (state.range(0) == 0) g_gl.glGenFramebuffersEXT = nullptr;  // emulated through the back buffer
    CreateScreen(0, 2, 128, 128);
    GrabSprite(3, 0, 0, 32, 32);
    for (auto _ : state) {
        UseScreen(0);
        DrawSprite(3, 10, 10);
        UseScreen(-1);
        Finish();
    }
    g_gl = saved;
}
BENCHMARK(BM_SurfaceRoundTrip)->ArgName("fbo")->Arg(1)->Arg(0)->UseRealTime();

tarvok::ImageBuffer ScreenPicture() {
    tarvok::ImageBuffer image;
    image.Resize(640, 480);
    for (std::int32_t y = 0; y < image.height; ++y)
        for (std::int32_t x = 0; x < image.width; ++x) {
            std::uint8_t* p = image.Row(y) + x * 4;
            p[0] = static_cast<std::uint8_t>(x);
            p[1] = static_cast<std::uint8_t>(y * 3);
            p[2] = static_cast<std::uint8_t>((x / 40) * 16);
            p[3] = 255;
        }
    return image;
}

void BM_EncodeBmp(benchmark::State& state) {
    const tarvok::ImageBuffer image = ScreenPicture();
    const tarvok::SavedKey key{true, 255, 0, 128};
    for (auto _ : state) benchmark::DoNotOptimize(tarvok::EncodeBmp(image, key));
    state.SetBytesProcessed(state.iterations() * 640 * 480 * 3);
}
BENCHMARK(BM_EncodeBmp)->Unit(benchmark::kMillisecond);

void BM_EncodePng(benchmark::State& state) {
    const tarvok::ImageBuffer image = ScreenPicture();
    const tarvok::SavedKey key{true, 255, 0, 128};
    std::vector<std::uint8_t> out;
    for (auto _ : state) tarvok::EncodePng(image, key, out);
    state.SetBytesProcessed(state.iterations() * 640 * 480 * 4);
}
BENCHMARK(BM_EncodePng)->Unit(benchmark::kMillisecond);

// The same picture through libpng's simplified API (png_image_write_to_memory).
void BM_LibpngSimplifiedWrite(benchmark::State& state) {
    const tarvok::ImageBuffer image = ScreenPicture();
    std::vector<std::uint8_t> out(640 * 480 * 5);
    for (auto _ : state) {
        png_image png{};
        png.version = PNG_IMAGE_VERSION;
        png.width = 640;
        png.height = 480;
        png.format = PNG_FORMAT_RGBA;
        png_alloc_size_t size = out.size();
        png_image_write_to_memory(&png, out.data(), &size, 0, image.pixels.data(), 0, nullptr);
        benchmark::DoNotOptimize(size);
    }
    state.SetBytesProcessed(state.iterations() * 640 * 480 * 4);
}
BENCHMARK(BM_LibpngSimplifiedWrite)->Unit(benchmark::kMillisecond);

}  // namespace
