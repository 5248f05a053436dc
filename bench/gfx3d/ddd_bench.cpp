// Loading a 100,000-triangle .ddd object: parsing the bytes, and the whole LoadObject from a file with
// the triangle expansion and bounding spheres.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "gfx3d/ddd_format.h"
#include "gfx3d/gfx3d.h"
#include "gfx3d/mesh_build.h"
#include "gfx3d/scene.h"

using namespace tarvok;

namespace {

constexpr int kTriangles = 100000;

// One frame of separate triangles with scattered positions, normals and a few colours.
std::vector<std::uint8_t> BigObject() {
    MeshObjectX mesh;
    mesh.colours = {kTrianglesMarker, 0x0000FF, 0x00FF00, 0xFF0000, 0x00FFFFFF};
    mesh.frames.resize(1);
    MeshFrame& frame = mesh.frames[0];
    frame.records.push_back(VertexRecord{});
    std::uint32_t seed = 12345;
    const auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    for (int i = 0; i < kTriangles * 3; ++i) {
        const std::uint32_t r = next();
        frame.records.push_back(VertexRecord{static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(r >> 8),
                                             static_cast<std::uint8_t>(r >> 16), static_cast<std::uint8_t>((r >> 24) % 162),
                                             0, 0, static_cast<std::uint8_t>(1 + i % 4)});
    }
    for (std::size_t i = 0; i < frame.records.size(); ++i) {
        mesh.uList.push_back(static_cast<float>(i % 7) / 7);
        mesh.vList.push_back(static_cast<float>(i % 5) / 5);
    }
    frame.scale[0] = frame.scale[1] = frame.scale[2] = 0.1f;
    return WriteDdd(mesh);
}

void ParseDdd(benchmark::State& state) {
    const std::vector<std::uint8_t> bytes = BigObject();
    for (auto _ : state) {
        MeshObjectX mesh;
        benchmark::DoNotOptimize(ReadDdd(bytes, mesh));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(ParseDdd)->Unit(benchmark::kMillisecond);

void LoadObjectFromFile(benchmark::State& state) {
    const char* tmp = std::getenv("TMPDIR");
    const std::string path = std::string(tmp && *tmp ? tmp : "/tmp") + "/gfx3d-bench-100k.ddd";
    const std::vector<std::uint8_t> bytes = BigObject();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    CreateScene3D();
    for (auto _ : state) benchmark::DoNotOptimize(LoadObject(path.c_str(), 1));
    DestroyScene3D();
    std::remove(path.c_str());
    state.counters["triangles"] = kTriangles;
}
BENCHMARK(LoadObjectFromFile)->Unit(benchmark::kMillisecond);

}  // namespace
