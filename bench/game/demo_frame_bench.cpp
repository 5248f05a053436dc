// One frame of the demo through the real engine (needs a display: scripts/with-display.sh).
//
// DemoFrame: what a pass of the demo's main loop does (the flip with the background, three sprites and the
// pixel collision test), unpaced. The counters split the frame into the engine's own work (the commands
// up to the flip) and the GL work that the flip waits for (glFinish), in milliseconds per frame;
// process_cpu_ms is the CPU time of the whole process per frame (the caller and the driver's drawing
// threads), steadier than the wall clock when the machine is busy.
#include <benchmark/benchmark.h>

#include <GL/gl.h>

#include <chrono>
#include <cstdlib>
#include <ctime>

#include "bench/compare.h"
#include "engine/engine.h"
#include "gfx2d/gfx2d.h"

namespace {

void StartEngineOnce() {
    static bool started = false;
    if (started) return;
    started = true;
    setenv("TARVOK_UNPACED", "1", 1);
    setenv("TARVOK_NONINTERACTIVE", "1", 1);
    setenv("TARVOK_KEYS", "/dev/null", 1);  // an (empty) key script keeps the window active
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    InitEngine(RtString(), 1, "bench");
    const RtString data = TARVOK_DEMO_DATA "/";
    LoadBackground(data + "Shrine.bmp");
    LoadSprite(data + "walk 1.bmp", 1);
    LoadSprite(data + "punch 1.bmp", 30);
    LoadSprite(data + "enemy.bmp", 20);
}

// CPU time of the whole process (the caller and the driver's drawing threads), in ms.
double ProcessCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

double Ms(std::chrono::steady_clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void DemoFrame(benchmark::State& state) {
    StartEngineOnce();
    double engineMs = 0, glMs = 0, x = 10;
    const double cpu0 = ProcessCpuMs();
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        ShowScreen();
        DrawSprite(1, x, 350);
        benchmark::DoNotOptimize(SpriteCollision(1, x, 350, 20, 500, 350));
        DrawSprite(20, 500, 350);
        DrawSprite(30, x, 350);
        x = x < 600 ? x + 3 : 10;
        const auto t1 = std::chrono::steady_clock::now();
        glFinish();
        const auto t2 = std::chrono::steady_clock::now();
        engineMs += Ms(t1 - t0);
        glMs += Ms(t2 - t1);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["engine_ms"] = engineMs / n;
    state.counters["gl_ms"] = glMs / n;
    state.counters["process_cpu_ms"] = (ProcessCpuMs() - cpu0) / n;
    state.counters["frame_budget_share_at_60fps"] = (engineMs + glMs) / n / (1000.0 / 60.0);
    tarvok::bench::Compare(state, {{"one demo frame (background, three sprites, collision)", "", "<= 2.5 ms"}});
}
BENCHMARK(DemoFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
