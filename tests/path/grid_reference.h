// Test grids and a plain Dijkstra search over them, written independently of the planner: costs are
// normalised in double precision (c / largest + 1, walls for 0 or less), moves go to the four edge
// neighbours, and entering a cell costs its normalised cost. Shared by the tests and the benchmark.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <queue>
#include <random>
#include <utility>
#include <vector>

namespace pathtest {

struct Grid {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::vector<double> cells;  // cell (x, y) at y * width + x

    double At(std::int32_t x, std::int32_t y) const { return cells[static_cast<std::size_t>(y * width + x)]; }
};

// Each cell a wall (cost 0) with probability wallFraction, else an integer cost from 1 to maxCost.
inline Grid RandomGrid(std::mt19937& rng, std::int32_t width, std::int32_t height, double wallFraction,
                       int maxCost) {
    Grid grid{width, height, std::vector<double>(static_cast<std::size_t>(width * height))};
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::uniform_int_distribution<int> cost(1, maxCost);
    for (double& c : grid.cells) c = unit(rng) < wallFraction ? 0.0 : cost(rng);
    return grid;
}

// Cost of entering each cell after normalisation; -1 for walls.
inline std::vector<double> NormalisedCosts(const Grid& grid) {
    const double largest = *std::max_element(grid.cells.begin(), grid.cells.end());
    std::vector<double> costs(grid.cells.size(), -1.0);
    for (std::size_t i = 0; i < costs.size(); ++i) {
        if (grid.cells[i] > 0) costs[i] = grid.cells[i] / largest + 1.0;
    }
    return costs;
}

struct DijkstraResult {
    double cost = -1;          // cheapest cost from start to goal; -1 when unreachable
    std::size_t settled = 0;   // cells taken off the queue with their final cost
};

inline DijkstraResult PlainDijkstra(const Grid& grid, const std::vector<double>& costs, std::int32_t sx,
                                    std::int32_t sy, std::int32_t gx, std::int32_t gy) {
    std::vector<double> dist(grid.cells.size(), -1.0);
    std::vector<bool> done(grid.cells.size(), false);
    using Item = std::pair<double, std::size_t>;
    std::priority_queue<Item, std::vector<Item>, std::greater<Item>> queue;
    const auto w = static_cast<std::size_t>(grid.width);
    queue.push({0.0, static_cast<std::size_t>(sy) * w + static_cast<std::size_t>(sx)});
    DijkstraResult result;
    while (!queue.empty()) {
        const auto [d, i] = queue.top();
        queue.pop();
        if (done[i]) continue;
        done[i] = true;
        ++result.settled;
        const auto x = static_cast<std::int32_t>(i % w);
        const auto y = static_cast<std::int32_t>(i / w);
        if (x == gx && y == gy) return {d, result.settled};
        const std::pair<std::int32_t, std::int32_t> steps[] = {{0, -1}, {1, 0}, {-1, 0}, {0, 1}};
        for (const auto& [dx, dy] : steps) {
            if (x + dx < 0 || y + dy < 0 || x + dx >= grid.width || y + dy >= grid.height) continue;
            const std::size_t j = static_cast<std::size_t>(y + dy) * w + static_cast<std::size_t>(x + dx);
            if (costs[j] < 0 || done[j] || (dist[j] >= 0 && d + costs[j] >= dist[j])) continue;
            dist[j] = d + costs[j];
            queue.push({dist[j], j});
        }
    }
    return result;
}

}  // namespace pathtest
