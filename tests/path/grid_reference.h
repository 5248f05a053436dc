// Test grids and a plain Dijkstra search over them, written independently of the planner: costs are
// normalised in double precision (c / largest + 1, walls for 0 or less), moves go to the four edge
// neighbours, and entering a cell costs its normalised cost. Shared by the tests and the benchmark.
#pragma once

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

    double& At(std::int32_t x, std::int32_t y) { return cells[static_cast<std::size_t>(y * width + x)]; }
    double At(std::int32_t x, std::int32_t y) const { return cells[static_cast<std::size_t>(y * width + x)]; }
};

// A width x height grid: each cell a wall (cost 0) with probability wallFraction, else an integer cost
// from 1 to maxCost.
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
    double largest = 0;
    for (double c : grid.cells) {
        if (c > largest) largest = c;
    }
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
    const std::size_t n = grid.cells.size();
    std::vector<double> dist(n, -1.0);
    std::vector<bool> done(n, false);
    using Item = std::pair<double, std::size_t>;
    std::priority_queue<Item, std::vector<Item>, std::greater<Item>> queue;
    const auto index = [&](std::int32_t x, std::int32_t y) {
        return static_cast<std::size_t>(y * grid.width + x);
    };
    dist[index(sx, sy)] = 0;
    queue.push({0.0, index(sx, sy)});
    DijkstraResult result;
    const std::int32_t dx[4] = {0, 1, -1, 0};
    const std::int32_t dy[4] = {-1, 0, 0, 1};
    while (!queue.empty()) {
        const auto [d, i] = queue.top();
        queue.pop();
        if (done[i]) continue;
        done[i] = true;
        ++result.settled;
        const auto x = static_cast<std::int32_t>(i % static_cast<std::size_t>(grid.width));
        const auto y = static_cast<std::int32_t>(i / static_cast<std::size_t>(grid.width));
        if (x == gx && y == gy) {
            result.cost = d;
            return result;
        }
        for (int k = 0; k < 4; ++k) {
            const std::int32_t nx = x + dx[k];
            const std::int32_t ny = y + dy[k];
            if (nx < 0 || ny < 0 || nx >= grid.width || ny >= grid.height) continue;
            const std::size_t j = index(nx, ny);
            if (costs[j] < 0 || done[j]) continue;
            const double nd = d + costs[j];
            if (dist[j] < 0 || nd < dist[j]) {
                dist[j] = nd;
                queue.push({nd, j});
            }
        }
    }
    return result;
}

}  // namespace pathtest
