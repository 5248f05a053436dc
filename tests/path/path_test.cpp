// The grid search: the reference planner's building blocks, the planner driven directly and against a
// plain Dijkstra on random grids, and FindPath with the game's arrays on maps worked out by hand.
#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <deque>
#include <limits>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "path/astar_planner.h"
#include "path/fixed_deque.h"
#include "path/node.h"
#include "path/node_hash_table.h"
#include "path/path.h"
#include "tests/path/grid_reference.h"

using namespace tarvok;
using pathtest::Grid;

namespace {

using Cells = std::vector<std::pair<int, int>>;
const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::nan("");

SearchRequest RequestFor(const Grid& grid, int sx, int sy, int gx, int gy, float weight) {
    // Diagonal cost on, diagonal moves off, pool and open list sized by the grid, 8 bits of closed set.
    return {sx, sy, gx, gy, true, false, 0, 0, 8, weight, grid.width, grid.height, grid.cells.data()};
}

// Starts and runs the configured search (after a Reset when asked); the cells from start to goal.
Cells Searched(Planner& planner, bool reset = false, bool* ran = nullptr) {
    if (reset) planner.Reset();
    planner.StartSearch();
    const bool result = planner.Search();
    if (ran) *ran = result;
    Cells cells;
    for (const Node* n = planner.Result(); n; n = n->parent) cells.push_back({n->x, n->y});
    std::reverse(cells.begin(), cells.end());
    return cells;
}

Cells Plan(Planner& planner, const SearchRequest& request, bool* ran = nullptr) {
    EXPECT_TRUE(planner.Configure(request));
    return Searched(planner, false, ran);
}

// Rows top (y = 0) to bottom: '#' a wall (cost 0), a digit its cost, other cells cost 1; 'S' and 'G' are
// start and goal, 's' and 'g' start and goal on a wall.
struct Map {
    RtArray<double> costs;
    double sx = 0, sy = 0, gx = 0, gy = 0;
};

Map Draw(const std::vector<std::string>& rows) {
    Map map;
    map.costs.Dim(static_cast<double>(rows[0].size()), static_cast<double>(rows.size()));
    for (std::size_t y = 0; y < rows.size(); ++y) {
        for (std::size_t x = 0; x < rows[0].size(); ++x) {
            const char c = rows[y][x];
            if (c == 'S' || c == 's') map.sx = static_cast<double>(x), map.sy = static_cast<double>(y);
            if (c == 'G' || c == 'g') map.gx = static_cast<double>(x), map.gy = static_cast<double>(y);
            const double cost = c == '#' || c == 's' || c == 'g' ? 0 : std::isdigit(c) ? c - '0' : 1;
            map.costs.ElementAt(static_cast<int>(x), static_cast<int>(y)) = cost;
        }
    }
    return map;
}

// FindPath's cells; its count must match them, and a path array without elements has no dimensions.
Cells Find(const RtArray<double>& map, RtArray<double>& path, double weight, double sx, double sy, double gx,
           double gy) {
    const double count = FindPath(map, path, weight, sx, sy, gx, gy);
    const auto dims = path.Dims();
    EXPECT_EQ(dims, (std::array<std::int32_t, 4>{dims[0], dims[0] ? 2 : 0, 0, 0}));
    EXPECT_EQ(count, dims[0]);
    Cells cells;
    for (int i = 0; i < dims[0]; ++i) {
        cells.push_back({static_cast<int>(path.ElementAt(i, 0)), static_cast<int>(path.ElementAt(i, 1))});
    }
    return cells;
}

// A path array of three elements, the last one marked, to see whether FindPath left it alone.
RtArray<double> MarkedPath() {
    RtArray<double> path;
    path.Dim(3);
    path.ElementAt(2) = 9;
    return path;
}

}  // namespace

