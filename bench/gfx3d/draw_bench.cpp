// Drawing 1,000 objects of 1,000 triangles per frame under the software renderer, with vertex buffer
// objects and, in a second run of this program with TARVOK_GL_DISABLE=vbo, from memory. The first frame
// after building (buffers filled) and the frames after it are measured apart.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/compare.h"
#include "frame/display.h"
#include "frame/gl_extensions.h"
#include "gfx3d/gfx3d.h"
#include "runtime/engine_globals.h"

namespace {

constexpr int kObjects = 1000;
constexpr int kTrianglesEach = 1000;

// Small separate triangles scattered over a unit cube, white.
void BuildObjects() {
    std::uint32_t seed = 777;
    const auto next = [&seed] {
        return static_cast<double>((seed = seed * 1664525u + 1013904223u) >> 8) / (1 << 24);
    };
    for (int slot = 0; slot < kObjects; ++slot) {
        StartObject(slot);
        AddVertex(0, 0, 0, 0, 0, -1);
        for (int t = 0; t < kTrianglesEach; ++t) {
            const double x = next(), y = next(), z = next();
            AddVertex(x, y, z, 0, 0, 0xFFFFFF);
            AddVertex(x + 0.05, y, z, 1, 0, 0xFFFFFF);
            AddVertex(x, y + 0.05, z, 0, 1, 0xFFFFFF);
        }
        EndObject();
    }
}

void DrawOnce() {
    glClear(GL_COLOR_BUFFER_BIT);
    Start3D(1, 200, 60);
    SetCamera(0, 0, 60, 0, 0, 0);
    for (int slot = 0; slot < kObjects; ++slot) {
        SetMovement(slot % 40 - 20, slot / 40 - 12, 0);
        DrawObject(slot, 0);
    }
    glFinish();
    Leave3DMode();
}

void CountTriangles(benchmark::State& state) {
    state.counters["triangles/s"] = benchmark::Counter(static_cast<double>(kObjects) * kTrianglesEach,
                                                       benchmark::Counter::kIsIterationInvariantRate);
}

// The first frame after the objects were built, when the vertex buffers are filled; the building itself
// is not timed.
void FirstFrame(benchmark::State& state) {
    for (auto _ : state) {
        BuildObjects();
        const auto start = std::chrono::steady_clock::now();
        DrawOnce();
        state.SetIterationTime(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    CountTriangles(state);
}

// Every later frame: the objects are built and drawn once before timing starts.
void SteadyFrames(benchmark::State& state) {
    BuildObjects();
    DrawOnce();
    for (auto _ : state) DrawOnce();
    CountTriangles(state);
    if (g_gl.glGenBuffersARB)
        tarvok::bench::Compare(state, {{"3D objects with VBOs, later frames", "DrawObjects/no_vbo/steady"}});
}

bool Listing(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--benchmark_list_tests" || arg == "--benchmark_list_tests=true") return true;
    }
    return false;
}

}  // namespace

// Runs the benchmarks with vertex buffer objects, then itself again with TARVOK_GL_DISABLE=vbo (with the
// same flags, its results file beside the first as FILE.no_vbo.json), so that both forms print together;
// listing the benchmarks needs no display.
int main(int argc, char** argv) {
    std::string again = "TARVOK_GL_DISABLE=vbo '" + std::string(argv[0]) + "'";
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        again += " '" + arg + (arg.starts_with("--benchmark_out=") ? ".no_vbo.json'" : "'");
    }
    const bool listing = Listing(argc, argv);
    benchmark::Initialize(&argc, argv);
    const bool fallback = std::getenv("TARVOK_GL_DISABLE") != nullptr;
    setenv("TARVOK_NONINTERACTIVE", "1", 0);  // no message box about the software renderer
    OpenGLZazuzive display;
    if (!listing) {
        if (!CreateDisplay(display, 320, 240, 0, 60, 0)) {
            std::fprintf(stderr, "no display: run under scripts/with-display.sh\n");
            return 1;
        }
        g_engine.display = &display;
        CreateScene3D();
    }
    const bool buffers = listing ? !fallback : g_gl.glGenBuffersARB != nullptr;
    const std::string form = buffers ? "DrawObjects/vbo" : "DrawObjects/no_vbo";
    benchmark::RegisterBenchmark((form + "/first_frame").c_str(), FirstFrame)
        ->UseManualTime()
        ->Iterations(3)
        ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((form + "/steady").c_str(), SteadyFrames)
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    if (!listing) {
        DestroyScene3D();
        DestroyDisplay(display);
        g_engine.display = nullptr;
    }
    if (fallback) return 0;
    std::fflush(stdout);
    return std::system(again.c_str()) == 0 ? 0 : 1;
}
