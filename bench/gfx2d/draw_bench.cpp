// Sprite drawing: many sprites per frame through the engine's DrawSprite (".../engine") beside the same
// frame drawn with SDL2's own renderer, SDL_RenderCopy on its default (OpenGL) driver at the same
// filtering (".../reference"), in the same run. Needs a display (scripts/with-display.sh).
//
// Works: 100,000 sprites of 8 x 8 (bound by the cost of each quad) and 10,000 of 64 x 64 (bound by the
// pixels filled), each with nearest and with linear filtering (the engine's default). One iteration is
// one frame, waited for by reading a pixel back. Counters: sprites per second, and the CPU time of the
// whole process per frame (the caller plus the driver's drawing threads), which is steadier than the wall
// clock on a busy machine.
#include <GL/gl.h>
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <ctime>
#include <string>

#include "bench/compare.h"
#include "frame/display.h"
#include "gfx2d/gfx2d.h"
#include "runtime/engine_globals.h"

namespace {

struct Work {
    const char* name;
    const char* work;  // its row in scripts/bench.sh's table
    const char* goal;  // reference time / engine time to reach
    int side;          // sprite width and height in pixels
    int count;         // sprites per frame
    bool linear;       // linear filtering, else nearest
};
constexpr Work kWorks[] = {
    {"BM_Sprites8x8Nearest", "100,000 sprites 8x8 per frame, nearest", "3", 8, 100000, false},
    {"BM_Sprites8x8Linear", "100,000 sprites 8x8 per frame, linear", "3", 8, 100000, true},
    {"BM_Sprites64x64Nearest", "10,000 sprites 64x64 per frame, nearest", "1.2", 64, 10000, false},
    {"BM_Sprites64x64Linear", "10,000 sprites 64x64 per frame, linear", "1.2", 64, 10000, true},
};

// A position for sprite i, spread over a 640 x 480 screen.
int PosX(const Work& w, int i) { return (i * 37) % (640 - w.side); }
int PosY(const Work& w, int i) { return (i * 91) % (480 - w.side); }

// A colourful opaque picture of the work's size, written by ImageMagick.
std::string SpriteFile(const Work& w) {
    const char* dir = std::getenv("TMPDIR");
    const std::string side = std::to_string(w.side);
    const std::string path =
        std::string(dir && *dir ? dir : "/tmp") + "/tarvok-bench-sprite-" + side + ".bmp";
    const std::string command =
        "convert -size " + side + "x" + side + " -seed 7 plasma:fractal -type TrueColor BMP3:'" + path + "'";
    return std::system(command.c_str()) == 0 ? path : std::string();
}

double ProcessCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

void Report(benchmark::State& state, const Work& w, double cpuStart) {
    const double frames = static_cast<double>(state.iterations());
    state.counters["sprites/s"] = benchmark::Counter(frames * w.count, benchmark::Counter::kIsRate);
    state.counters["process_cpu_ms"] = frames > 0 ? (ProcessCpuMs() - cpuStart) / frames : 0;
}

void EngineSprites(benchmark::State& state, Work w) {
    setenv("TARVOK_NONINTERACTIVE", "1", 0);  // no message box about the software renderer
    const std::string file = SpriteFile(w);
    OpenGLZazuzive display;
    if (file.empty() || !CreateDisplay(display, 640, 480, 0, 60, 0)) return state.SkipWithError("no display");
    g_engine.display = &display;
    AttachTextureStore();
    Reset2DState(display, 0, 0, 0, 0);
    LoadSprite(file.c_str(), 1);
    SetSmoothing(w.linear ? 1 : 0);
    std::uint8_t pixel[4];
    const double cpu = ProcessCpuMs();
    for (auto _ : state) {
        for (int i = 0; i < w.count; ++i) DrawSprite(1, PosX(w, i), PosY(w, i));
        glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);  // waits for the drawing
    }
    Report(state, w, cpu);
    tarvok::bench::Compare(state, {{w.work, std::string(w.name) + "/reference", w.goal}});
    ReleaseTextureStore();
    DestroyDisplay(display);
    g_engine.display = nullptr;
}

// SDL's renderer as a game would make it: the default driver (OpenGL here, with SDL's own batching).
void SdlSprites(benchmark::State& state, Work w) {
    const std::string file = SpriteFile(w);
    SDL_Init(SDL_INIT_VIDEO);
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, w.linear ? "linear" : "nearest");
    SDL_Window* window = SDL_CreateWindow("bench", 0, 0, 640, 480, SDL_WINDOW_OPENGL);
    SDL_Renderer* renderer = window ? SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED) : nullptr;
    SDL_RendererInfo info{};
    SDL_Surface* surface = file.empty() ? nullptr : SDL_LoadBMP(file.c_str());
    SDL_Texture* texture = renderer && surface ? SDL_CreateTextureFromSurface(renderer, surface) : nullptr;
    if (!texture || SDL_GetRendererInfo(renderer, &info) != 0 || std::string(info.name) != "opengl") {
        state.SkipWithError("no SDL OpenGL renderer");
    } else {
        std::uint32_t pixel = 0;
        const SDL_Rect one{0, 0, 1, 1};
        const double cpu = ProcessCpuMs();
        for (auto _ : state) {
            for (int i = 0; i < w.count; ++i) {
                const SDL_Rect to{PosX(w, i), PosY(w, i), w.side, w.side};
                SDL_RenderCopy(renderer, texture, nullptr, &to);
            }
            SDL_RenderReadPixels(renderer, &one, SDL_PIXELFORMAT_RGBA32, &pixel, 4);  // waits for the drawing
        }
        Report(state, w, cpu);
    }
    if (texture) SDL_DestroyTexture(texture);
    if (surface) SDL_FreeSurface(surface);
    if (renderer) SDL_DestroyRenderer(renderer);
    if (window) SDL_DestroyWindow(window);
}

bool RegisterWorks() {
    for (const Work& w : kWorks) {
        for (auto [suffix, run] :
             {std::pair{"/engine", &EngineSprites}, std::pair{"/reference", &SdlSprites}}) {
            benchmark::RegisterBenchmark((std::string(w.name) + suffix).c_str(), run, w)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime()
                ->MinTime(2.0);
        }
    }
    return true;
}
[[maybe_unused]] const bool g_registered = RegisterWorks();

}  // namespace