TEST(PathFixedDeque, RandomOperationsMatchStdDeque) {
    std::mt19937 rng(1234);
    for (std::size_t capacity : {0u, 1u, 2u, 5u, 16u}) {  // capacity 0 refuses every push and insert
        FixedDeque<int> deque;
        deque.Init(capacity);
        std::deque<int> model;
        for (int step = 0; step < 5000; ++step) {
            const auto op = rng() % 6;
            const int value = static_cast<int>(rng() % 1000);
            const std::size_t at = rng() % (model.size() + 2);
            const bool room = model.size() < capacity;
            const auto where = model.begin() + static_cast<std::ptrdiff_t>(std::min(at, model.size()));
            if (op == 0) {
                ASSERT_EQ(deque.PushBack(value), room);
                if (room) model.push_back(value);
            } else if (op == 1) {
                ASSERT_EQ(deque.PushFront(value), room);
                if (room) model.push_front(value);
            } else if (op == 2) {
                deque.PopBack();
                if (!model.empty()) model.pop_back();
            } else if (op == 3) {
                ASSERT_EQ(deque.Insert(at, value), room && at <= model.size());
                if (room && at <= model.size()) model.insert(where, value);
            } else {
                ASSERT_EQ(deque.Erase(at), at < model.size());
                if (at < model.size()) model.erase(where);
            }
            std::deque<int> held;
            for (std::size_t i = 0; i < deque.Size(); ++i) held.push_back(deque.At(i));
            ASSERT_EQ(held, model) << "capacity " << capacity << " step " << step;
            ASSERT_TRUE(model.empty() || deque.Back() == model.back());
        }
    }
}

TEST(PathNodeHashTable, ChainsFindRemoveAndClear) {
    NodeHashTable table;
    for (const auto& [given, kept] : {std::pair{25, 24}, {7, 6}, {-3, 0}, {8, 8}}) {  // even, 0 ... 24
        table.Init(given);
        EXPECT_EQ(table.Bits(), kept);
    }
    NodeFactory pool;
    pool.Init(8);
    // (1, 2), (17, 2) and (1, 18) share a bucket of the 16 x 16 tiling; (3, 3) has its own.
    const int cells[][2] = {{1, 2}, {17, 2}, {1, 18}, {3, 3}};
    Node* nodes[4];
    for (int i = 0; i < 4; ++i) {
        nodes[i] = pool.Take();
        *nodes[i] = Node{nullptr, cells[i][0], cells[i][1], 0, 0, nullptr};
        ASSERT_TRUE(table.Insert(nodes[i]));
    }
    EXPECT_FALSE(table.Insert(nodes[1]));  // already in its chain
    const auto found = [&] {
        std::vector<Node*> all;
        for (const auto& cell : cells) all.push_back(table.Find(cell[0], cell[1]));
        return all;
    };
    EXPECT_EQ(found(), std::vector<Node*>(nodes, nodes + 4));
    EXPECT_TRUE(!table.Find(33, 2) && !table.Find(2, 1));  // absent: at a chain's end, x and y swapped

    ASSERT_EQ(table.Find(17, 2), nodes[1]);  // the middle of a chain
    table.RemoveFound();
    ASSERT_EQ(table.Find(1, 18), nodes[2]);
    table.RemoveFound();
    table.RemoveFound();  // nothing is remembered any more
    EXPECT_EQ(found(), (std::vector<Node*>{nodes[0], nullptr, nullptr, nodes[3]}));
    // An insert after a find makes the remembered place stale: the remove then does nothing.
    ASSERT_EQ(table.Find(1, 2), nodes[0]);
    ASSERT_TRUE(table.Insert(nodes[1]));
    table.RemoveFound();
    EXPECT_EQ(table.Count(), 3u);
    EXPECT_EQ(table.Find(1, 2), nodes[0]);
    // Clearing gives the pool one node back per node in the table.
    table.Clear(pool);
    EXPECT_EQ(table.Count(), 0u);
    EXPECT_EQ(pool.Used(), 1u);
    EXPECT_EQ(table.Find(1, 2), nullptr);
}

TEST(PathNodeFactory, HandsOutEachNodeOnceUntilEmpty) {
    NodeFactory pool;
    EXPECT_EQ(pool.Take(), nullptr);
    pool.Init(3);
    Node *a = pool.Take(), *b = pool.Take(), *c = pool.Take();
    ASSERT_TRUE(a && b && c && a != b && b != c);
    EXPECT_EQ(pool.Take(), nullptr);
    pool.Release();
    EXPECT_EQ(pool.Take(), c);  // releasing lowers the count: the last node comes out again
    for (int i = 0; i < 5; ++i) pool.Release();  // not below zero
    EXPECT_EQ(pool.Take(), a);
}

