// The grid planner driven directly: costs and weights, runs and reuse, diagonal steps, limits, and
// optimality against a plain Dijkstra on random grids with the flat form matching the reference form.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <random>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "path/astar_planner.h"
#include "tests/path/grid_reference.h"

using pathtest::Grid;
using tarvok::AStarPlanner;
using tarvok::SearchRequest;

namespace {

using Cells = std::vector<std::pair<int, int>>;

SearchRequest RequestFor(const Grid& grid, int sx, int sy, int gx, int gy, float weight) {
    // Diagonal cost on, diagonal moves off, pool and open list sized by the grid, 8 bits of closed set.
    return {sx, sy, gx, gy, true, false, 0, 0, 8, weight, grid.width, grid.height, grid.cells.data()};
}

// Starts and runs the configured search (after a Reset when asked); the cells from start to goal.
Cells Searched(tarvok::Planner& planner, bool reset = false, bool* ran = nullptr) {
    if (reset) planner.Reset();
    planner.StartSearch();
    const bool result = planner.Search();
    if (ran) *ran = result;
    Cells cells;
    for (const tarvok::Node* n = planner.Result(); n; n = n->parent) cells.push_back({n->x, n->y});
    std::reverse(cells.begin(), cells.end());
    return cells;
}

Cells Plan(tarvok::Planner& planner, const SearchRequest& request, bool* ran = nullptr) {
    EXPECT_TRUE(planner.Configure(request));
    return Searched(planner, false, ran);
}

}  // namespace

TEST(PathPlanner, RunsOnceAndAgainAfterResetAndDiagonalsCostTheirFactor) {
    Grid row{3, 1, {1, 1, 1}};
    AStarPlanner planner;
    EXPECT_FALSE(planner.Search());  // nothing configured
    SearchRequest noCells = RequestFor(row, 0, 0, 1, 0, 0.5f);
    noCells.cells = nullptr;
    EXPECT_FALSE(planner.Configure(noCells));
    // Huge costs saturate to the largest float and tiny ones stay positive: the largest normalises to 2,
    // ordinary ones to 1; zero, negative and NaN are walls.
    Grid extreme{4, 2, {10, 1e-300, 0, -5, std::nan(""), 1e300, std::numeric_limits<double>::infinity(), 15}};
    ASSERT_TRUE(planner.Configure(RequestFor(extreme, 0, 0, 3, 1, 0.5f)));
    const float normalised[] = {1, 1, -1, -1, -1, 2, 2, 1};
    for (int i = 0; i < 8; ++i) EXPECT_FLOAT_EQ(planner.CellCost(i % 4, i / 4), normalised[i]) << i;
    // The weight is clamped to 0 ... 1, NaN to 0.
    for (const auto& [given, kept] :
         {std::pair{3.0f, 1.0f}, {-2.0f, 0.0f}, {std::nanf(""), 0.0f}, {0.25f, 0.25f}}) {
        ASSERT_TRUE(planner.Configure(RequestFor(row, 0, 0, 2, 0, given)));
        EXPECT_EQ(planner.Request().weight, kept);
    }
    EXPECT_FALSE(planner.Search());  // not started
    EXPECT_EQ(Plan(planner, RequestFor(row, 0, 0, 2, 0, 0.5f)), (Cells{{0, 0}, {1, 0}, {2, 0}}));
    EXPECT_FALSE(planner.Search());  // finished until started again
    EXPECT_EQ(Searched(planner, true), (Cells{{0, 0}, {1, 0}, {2, 0}}));

    // Searches that touch a small or a large part of a grid leave nothing behind for the next one.
    Grid field{64, 64, std::vector<double>(64 * 64, 1.0)};
    for (const auto& [gx, gy] : {std::pair{1, 0}, std::pair{63, 63}, std::pair{0, 2}}) {
        const Cells first = Plan(planner, RequestFor(field, 0, 0, gx, gy, 0.0f));
        EXPECT_EQ(first.size(), static_cast<std::size_t>(gx + gy + 1));
        const std::size_t closed = planner.ClosedCount();
        for (int again = 0; again < 2; ++again) {
            EXPECT_EQ(Searched(planner, true), first);
            EXPECT_EQ(planner.ClosedCount(), closed);
        }
    }

    // Each cell costs 2 after normalisation; a diagonal step 2 x 1.4142137 when its cost is on.
    Grid square{3, 3, std::vector<double>(9, 1.0)};
    for (bool diagonalCost : {true, false}) {
        SearchRequest request = RequestFor(square, 0, 0, 2, 2, 0.5f);
        request.diagonalMoves = true;
        request.diagonalCost = diagonalCost;
        EXPECT_EQ(Plan(planner, request), (Cells{{0, 0}, {1, 1}, {2, 2}}));
        EXPECT_EQ(planner.PathCost(), 4.0f * (diagonalCost ? 1.4142137f : 1.0f));
    }
}

