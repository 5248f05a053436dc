// Paths per second and nodes expanded on random grids with 30 % walls and costs 1 to 9 (256 x 256 and
// 1024 x 1024), between eight fixed pairs of far corners: FindPath through the game's arrays, the planner
// with its heap open list, the planner with the sorted ring-buffer open list and hash-table closed set,
// and the plain Dijkstra of the tests, in one run. Every search includes its set-up (cost normalisation
// and allocation), as FindPath does it per call. The second argument is the weight in hundredths.
//
// Costs are normalised into (1, 2] while the distance estimate counts 1 per step, so at weight 0.5 the
// estimate is about half the true remaining cost and the search expands nearly as much as Dijkstra;
// higher weights trust the estimate more and expand far fewer nodes.
//
// NOTE: on large grids the set-up is a good part of the time, and whether the allocator hands back
// memory already mapped or fresh pages depends on what else is alive: FindPath leaves its path array
// behind each call, which keeps the heap from being trimmed. Compare the forms within one benchmark.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include "bench/compare.h"
#include "path/astar_planner.h"
#include "path/path.h"
#include "tests/path/grid_reference.h"

namespace {

struct Route {
    std::int32_t sx, sy, gx, gy;
};

struct Scene {
    pathtest::Grid grid;
    RtArray<double> map;
    std::vector<Route> routes;  // reachable, from the top-left quarter to the bottom-right quarter
};

const Scene& SceneOfSide(std::int32_t side) {
    static std::map<std::int32_t, Scene> scenes;
    auto [it, fresh] = scenes.try_emplace(side);
    Scene& scene = it->second;
    if (!fresh) return scene;
    std::mt19937 rng(static_cast<std::uint32_t>(side) * 7919u);
    scene.grid = pathtest::RandomGrid(rng, side, side, 0.30, 9);
    scene.map.Dim(side, side);
    for (std::int32_t y = 0; y < side; ++y)
        for (std::int32_t x = 0; x < side; ++x) scene.map.ElementAt(x, y) = scene.grid.At(x, y);
    const std::vector<double> costs = pathtest::NormalisedCosts(scene.grid);
    std::uniform_int_distribution<std::int32_t> quarter(0, side / 4 - 1);
    while (scene.routes.size() < 8) {
        const Route r{quarter(rng), quarter(rng), side - 1 - quarter(rng), side - 1 - quarter(rng)};
        if (scene.grid.At(r.gx, r.gy) <= 0) continue;
        if (pathtest::PlainDijkstra(scene.grid, costs, r.sx, r.sy, r.gx, r.gy).cost < 0) continue;
        scene.routes.push_back(r);
    }
    return scene;
}

tarvok::SearchRequest RequestFor(const Scene& scene, const Route& r, float weight) {
    tarvok::SearchRequest request;
    request.startX = r.sx;
    request.startY = r.sy;
    request.goalX = r.gx;
    request.goalY = r.gy;
    request.diagonalCost = true;
    request.hashBits = 8;
    request.weight = weight;
    request.width = scene.grid.width;
    request.height = scene.grid.height;
    request.cells = scene.grid.cells.data();
    return request;
}

// One iteration finds all eight routes; "expanded" is the mean number of nodes closed per path.
void Report(benchmark::State& state, const Scene& scene, double expanded) {
    const auto paths = static_cast<double>(state.iterations() * scene.routes.size());
    state.SetItemsProcessed(static_cast<std::int64_t>(paths));
    if (expanded > 0) state.counters["expanded"] = expanded / paths;
    // Nodes expanded per iteration, for the time per expansion.
    if (expanded > 0) {
        state.counters["expansions"] = benchmark::Counter(expanded, benchmark::Counter::kAvgIterations);
    }
}

template <class Planner>
void PlannerPaths(benchmark::State& state) {
    const Scene& scene = SceneOfSide(static_cast<std::int32_t>(state.range(0)));
    const float weight = static_cast<float>(state.range(1)) / 100.0f;
    double expanded = 0;
    for (auto _ : state) {
        for (const Route& r : scene.routes) {
            Planner planner;
            planner.Configure(RequestFor(scene, r, weight));
            planner.StartSearch();
            planner.Search();
            expanded += static_cast<double>(planner.ClosedCount());
            benchmark::DoNotOptimize(planner.PathLength());
        }
    }
    Report(state, scene, expanded);
    if (std::is_same_v<Planner, tarvok::AStarPlanner> && state.range(1) == 50) {
        const std::string side = std::to_string(state.range(0));
        const std::string work = "A* at weight 0.5, " + side + "², 30 % walls";
        tarvok::bench::Compare(state,
                               {{work, "DijkstraPaths/" + side, "1.2"},
                                {work + ", per expansion", "DijkstraPaths/" + side, "1", "expansions"}});
    }
}
BENCHMARK_TEMPLATE(PlannerPaths, tarvok::AStarPlanner)
    ->ArgsProduct({{256, 1024}, {50, 75, 100}})
    ->Unit(benchmark::kMillisecond);
// The sorted ring buffer and the 256-bucket hash table cost time in proportion to their size on every
// step: at weight 0.5 on 1024 x 1024 a single path takes minutes.
BENCHMARK_TEMPLATE(PlannerPaths, tarvok::ListAStarPlanner)
    ->Args({256, 50})
    ->ArgsProduct({{256, 1024}, {75, 100}})
    ->Unit(benchmark::kMillisecond);

void FindPathPaths(benchmark::State& state) {
    const Scene& scene = SceneOfSide(static_cast<std::int32_t>(state.range(0)));
    const double weight = static_cast<double>(state.range(1)) / 100.0;
    RtArray<double> path;
    for (auto _ : state) {
        for (const Route& r : scene.routes) {
            benchmark::DoNotOptimize(FindPath(scene.map, path, weight, r.sx, r.sy, r.gx, r.gy));
        }
    }
    Report(state, scene, 0);
}
BENCHMARK(FindPathPaths)->ArgsProduct({{256, 1024}, {50, 75}})->Unit(benchmark::kMillisecond);

void DijkstraPaths(benchmark::State& state) {
    const Scene& scene = SceneOfSide(static_cast<std::int32_t>(state.range(0)));
    double settled = 0;
    for (auto _ : state) {
        for (const Route& r : scene.routes) {
            const std::vector<double> costs = pathtest::NormalisedCosts(scene.grid);
            const pathtest::DijkstraResult result =
                pathtest::PlainDijkstra(scene.grid, costs, r.sx, r.sy, r.gx, r.gy);
            settled += static_cast<double>(result.settled);
            benchmark::DoNotOptimize(result.cost);
        }
    }
    Report(state, scene, settled);
}
BENCHMARK(DijkstraPaths)->Arg(256)->Arg(1024)->Unit(benchmark::kMillisecond);

}  // namespace