TEST(PathPlanner, CostsWeightsRunsResetDiagonalsAndLimits) {
    Grid row{3, 1, {1, 1, 1}};
    AStarPlanner planner;
    EXPECT_FALSE(planner.Search());  // nothing configured
    SearchRequest noCells = RequestFor(row, 0, 0, 1, 0, 0.5f);
    noCells.cells = nullptr;
    EXPECT_FALSE(planner.Configure(noCells));
    // Huge costs saturate to the largest float and tiny ones stay positive: the largest normalises to 2,
    // ordinary ones to 1; zero, negative and NaN are walls.
    Grid extreme{4, 2, {10, 1e-300, 0, -5, kNaN, 1e300, kInf, 15}};
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

    // A 1 x 6 corridor needs all six nodes and at most one open entry at a time; from the corner of an
    // open 3 x 3 grid the frontier needs more than one. Pool 0 means one node per cell.
    Grid corridor{6, 1, std::vector<double>(6, 1.0)};
    const struct {
        const Grid* grid;
        int pool, open;
        bool runs;
    } cases[] = {{&corridor, 6, 1, true}, {&corridor, 5, 0, false}, {&corridor, 0, 1, true},
                 {&corridor, 1, 1, false}, {&square, 0, 1, false}};
    for (const auto& c : cases) {
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
        const auto below = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
        const int sx = below(width), sy = below(height), gx = below(width), gy = below(height);
        if (sx == gx && sy == gy) continue;
        const double best = pathtest::PlainDijkstra(grid, costs, sx, sy, gx, gy).cost;
        reachable += best >= 0;

        for (float weight : {0.0f, 0.5f, 0.3f, 0.8f, 1.0f}) {
            SCOPED_TRACE(::testing::Message() << "round " << round << " weight " << weight);
            // The flat form, also renumbering its insertions every few dozen, matches the reference.
            AStarPlanner fast;
            AStarPlanner renumbered(static_cast<std::uint32_t>(round % 50));
            ListAStarPlanner listed;
            const auto run = [&](Planner& planner) {
                const Cells cells = Plan(planner, RequestFor(grid, sx, sy, gx, gy, weight));
                return std::tuple(cells, planner.ClosedCount(), planner.OpenCount(), planner.PathCost());
            };
            const auto result = run(fast);
            EXPECT_EQ(run(listed), result);
            EXPECT_EQ(run(renumbered), result);
            const Cells& path = std::get<0>(result);
            for (const Node *a = fast.Result(), *b = listed.Result(); a && b;
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
            // Never cheaper than the cheapest; up to 0.5 the priority never overestimates (a step costs at
            // least 1), so the path is a cheapest one.
            EXPECT_GE(cost, best * (1 - 1e-6));
            EXPECT_TRUE(weight > 0.5f || cost <= best * (1 + 1e-4)) << cost << " above " << best;
        }
    }
    EXPECT_GT(reachable, 150);
}

TEST(PathFindPath, HandDrawnMaps) {
    // Cost 9 normalises to 2 and cost 1 to 1 + 1/9. Along the top the goal costs 3 x 2 + 10/9 = 7.11;
    // along the bottom 6 x 10/9 = 6.67. A* and uniform cost go along the bottom; greedy search follows
    // the falling distance along the top. Weights are clamped to 1, NaN counts as 0.
    const std::vector<std::string> blend = {"S999G", "....."};
    const Cells bottom = {{0, 0}, {0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}, {4, 0}};
    const Cells top = {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}};
    const struct {
        std::vector<std::string> rows;
        double weight;
        Cells path;
    } cases[] = {
        {{"S.G"}, 0.5, {{0, 0}, {1, 0}, {2, 0}}},
        {{"S#...", ".#.#.", "...#G"},
         0.5,
         {{0, 0}, {0, 1}, {0, 2}, {1, 2}, {2, 2}, {2, 1}, {2, 0}, {3, 0}, {4, 0}, {4, 1}, {4, 2}}},
        {blend, 0, bottom}, {blend, 0.5, bottom}, {blend, 1, top}, {blend, 1e300, top}, {blend, kNaN, bottom},
        // Equal paths: right goes in before down with the same f and is expanded first; from the centre
        // the order is up, right, left, down; round a wall, right comes before left.
        {{"S.", ".G"}, 0.5, {{0, 0}, {1, 0}, {1, 1}}},
        {{"S.", ".G"}, 1, {{0, 0}, {1, 0}, {1, 1}}},
        {{"G..", ".S.", "..."}, 0.5, {{1, 1}, {1, 0}, {0, 0}}},
        {{".S.", ".#.", ".G."}, 0.5, {{1, 0}, {2, 0}, {2, 1}, {2, 2}, {1, 2}}},
        // The start's own cost is never used; a goal on a wall or walled in cannot be reached.
        {{"s.G", "..."}, 0.5, {{0, 0}, {1, 0}, {2, 0}}},
        {{"S.g"}, 0.5, {}},
        {{"S....", "..###", "..#G#", "..###"}, 0.5, {}},
    };
    for (const auto& c : cases) {
        Map map = Draw(c.rows);
        RtArray<double> path = MarkedPath();
        EXPECT_EQ(Find(map.costs, path, c.weight, map.sx, map.sy, map.gx, map.gy), c.path)
            << c.rows[0] << " weight " << c.weight;
    }
}

