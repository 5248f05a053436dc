// Ray and sphere tests against one object of 100,000 triangles.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "gfx3d/gfx3d.h"
#include "runtime/engine_globals.h"

namespace {

constexpr int kTriangles = 100000;

// Small separate triangles scattered over a 20-unit cube.
void BuildObject() {
    std::uint32_t seed = 4242;
    const auto next = [&seed] {
        return static_cast<double>((seed = seed * 1664525u + 1013904223u) >> 8) / (1 << 24) * 20 - 10;
    };
    StartObject(1);
    AddVertex(0, 0, 0, 0, 0, -1);
    for (int t = 0; t < kTriangles; ++t) {
        const double x = next(), y = next(), z = next();
        AddVertex(x, y, z, 0, 0, 0xFFFFFF);
        AddVertex(x + 0.3, y, z, 0, 0, 0xFFFFFF);
        AddVertex(x, y + 0.3, z + 0.1, 0, 0, 0xFFFFFF);
    }
    EndObject();
}

void RayTests(benchmark::State& state) {
    double direction = 0, sum = 0;
    for (auto _ : state) {
        direction += 0.01;
        sum += RayCollision(1, 0, 0, 0, -30, direction, 0.3, 1);
    }
    benchmark::DoNotOptimize(sum);
    state.counters["rays/s"] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["triangles/s"] =
        benchmark::Counter(kTriangles, benchmark::Counter::kIsIterationInvariantRate);
}

void SphereTests(benchmark::State& state) {
    double x = -10, sum = 0;
    for (auto _ : state) {
        x = x > 10 ? -10 : x + 0.37;
        sum += SphereCollision(1, 0, 0.05, x, 0.5, 0.25);
    }
    benchmark::DoNotOptimize(sum);
    state.counters["spheres/s"] = benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    CreateScene3D();
    BuildObject();
    benchmark::RegisterBenchmark("RayCollision/100k_triangles", RayTests)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("SphereCollision/100k_triangles", SphereTests)
        ->Unit(benchmark::kMillisecond);
    benchmark::RunSpecifiedBenchmarks();
    DestroyScene3D();
    return 0;
}
