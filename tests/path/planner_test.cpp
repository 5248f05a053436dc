// The grid planner driven directly: configuration, diagonal steps, limits, optimality against a plain
// Dijkstra on random grids, and the heap form against the sorted-list form node for node.
#include <cmath>
#include <limits>
#include <random>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "path/astar_planner.h"
#include "tests/path/grid_reference.h"

using pathtest::Grid;
using tarvok::AStarPlanner;
using tarvok::ListAStarPlanner;
using tarvok::SearchRequest;

namespace {

using Cells = std::vector<std::pair<int, int>>;

SearchRequest RequestFor(const Grid& grid, int sx, int sy, int gx, int gy, float weight) {
    SearchRequest request;
    request.startX = sx;
    request.startY = sy;
    request.goalX = gx;
    request.goalY = gy;
    request.diagonalCost = true;
    request.hashBits = 8;
    request.weight = weight;
    request.width = grid.width;
    request.height = grid.height;
    request.cells = grid.cells.data();
    return request;
}

// The result from the start to the goal.
Cells PathOf(const tarvok::Planner& planner) {
    Cells cells;
    for (const tarvok::Node* n = planner.Result(); n; n = n->parent) {
        cells.insert(cells.begin(), {n->x, n->y});
    }
    return cells;
}

// Every step goes to an edge neighbour inside the grid, never into a wall, and never back to a cell
// already visited; the result is the sum of the normalised costs entered.
double CheckLegalPath(const Grid& grid, const std::vector<double>& costs, const Cells& path, int sx, int sy,
                      int gx, int gy) {
    EXPECT_EQ(path.front(), std::make_pair(sx, sy));
    EXPECT_EQ(path.back(), std::make_pair(gx, gy));
    std::vector<bool> seen(grid.cells.size(), false);
    double cost = 0;
    for (std::size_t i = 0; i < path.size(); ++i) {
        const auto [x, y] = path[i];
        EXPECT_TRUE(x >= 0 && y >= 0 && x < grid.width && y < grid.height);
        const auto cell = static_cast<std::size_t>(y * grid.width + x);
        EXPECT_FALSE(seen[cell]) << "cell visited twice: " << x << "," << y;
        seen[cell] = true;
        if (i == 0) continue;
        EXPECT_EQ(std::abs(x - path[i - 1].first) + std::abs(y - path[i - 1].second), 1) << "step " << i;
        EXPECT_GT(costs[cell], 0) << "wall entered at step " << i;
        cost += costs[cell];
    }
    return cost;
}

}  // namespace

TEST(PathPlanner, ConfigureRejectsBadRequestsAndNormalisesCosts) {
    Grid grid{4, 2, {10, 20, 0, -5, std::nan(""), 1e300, std::numeric_limits<double>::infinity(), 15}};
    AStarPlanner planner;
    EXPECT_FALSE(planner.Configure(RequestFor(grid, 0, 0, 4, 0, 0.5f)));   // goal outside
    EXPECT_FALSE(planner.Configure(RequestFor(grid, -1, 0, 3, 1, 0.5f)));  // start outside
    EXPECT_FALSE(planner.Configure(RequestFor(grid, 0, 2, 3, 1, 0.5f)));
    EXPECT_FALSE(planner.Configure(RequestFor(grid, 2, 1, 2, 1, 0.5f)));   // start equal to goal
    SearchRequest noCells = RequestFor(grid, 0, 0, 1, 0, 0.5f);
    noCells.cells = nullptr;
    EXPECT_FALSE(planner.Configure(noCells));
    Grid walls{2, 2, {0, -1, std::nan(""), -std::numeric_limits<double>::infinity()}};
    EXPECT_FALSE(planner.Configure(RequestFor(walls, 0, 0, 1, 1, 0.5f)));

    // Huge costs saturate to the largest float: the largest normalises to 2, ordinary costs to 1.
    ASSERT_TRUE(planner.Configure(RequestFor(grid, 0, 0, 3, 1, 0.5f)));
    EXPECT_FLOAT_EQ(planner.CellCost(0, 0), 1.0f);
    EXPECT_FLOAT_EQ(planner.CellCost(2, 0), -1.0f);
    EXPECT_FLOAT_EQ(planner.CellCost(3, 0), -1.0f);
    EXPECT_FLOAT_EQ(planner.CellCost(0, 1), -1.0f);  // NaN is not a positive cost
    EXPECT_FLOAT_EQ(planner.CellCost(1, 1), 2.0f);
    EXPECT_FLOAT_EQ(planner.CellCost(2, 1), 2.0f);

    // Costs 10, 20 and 15 with largest 20 become 1.5, 2 and 1.75.
    Grid plain{3, 1, {10, 20, 15}};
    ASSERT_TRUE(planner.Configure(RequestFor(plain, 0, 0, 2, 0, 0.5f)));
    EXPECT_FLOAT_EQ(planner.CellCost(0, 0), 1.5f);
    EXPECT_FLOAT_EQ(planner.CellCost(1, 0), 2.0f);
    EXPECT_FLOAT_EQ(planner.CellCost(2, 0), 1.75f);
    EXPECT_TRUE(planner.Finished());
    EXPECT_EQ(planner.PathCost(), -1.0f);

    // The weight is clamped to 0 ... 1, NaN to 0.
    const float weights[][2] = {{3.0f, 1.0f}, {-2.0f, 0.0f}, {std::nanf(""), 0.0f}, {0.25f, 0.25f}};
    for (const auto& [given, kept] : weights) {
        ASSERT_TRUE(planner.Configure(RequestFor(plain, 0, 0, 2, 0, given)));
        EXPECT_EQ(planner.Request().weight, kept);
    }
}