TEST(PathPlanner, NodeAndOpenListLimitsFailTheSearch) {
    // A 1 x 6 corridor needs all six nodes and at most one open entry at a time; from the corner of an
    // open 3 x 3 grid the frontier needs more than one. Pool 0 means one node per cell.
    Grid corridor{6, 1, std::vector<double>(6, 1.0)};
    Grid square{3, 3, std::vector<double>(9, 1.0)};
    const struct {
        const Grid* grid;
        int pool, open;
        bool runs;
    } cases[] = {{&corridor, 6, 1, true}, {&corridor, 5, 0, false}, {&corridor, 0, 1, true},
                 {&corridor, 1, 1, false}, {&square, 0, 1, false}};
    for (const auto& c : cases) {
        AStarPlanner planner;
        SearchRequest request = RequestFor(*c.grid, 0, 0, c.grid->width - 1, c.grid->height - 1, 0.5f);
        request.poolCapacity = c.pool;
        request.openCapacity = c.open;
        // Reset takes every node back: a pool of exactly six nodes serves the search again.
        for (bool again : {false, true}) {
            bool ran = false;
            const Cells path = again ? Searched(planner, true, &ran) : Plan(planner, request, &ran);
            EXPECT_EQ(path.size(), c.runs ? 6u : 0u) << c.pool << " " << c.open << " " << again;
            EXPECT_EQ(ran, c.runs);
            EXPECT_TRUE(planner.Finished());
        }
    }
}

TEST(PathPlanner, RandomGridsMatchDijkstraAndBothFormsAgree) {
    std::mt19937 rng(20261207);
    int reachable = 0;
    for (int round = 0; round < 300; ++round) {
        const int width = 1 + static_cast<int>(rng() % 40);
        const int height = 1 + static_cast<int>(rng() % 40);
        if (width * height < 2) continue;
        // Few distinct costs make many equal priorities, where the tie-breaking shows.
        const int maxCost = round % 3 == 0 ? 1 : round % 3 == 1 ? 3 : 50;
        const double walls = static_cast<double>(rng() % 45) / 100.0;
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
        const double best = pathtest::PlainDijkstra(grid, costs, sx, sy, gx, gy).cost;
        reachable += best >= 0;

        for (float weight : {0.0f, 0.5f, 0.3f, 0.8f, 1.0f}) {
            SCOPED_TRACE(::testing::Message() << "round " << round << " weight " << weight);
            // The flat form, also with its insertion numbers renumbered every few dozen insertions,
            // against the reference: the same path, counts, cost and priorities.
            AStarPlanner fast;
            AStarPlanner renumbered(static_cast<std::uint32_t>(round % 50));
            tarvok::ListAStarPlanner listed;
            const Cells path = Plan(fast, RequestFor(grid, sx, sy, gx, gy, weight));
            EXPECT_EQ(path, Plan(listed, RequestFor(grid, sx, sy, gx, gy, weight)));
            EXPECT_EQ(path, Plan(renumbered, RequestFor(grid, sx, sy, gx, gy, weight)));
            const tarvok::Planner* others[] = {&listed, &renumbered};
            for (const tarvok::Planner* other : others) {
                EXPECT_EQ(fast.ClosedCount(), other->ClosedCount());
                EXPECT_EQ(fast.OpenCount(), other->OpenCount());
                EXPECT_EQ(fast.PathCost(), other->PathCost());
            }
            for (const tarvok::Node *a = fast.Result(), *b = listed.Result(); a && b;
                 a = a->parent, b = b->parent)
                ASSERT_EQ(a->f, b->f);
            ASSERT_EQ(path.empty(), best < 0);
            if (best < 0) continue;
            // Legal steps from start to goal, never into a wall; the cost is the sum of the costs entered.
            EXPECT_EQ(path.front(), std::make_pair(sx, sy));
            EXPECT_EQ(path.back(), std::make_pair(gx, gy));
            double cost = 0;
            for (std::size_t i = 1; i < path.size(); ++i) {
                const auto [x, y] = path[i];
                ASSERT_EQ(std::abs(x - path[i - 1].first) + std::abs(y - path[i - 1].second), 1) << i;
                ASSERT_TRUE(x >= 0 && y >= 0 && x < grid.width && y < grid.height);
                const double entered = costs[static_cast<std::size_t>(y * grid.width + x)];
                ASSERT_GT(entered, 0) << "wall entered at step " << i;
                cost += entered;
            }
            EXPECT_NEAR(fast.PathCost(), cost, 1e-4 * cost);
            // Up to 0.5 the priority never overestimates (each step costs at least 1 and the Manhattan
            // distance counts steps), so the path is a cheapest one.
            if (weight <= 0.5f) {
                EXPECT_NEAR(cost, best, 1e-4 * best);
            } else {
                EXPECT_GE(cost, best * (1 - 1e-6));
            }
        }
    }
    EXPECT_GT(reachable, 150);
}
