// FindPath with the game's arrays: hand-drawn maps whose paths are worked out by hand, the results
// without a path, bad input, the path array's dimensions, and grids that need every node.
#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "path/path.h"

namespace {

using Cells = std::vector<std::pair<int, int>>;
const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::nan("");

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
            const bool wall = c == '#' || c == 's' || c == 'g';
            map.costs.ElementAt(static_cast<int>(x), static_cast<int>(y)) = wall ? 0 : std::isdigit(c) ? c - '0' : 1;
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

// A path array holding three marked elements, to see whether FindPath left it alone.
RtArray<double> MarkedPath() {
    RtArray<double> path;
    path.Dim(3);
    path.ElementAt(0) = 7;
    path.ElementAt(2) = 9;
    return path;
}

}  // namespace

TEST(PathFindPath, HandDrawnMaps) {
    const std::vector<std::string> walls = {"S#...", ".#.#.", "...#G"};
    const Cells round = {{0, 0}, {0, 1}, {0, 2}, {1, 2}, {2, 2}, {2, 1},
                         {2, 0}, {3, 0}, {4, 0}, {4, 1}, {4, 2}};
    // Cost 9 normalises to 2 and cost 1 to 1 + 1/9. Along the top the goal costs 3 x 2 + 10/9 = 7.11;
    // along the bottom 6 x 10/9 = 6.67. A* and uniform cost go along the bottom; greedy search follows
    // the falling distance along the top. Weights are clamped to 0 ... 1, NaN counts as 0.
    const std::vector<std::string> blend = {"S999G", "....."};
    const Cells bottom = {{0, 0}, {0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}, {4, 0}};
    const Cells top = {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}};
    const struct {
        std::vector<std::string> rows;
        double weight;
        Cells path;
    } cases[] = {
        {{"S.G"}, 0.5, {{0, 0}, {1, 0}, {2, 0}}},
        {walls, 0.5, round}, {blend, 0, bottom}, {blend, 0.5, bottom}, {blend, 1, top},
        {blend, 1e300, top}, {blend, -3, bottom}, {blend, kNaN, bottom},
        // Equal paths: from (0, 0) the right neighbour goes in before the lower one with the same f and
        // is expanded first; from the centre the order is up, right, left, down; round a wall, right
        // comes before left.
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
    Map line = Draw({"...."});
    RtArray<double> path;
    path.Dim(1);  // too small for the path
    // (1.9, 0) is cell (1, 0); -0.5 truncates to 0; NaN is cell 0.
    EXPECT_EQ(Find(line.costs, path, 0.5, 1.9, 0, 3.99, -0.5), (Cells{{1, 0}, {2, 0}, {3, 0}}));
    path.Dim(100, 3, 2);
    path.ElementAt(99, 2, 1) = 5;
    EXPECT_EQ(Find(line.costs, path, 0.5, kNaN, kNaN, 2, 0), (Cells{{0, 0}, {1, 0}, {2, 0}}));
    // The map itself may receive the path: its costs are read before the path is written.
    EXPECT_EQ(Find(line.costs, line.costs, 0.5, 0, 0, 3, 0), (Cells{{0, 0}, {1, 0}, {2, 0}, {3, 0}}));
}

TEST(PathFindPath, InvalidRequestsLeaveThePathAlone) {
    Map map = Draw({"S..", "..G"});
    RtArray<double> bare;  // no positive cost anywhere (walls, negative, NaN)
    bare.Dim(3, 2);
    bare.ElementAt(1, 0) = -4;
    bare.ElementAt(2, 1) = kNaN;
    RtArray<double> never, empty, negative, single, flat;
    empty.Dim(0, 0);
    negative.Dim(-3, 5);  // dimension 1 below 1: no elements
    single.Dim(1, 1);
    single.ElementAt(0, 0) = 1;
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
        EXPECT_EQ(path.ElementAt(0), 7);
        EXPECT_EQ(path.ElementAt(2), 9);
    }
    // Extra dimensions are ignored: the first layer is the grid.
    RtArray<double> layered, path;
    layered.Dim(3, 1, 2);
    for (int x = 0; x < 3; ++x) layered.ElementAt(x, 0, 0) = 1;
    EXPECT_EQ(FindPath(layered, path, 0.5, 0, 0, 2, 0), 3);
}

TEST(PathFindPath, UsesEveryNodeOfTheGrid) {
    // A 1 x 2000 corridor: the path takes every cell, so all width x height nodes of the pool.
    RtArray<double> corridor, path;
    corridor.Dim(1, 2000);
    for (int y = 0; y < 2000; ++y) corridor.ElementAt(0, y) = 1 + y % 7;
    EXPECT_EQ(FindPath(corridor, path, 0, 0, 0, 0, 1999), 2000);
    EXPECT_EQ(path.ElementAt(1999, 1), 1999);
    // Exhausting a large open grid without reaching the walled-in goal closes every cell: no path.
    RtArray<double> field;
    field.Dim(300, 300);
    for (int y = 0; y < 300; ++y) {
        for (int x = 0; x < 300; ++x) {
            field.ElementAt(x, y) = (x == 297 && y >= 297) || (y == 297 && x >= 297) ? 0 : 1 + (x * 7 + y * 3) % 5;
        }
    }
    path = MarkedPath();
    EXPECT_EQ(Find(field, path, 0.5, 0, 0, 299, 299), Cells{});
}
