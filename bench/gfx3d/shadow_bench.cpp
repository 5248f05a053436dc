// Frame time of a scene of 40 spheres over a floor under the software renderer, drawn plainly and with
// stencil shadows (each sphere's shadow volume, then the darkening), both in one run.
#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "bench/compare.h"
#include "frame/display.h"
#include "gfx3d/gfx3d.h"
#include "runtime/engine_globals.h"

namespace {

constexpr int kSpheres = 40;
constexpr double kPi = 3.14159265358979323846;

// A sphere of 16 x 24 quads as separate triangles, wound as the engine's outward faces.
void BuildSphere(double slot) {
    StartObject(slot);
    AddVertex(0, 0, 0, 0, 0, -1);
    const auto at = [](int i, int j, double out[3]) {
        const double theta = kPi * i / 16, phi = 2 * kPi * j / 24;
        out[0] = std::sin(theta) * std::cos(phi), out[1] = std::cos(theta),
        out[2] = std::sin(theta) * std::sin(phi);
    };
    for (int i = 0; i < 16; ++i)
        for (int j = 0; j < 24; ++j) {
            double a[3], b[3], c[3], d[3];
            at(i, j, a), at(i + 1, j, b), at(i + 1, j + 1, c), at(i, j + 1, d);
            for (const double* p : {a, c, b, a, d, c}) AddVertex(p[0], p[1], p[2], 0, 0, 0x3080FF);
        }
    EndObject();
}

void BuildFloor(double slot) {
    StartObject(slot);
    AddVertex(0, 0, 0, 0, 0, -1);
    const double corners[6][2] = {{-30, -30}, {30, 30}, {-30, 30}, {-30, -30}, {30, -30}, {30, 30}};
    for (const auto& c : corners) AddVertex(c[0], -1, c[1], 0, 0, 0xFFFFFF);
    EndObject();
}

void DrawScene(bool shadows) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    Start3D(1, 200, 60);
    SetCamera(0, 12, 25, 0, 0, 0);
    SetLight(0, 0xFFFFFF, 10, 20, 10, 0, 0, 0, 120);
    const auto each = [](double slot) {
        for (int k = 0; k < kSpheres; ++k) {
            SetMovement(k % 8 * 3 - 10.5, 0, k / 8 * 3 - 6);
            DrawObject(slot, 0);
        }
    };
    SetMovement(0, 0, 0);
    DrawObject(2, 0);
    each(1);
    if (shadows) {
        SetLight(-3, 0xFFFFFF, 10, 20, 10, 0, 0, 0, 1);
        each(1);
        SetLight(-3, 0xFFFFFF, 10, 20, 10, 0, 0, 0, 0);
    }
    glFinish();
    Leave3DMode();
}

void Frames(benchmark::State& state) {
    for (auto _ : state) DrawScene(state.range(0) != 0);
    if (state.range(0)) {
        tarvok::bench::Compare(state, {{"3D scene with stencil shadows", "ShadowedScene/plain/0"}});
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    setenv("TARVOK_NONINTERACTIVE", "1", 0);
    OpenGLZazuzive display;
    if (!CreateDisplay(display, 640, 480, 0, 60, 0)) {
        std::fprintf(stderr, "no display: run under scripts/with-display.sh\n");
        return 1;
    }
    g_engine.display = &display;
    CreateScene3D();
    BuildSphere(1);
    BuildFloor(2);
    benchmark::RegisterBenchmark("ShadowedScene/plain", Frames)->Arg(0)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("ShadowedScene/shadows", Frames)->Arg(1)->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    DestroyScene3D();
    DestroyDisplay(display);
    g_engine.display = nullptr;
    return 0;
}