TEST(PathFindPath, CoordinatesTruncateAndThePathArrayIsRedimensioned) {
    RtArray<double> line, path;  // a second layer of walls: extra dimensions are ignored
    line.Dim(4, 1, 2);
    for (int x = 0; x < 4; ++x) line.ElementAt(x, 0, 0) = 1;
    path.Dim(1);  // too small for the path
    // (1.9, 0) is cell (1, 0); -0.5 truncates to 0; NaN is cell 0.
    EXPECT_EQ(Find(line, path, 0.5, 1.9, 0, 3.99, -0.5), (Cells{{1, 0}, {2, 0}, {3, 0}}));
    path.Dim(100, 3, 2);
    path.ElementAt(99, 2, 1) = 5;
    EXPECT_EQ(Find(line, path, 0.5, kNaN, kNaN, 2, 0), (Cells{{0, 0}, {1, 0}, {2, 0}}));
    // The map itself may receive the path: its costs are read before the path is written.
    EXPECT_EQ(Find(line, line, 0.5, 0, 0, 3, 0), (Cells{{0, 0}, {1, 0}, {2, 0}, {3, 0}}));
}

TEST(PathFindPath, InvalidRequestsLeaveThePathAlone) {
    Map map = Draw({"S..", "..G"});
    const RtArray<double> bare = Draw({"###", "###"}).costs, single = Draw({"."}).costs;  // bare: no cost
    RtArray<double> never, empty, negative, flat;
    empty.Dim(0, 0);
    negative.Dim(-3, 5);  // dimension 1 below 1: no elements
    flat.Dim(5);  // one dimension: height 0, every cell outside
    for (int i = 0; i < 5; ++i) flat.ElementAt(i) = 1;
    const struct {
        const RtArray<double>* map;
        double sx, sy, gx, gy;
    } cases[] = {
        {&map.costs, 0, 0, 0, 0}, {&map.costs, 0.7, 0, 0.2, 0},  // start equal to goal after truncation
        {&map.costs, -1, 0, 2, 1}, {&map.costs, 0, -1, 2, 1}, {&map.costs, 3, 0, 2, 1},
        {&map.costs, 0, 0, 2, 2},
        {&map.costs, 1e300, 0, 2, 1}, {&map.costs, 0, 0, -1e300, 1}, {&map.costs, 0, 0, kInf, 1},
        {&map.costs, kNaN, 0, 0, kNaN},  // both cell (0, 0)
        {&bare, 0, 0, 2, 1}, {&never, 0, 0, 1, 0}, {&empty, 0, 0, 0, 0}, {&negative, 0, 0, 0, 1},
        {&single, 0, 0, 0, 0}, {&single, 0, 0, 1, 0}, {&flat, 0, 0, 4, 0},
    };
    for (const auto& c : cases) {
        RtArray<double> path = MarkedPath();
        EXPECT_EQ(FindPath(*c.map, path, 0.5, c.sx, c.sy, c.gx, c.gy), 0)
            << &c - cases << ": " << c.sx << " " << c.sy << " " << c.gx << " " << c.gy;
        EXPECT_EQ(path.Dims(), (std::array<std::int32_t, 4>{3, 0, 0, 0}));
        EXPECT_EQ(path.ElementAt(2), 9);
    }
}

TEST(PathFindPath, ExhaustingALargeGridEndsWithoutAPath) {
    // Every cell but the walled-in goal's corner is reached and closed; pool and open list hold them all.
    RtArray<double> field, path = MarkedPath();
    field.Dim(300, 300);
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 300; ++x) {
            const bool wall = (x == 297 && y >= 297) || (y == 297 && x >= 297);
            field.ElementAt(x, y) = wall ? 0 : 1 + (x * 7 + y * 3) % 5;
        }
    }
    EXPECT_EQ(Find(field, path, 0.5, 0, 0, 299, 299), Cells{});
}