TEST(PathPlanner, RunsOnceAfterStartAndCanRunAgainAfterReset) {
    Grid grid{3, 1, {1, 1, 1}};
    AStarPlanner planner;
    EXPECT_FALSE(planner.Search());  // nothing configured
    ASSERT_TRUE(planner.Configure(RequestFor(grid, 0, 0, 2, 0, 0.5f)));
    EXPECT_FALSE(planner.Search());  // not started
    planner.StartSearch();
    EXPECT_FALSE(planner.Finished());
    ASSERT_TRUE(planner.Search());
    EXPECT_TRUE(planner.Finished());
    EXPECT_EQ(planner.SearchCount(), 1);
    EXPECT_EQ(PathOf(planner), (Cells{{0, 0}, {1, 0}, {2, 0}}));
    EXPECT_EQ(planner.PathLength(), 3u);
    EXPECT_FLOAT_EQ(planner.PathCost(), 4.0f);  // two cells of normalised cost 2
    EXPECT_FALSE(planner.Search());             // finished until started again

    planner.Reset();
    EXPECT_EQ(planner.Result(), nullptr);
    EXPECT_EQ(planner.OpenCount(), 0u);
    EXPECT_EQ(planner.ClosedCount(), 0u);
    planner.StartSearch();
    ASSERT_TRUE(planner.Search());
    EXPECT_EQ(PathOf(planner), (Cells{{0, 0}, {1, 0}, {2, 0}}));

    // Searches that touch a small or a large part of a grid leave nothing behind for the next one.
    Grid field{64, 64, std::vector<double>(64 * 64, 1.0)};
    for (const auto& [gx, gy] : {std::pair{1, 0}, std::pair{63, 63}, std::pair{0, 2}}) {
        ASSERT_TRUE(planner.Configure(RequestFor(field, 0, 0, gx, gy, 0.0f)));
        planner.StartSearch();
        ASSERT_TRUE(planner.Search());
        const Cells first = PathOf(planner);
        const std::size_t closed = planner.ClosedCount();
        for (int again = 0; again < 2; ++again) {
            planner.Reset();
            planner.StartSearch();
            ASSERT_TRUE(planner.Search());
            EXPECT_EQ(PathOf(planner), first);
            EXPECT_EQ(planner.ClosedCount(), closed);
        }
        EXPECT_EQ(first.size(), static_cast<std::size_t>(gx + gy + 1));
    }
}

TEST(PathPlanner, DiagonalMovesCostTheirFactor) {
    Grid grid{3, 3, std::vector<double>(9, 1.0)};
    for (bool diagonalCost : {true, false}) {
        AStarPlanner planner;
        SearchRequest request = RequestFor(grid, 0, 0, 2, 2, 0.5f);
        request.diagonalMoves = true;
        request.diagonalCost = diagonalCost;
        ASSERT_TRUE(planner.Configure(request));
        planner.StartSearch();
        ASSERT_TRUE(planner.Search());
        EXPECT_EQ(PathOf(planner), (Cells{{0, 0}, {1, 1}, {2, 2}}));
        // Each cell costs 2 after normalisation; a diagonal step 2 x 1.4142137 when its cost is on.
        const float k = diagonalCost ? 1.4142137f : 1.0f;
        const float step = 2.0f * k;
        EXPECT_EQ(planner.PathCost(), step + step);
    }
}

