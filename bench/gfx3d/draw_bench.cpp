// Drawing 1,000 objects of 1,000 triangles per frame under the software renderer, with vertex buffer
// objects and, in a second run of this program with TARVOK_GL_DISABLE=vbo, from memory.
#include <GL/gl.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <string>

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
    const auto next = [&seed] { return static_cast<double>((seed = seed * 1664525u + 1013904223u) >> 8) / (1 << 24); };
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

void DrawFrame(benchmark::State& state) {
    for (auto _ : state) {
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
    state.counters["triangles/s"] =
        benchmark::Counter(static_cast<double>(kObjects) * kTrianglesEach, benchmark::Counter::kIsIterationInvariantRate);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const bool fallback = std::getenv("TARVOK_GL_DISABLE") != nullptr;
    setenv("TARVOK_NONINTERACTIVE", "1", 0);  // no message box about the software renderer
    OpenGLZazuzive display;
    if (!CreateDisplay(display, 320, 240, 0, 60, 0)) {
        std::fprintf(stderr, "no display: run under scripts/with-display.sh\n");
        return 1;
    }
    g_engine.display = &display;
    CreateScene3D();
    BuildObjects();
    const bool buffers = g_gl.glGenBuffersARB != nullptr;
    benchmark::RegisterBenchmark(buffers ? "DrawObjects/vbo" : "DrawObjects/no_vbo", DrawFrame)
        ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    DestroyScene3D();
    DestroyDisplay(display);
    g_engine.display = nullptr;
    if (fallback) return 0;
    std::string command = "TARVOK_GL_DISABLE=vbo '" + std::string(argv[0]) + "'";
    for (int i = 1; i < argc; ++i) command += " '" + std::string(argv[i]) + "'";
    return std::system(command.c_str()) == 0 ? 0 : 1;
}
