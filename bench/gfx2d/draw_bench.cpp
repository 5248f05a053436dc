// Drawing 10,000 textured 32 x 32 sprites per frame: the engine's DrawSprite beside the same scene drawn
// with SDL2's own renderer (SDL_RenderCopy), in the same run. Needs a display (scripts/with-display.sh).
#include <benchmark/benchmark.h>
#include <GL/gl.h>
#include <SDL.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "frame/display.h"
#include "gfx2d/gfx2d.h"
#include "runtime/engine_globals.h"

namespace {

constexpr int kSprites = 10000;
constexpr int kSide = 32;

// A position for sprite i, spread over a 640 x 480 screen.
int PosX(int i) { return (i * 37) % (640 - kSide); }
int PosY(int i) { return (i * 91) % (480 - kSide); }

std::string SpriteFile() {
    const char* dir = std::getenv("TMPDIR");
    const std::string path = std::string(dir && *dir ? dir : "/tmp") + "/tarvok-bench-sprite.bmp";
    std::system(("convert -size 32x32 gradient:red-blue -type TrueColor BMP3:'" + path + "'").c_str());
    return path;
}

void BM_EngineDrawSprite(benchmark::State& state) {
    setenv("TARVOK_NONINTERACTIVE", "1", 0);  // no message box about the software renderer
    OpenGLZazuzive display;
    if (!CreateDisplay(display, 640, 480, 0, 60, 0)) {
        state.SkipWithError("no display");
        return;
    }
    g_engine.display = &display;
    AttachTextureStore();
    Reset2DState(display, 0, 0, 0, 0);
    LoadSprite(SpriteFile().c_str(), 1);
    SetSmoothing(static_cast<double>(state.range(0)));
    std::uint8_t pixel[4];
    for (auto _ : state) {
        for (int i = 0; i < kSprites; ++i) DrawSprite(1, PosX(i), PosY(i));
        glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);  // waits for the drawing
    }
    state.counters["sprites/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * kSprites,
                                                     benchmark::Counter::kIsRate);
    ReleaseTextureStore();
    DestroyDisplay(display);
    g_engine.display = nullptr;
}
// Argument: smoothing (linear filtering, the engine's default) on or off; SDL's renderer scales with
// nearest filtering unless told otherwise.
BENCHMARK(BM_EngineDrawSprite)->ArgName("smoothing")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SdlRenderCopy(benchmark::State& state) {
    SDL_Init(SDL_INIT_VIDEO);
    SDL_Window* window = SDL_CreateWindow("bench", 0, 0, 640, 480, SDL_WINDOW_OPENGL);
    SDL_Renderer* renderer = window ? SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED) : nullptr;
    SDL_Surface* surface = SDL_LoadBMP(SpriteFile().c_str());
    SDL_Texture* texture = renderer && surface ? SDL_CreateTextureFromSurface(renderer, surface) : nullptr;
    if (!texture) {
        state.SkipWithError(SDL_GetError());
        return;
    }
    std::uint32_t pixel = 0;
    const SDL_Rect one{0, 0, 1, 1};
    for (auto _ : state) {
        for (int i = 0; i < kSprites; ++i) {
            const SDL_Rect to{PosX(i), PosY(i), kSide, kSide};
            SDL_RenderCopy(renderer, texture, nullptr, &to);
        }
        SDL_RenderReadPixels(renderer, &one, SDL_PIXELFORMAT_RGBA32, &pixel, 4);  // waits for the drawing
    }
    state.counters["sprites/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * kSprites,
                                                     benchmark::Counter::kIsRate);
    SDL_DestroyTexture(texture);
    SDL_FreeSurface(surface);
    SDL_DestroyRenderer(renderer);
    SDL_DestroyWindow(window);
}
BENCHMARK(BM_SdlRenderCopy)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