TEST(PathPlanner, NodeAndOpenListLimitsFailTheSearch) {
    // A 1 x 6 corridor needs all six nodes and at most one open entry at a time.
    Grid grid{6, 1, std::vector<double>(6, 1.0)};
    const struct {
        int pool;
        int open;
        bool runs;
    } cases[] = {{6, 1, true}, {5, 0, false}, {0, 1, true}, {1, 1, false}};
    for (const auto& c : cases) {
        AStarPlanner planner;
        SearchRequest request = RequestFor(grid, 0, 0, 5, 0, 0.5f);
        request.poolCapacity = c.pool;
        request.openCapacity = c.open;
        ASSERT_TRUE(planner.Configure(request));
        planner.StartSearch();
        EXPECT_EQ(planner.Search(), c.runs) << c.pool << " " << c.open;
        EXPECT_EQ(planner.PathLength(), c.runs ? 6u : 0u);
        EXPECT_TRUE(planner.Finished());
        // Reset takes every node back: a pool of exactly six nodes serves the search again.
        planner.Reset();
        planner.StartSearch();
        EXPECT_EQ(planner.Search(), c.runs);
    }
    // An open grid of 3 x 3 from a corner: the frontier needs more than one open entry.
    Grid square{3, 3, std::vector<double>(9, 1.0)};
    AStarPlanner planner;
    SearchRequest request = RequestFor(square, 0, 0, 2, 2, 0.5f);
    request.openCapacity = 1;
    ASSERT_TRUE(planner.Configure(request));
    planner.StartSearch();
    EXPECT_FALSE(planner.Search());
    EXPECT_EQ(planner.Result(), nullptr);
    planner.Reset();
    planner.StartSearch();
    EXPECT_FALSE(planner.Search());
}

TEST(PathPlanner, RandomGridsMatchDijkstraAndBothFormsAgree) {
    std::mt19937 rng(20261207);
    int reachable = 0;
    for (int round = 0; round < 300; ++round) {
        const int width = 1 + static_cast<int>(rng() % 40);
        const int height = 1 + static_cast<int>(rng() % 40);
        if (width * height < 2) continue;
        const double walls = static_cast<double>(rng() % 45) / 100.0;
        // Few distinct costs make many equal priorities, where the tie-breaking shows.
        const int maxCost = round % 3 == 0 ? 1 : round % 3 == 1 ? 3 : 50;
        Grid grid = pathtest::RandomGrid(rng, width, height, walls, maxCost);
        grid.cells[rng() % grid.cells.size()] = 1;  // at least one passable cell
        const std::vector<double> costs = pathtest::NormalisedCosts(grid);
        int sx, sy, gx, gy;
        do {
            sx = static_cast<int>(rng() % static_cast<unsigned>(width));
            sy = static_cast<int>(rng() % static_cast<unsigned>(height));
            gx = static_cast<int>(rng() % static_cast<unsigned>(width));
            gy = static_cast<int>(rng() % static_cast<unsigned>(height));
        } while (sx == gx && sy == gy);
        const pathtest::DijkstraResult best = pathtest::PlainDijkstra(grid, costs, sx, sy, gx, gy);
        if (best.cost >= 0) ++reachable;

        for (float weight : {0.0f, 0.5f, 0.3f, 0.8f, 1.0f}) {
            SCOPED_TRACE(::testing::Message() << "round " << round << " weight " << weight);
            AStarPlanner fast;
            ListAStarPlanner listed;
            ASSERT_TRUE(fast.Configure(RequestFor(grid, sx, sy, gx, gy, weight)));
            ASSERT_TRUE(listed.Configure(RequestFor(grid, sx, sy, gx, gy, weight)));
            fast.StartSearch();
            listed.StartSearch();
            ASSERT_TRUE(fast.Search());
            ASSERT_TRUE(listed.Search());

            const Cells path = PathOf(fast);
            EXPECT_EQ(path, PathOf(listed));
            EXPECT_EQ(fast.ClosedCount(), listed.ClosedCount());
            EXPECT_EQ(fast.OpenCount(), listed.OpenCount());
            EXPECT_EQ(fast.PathCost(), listed.PathCost());
            if (best.cost < 0) {
                EXPECT_TRUE(path.empty());
                continue;
            }
            ASSERT_FALSE(path.empty());
            const double cost = CheckLegalPath(grid, costs, path, sx, sy, gx, gy);
            EXPECT_NEAR(fast.PathCost(), cost, 1e-4 * cost);
            // Up to 0.5 the priority never overestimates (each step costs at least 1 and the Manhattan
            // distance counts steps), so the path is a cheapest one.
            if (weight <= 0.5f) {
                EXPECT_NEAR(cost, best.cost, 1e-4 * best.cost);
            } else {
                EXPECT_GE(cost, best.cost * (1 - 1e-6));
            }
        }
    }
    EXPECT_GT(reachable, 150);
}
