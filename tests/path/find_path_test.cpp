// FindPath with the game's arrays: hand-drawn maps whose paths are worked out by hand, the results
// without a path, and bad input.
#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "path/path.h"

namespace {

using Cells = std::vector<std::pair<int, int>>;

// Rows top (y = 0) to bottom; '#' is a wall (cost 0), '.' cost 1, a digit its cost, 'S' and 'G' cost 1.
struct Map {
    RtArray<double> costs;
    int sx = -1, sy = -1, gx = -1, gy = -1;
};

Map Draw(const std::vector<std::string>& rows) {
    Map map;
    const auto width = static_cast<int>(rows[0].size());
    const auto height = static_cast<int>(rows.size());
    map.costs.Dim(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const char c = rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
            double cost = 1;
            if (c == '#') cost = 0;
            if (c >= '0' && c <= '9') cost = c - '0';
            if (c == 'S') map.sx = x, map.sy = y;
            if (c == 'G') map.gx = x, map.gy = y;
            map.costs.ElementAt(x, y) = cost;
        }
    }
    return map;
}

Cells PathCells(const RtArray<double>& path) {
    const auto dims = path.Dims();
    EXPECT_EQ(dims[1], 2);
    EXPECT_EQ(dims[2], 0);
    EXPECT_EQ(dims[3], 0);
    Cells cells;
    for (int i = 0; i < dims[0]; ++i) {
        cells.push_back({static_cast<int>(path.ElementAt(i, 0)), static_cast<int>(path.ElementAt(i, 1))});
    }
    return cells;
}

Cells Find(Map& map, double weight = 0.5) {
    RtArray<double> path;
    const double count = FindPath(map.costs, path, weight, map.sx, map.sy, map.gx, map.gy);
    const Cells cells = PathCells(path);
    EXPECT_EQ(count, static_cast<double>(cells.size()));
    return cells;
}

// A path array holding three marked elements, to see whether FindPath left it alone.
RtArray<double> MarkedPath() {
    RtArray<double> path;
    path.Dim(3);
    path.ElementAt(0) = 7;
    path.ElementAt(1) = 8;
    path.ElementAt(2) = 9;
    return path;
}

void ExpectUnchanged(const RtArray<double>& path) {
    EXPECT_EQ(path.Dims(), (std::array<std::int32_t, 4>{3, 0, 0, 0}));
    EXPECT_EQ(path.ElementAt(0), 7);
    EXPECT_EQ(path.ElementAt(2), 9);
}

void ExpectNoElements(const RtArray<double>& path) {
    EXPECT_EQ(path.Dims(), (std::array<std::int32_t, 4>{0, 0, 0, 0}));
    EXPECT_EQ(path.Count(), 0);
}

}  // namespace

TEST(PathFindPath, StraightLinesAndTruncatedCoordinates) {
    Map row = Draw({"S.G"});
    EXPECT_EQ(Find(row), (Cells{{0, 0}, {1, 0}, {2, 0}}));

    Map column = Draw({"S", ".", ".", ".", "G"});
    EXPECT_EQ(Find(column), (Cells{{0, 0}, {0, 1}, {0, 2}, {0, 3}, {0, 4}}));

    // Start (1.9, 0) is cell (1, 0); -0.5 truncates to 0.
    Map line = Draw({"....."});
    RtArray<double> path;
    EXPECT_EQ(FindPath(line.costs, path, 0.5, 1.9, 0, 3.99, -0.5), 3);
    EXPECT_EQ(PathCells(path), (Cells{{1, 0}, {2, 0}, {3, 0}}));
    // A NaN coordinate is cell 0.
    EXPECT_EQ(FindPath(line.costs, path, 0.5, std::nan(""), std::nan(""), 2, 0), 3);
    EXPECT_EQ(PathCells(path), (Cells{{0, 0}, {1, 0}, {2, 0}}));
}

TEST(PathFindPath, GoesAroundWalls) {
    Map map = Draw({
        "S#...",
        ".#.#.",
        "...#G",
    });
    EXPECT_EQ(Find(map), (Cells{{0, 0}, {0, 1}, {0, 2}, {1, 2}, {2, 2}, {2, 1}, {2, 0}, {3, 0}, {4, 0},
                                {4, 1}, {4, 2}}));
    // Every weight finds the only way.
    EXPECT_EQ(Find(map, 0).size(), 11u);
    EXPECT_EQ(Find(map, 1).size(), 11u);
}

TEST(PathFindPath, TakesTheCheaperCorridor) {
    // Two corridors from S to G, n cells apart: the upper one straight through n cells of cost 20, the
    // lower one, all cost 10, around a wall. With the largest cost 20 they normalise to 2 and 1.5:
    // the upper path costs 2n + 1.5 (its last cell is G), the lower one enters n + 5 cells, 1.5n + 7.5.
    // The detour wins only when its saving exceeds its extra steps: n = 11 goes straight (23.5 < 24),
    // n = 13 goes round (27 < 27.5).
    const auto corridors = [](int n) {
        RtArray<double> map;
        map.Dim(n + 2, 3);
        for (int x = 0; x < n + 2; ++x) {
            const bool end = x == 0 || x == n + 1;
            map.ElementAt(x, 0) = end ? 10 : 20;
            map.ElementAt(x, 1) = end ? 10 : 0;
            map.ElementAt(x, 2) = 10;
        }
        return map;
    };
    for (int n : {11, 13}) {
        const RtArray<double> map = corridors(n);
        Cells expected;
        if (n == 11) {
            for (int x = 0; x <= n + 1; ++x) expected.push_back({x, 0});
        } else {
            expected = {{0, 0}, {0, 1}};
            for (int x = 0; x <= n + 1; ++x) expected.push_back({x, 2});
            expected.push_back({n + 1, 1});
            expected.push_back({n + 1, 0});
        }
        for (double weight : {0.0, 0.5}) {
            RtArray<double> path;
            EXPECT_EQ(FindPath(map, path, weight, 0, 0, n + 1, 0), static_cast<double>(expected.size()));
            EXPECT_EQ(PathCells(path), expected) << "n " << n << " weight " << weight;
        }
    }
}

TEST(PathFindPath, WeightBlendsCostAndDistance) {
    // Cost 9 normalises to 2 and cost 1 to 1 + 1/9. Along the top the goal costs 3 x 2 + 10/9 = 7.11;
    // along the bottom 6 x 10/9 = 6.67. A* (and uniform cost) go along the bottom; greedy search
    // follows the falling distance straight along the top.
    Map map = Draw({
        "S999G",
        ".....",
    });
    const Cells bottom = {{0, 0}, {0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}, {4, 0}};
    const Cells top = {{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}};
    EXPECT_EQ(Find(map, 0), bottom);
    EXPECT_EQ(Find(map, 0.5), bottom);
    EXPECT_EQ(Find(map, 1), top);
    // Weights are clamped to 0 ... 1; NaN counts as 0.
    EXPECT_EQ(Find(map, 7), top);
    EXPECT_EQ(Find(map, 1e300), top);
    EXPECT_EQ(Find(map, -3), bottom);
    EXPECT_EQ(Find(map, std::nan("")), bottom);
}

TEST(PathFindPath, EqualPathsResolveByNeighbourOrderAndInsertionOrder) {
    // All cells cost 2 after normalisation. From (0, 0) the right neighbour (1, 0) is inserted before
    // the lower one (0, 1) with the same f = 1.5; the one inserted first is expanded first, and it
    // reaches the goal first.
    Map square = Draw({"S.", ".G"});
    EXPECT_EQ(Find(square), (Cells{{0, 0}, {1, 0}, {1, 1}}));
    // From the centre the neighbours go in as up, right, left, down; up (1, 0) and left (0, 1) share
    // f = 1.5, and up came first.
    Map ring = Draw({"G..", ".S.", "..."});
    EXPECT_EQ(Find(ring), (Cells{{1, 1}, {1, 0}, {0, 0}}));
    // Greedy search breaks ties the same way: right before down.
    EXPECT_EQ(Find(square, 1), (Cells{{0, 0}, {1, 0}, {1, 1}}));
    // Round a wall with the goal straight below: the right neighbour is visited before the left one, so
    // with equal f it is expanded first and the path goes round on the right.
    Map wall = Draw({".S.", ".#.", ".G."});
    EXPECT_EQ(Find(wall), (Cells{{1, 0}, {2, 0}, {2, 1}, {2, 2}, {1, 2}}));
}

TEST(PathFindPath, WallsAtStartOrGoal) {
    // The start's own cost is never used, so a start on a wall still finds its way out.
    Map fromWall = Draw({"#..", "..."});
    RtArray<double> path;
    EXPECT_EQ(FindPath(fromWall.costs, path, 0.5, 0, 0, 2, 0), 3);
    EXPECT_EQ(PathCells(path), (Cells{{0, 0}, {1, 0}, {2, 0}}));

    // A goal on a wall, or walled in, cannot be reached: 0 and a path array without elements.
    Map toWall = Draw({"S.#"});
    path = MarkedPath();
    EXPECT_EQ(FindPath(toWall.costs, path, 0.5, 0, 0, 2, 0), 0);
    ExpectNoElements(path);

    Map enclosed = Draw({
        "S....",
        "..###",
        "..#G#",
        "..###",
    });
    path = MarkedPath();
    EXPECT_EQ(FindPath(enclosed.costs, path, 0.5, enclosed.sx, enclosed.sy, enclosed.gx, enclosed.gy), 0);
    ExpectNoElements(path);
}

TEST(PathFindPath, InvalidRequestsLeaveThePathAlone) {
    Map map = Draw({"S..", "..G"});
    const double outside[][4] = {
        {0, 0, 0, 0},                           // start equal to goal
        {0.7, 0, 0.2, 0},                       // the same cell after truncation
        {-1, 0, 2, 1},   {0, -1, 2, 1}, {3, 0, 2, 1}, {0, 0, 2, 2},  // outside the grid
        {1e300, 0, 2, 1}, {0, 0, -1e300, 1},    // saturate far outside
        {0, 0, std::numeric_limits<double>::infinity(), 1},
        {std::nan(""), 0, 0, std::nan("")},     // both cell (0, 0)
    };
    for (const auto& c : outside) {
        RtArray<double> path = MarkedPath();
        EXPECT_EQ(FindPath(map.costs, path, 0.5, c[0], c[1], c[2], c[3]), 0) << c[0] << " " << c[1] << " "
                                                                           << c[2] << " " << c[3];
        ExpectUnchanged(path);
    }

    // No positive cost anywhere (walls, negative, NaN): invalid too.
    RtArray<double> bare;
    bare.Dim(3, 2);
    bare.ElementAt(1, 0) = -4;
    bare.ElementAt(2, 1) = std::nan("");
    RtArray<double> path = MarkedPath();
    EXPECT_EQ(FindPath(bare, path, 0.5, 0, 0, 2, 1), 0);
    ExpectUnchanged(path);
}

TEST(PathFindPath, DegenerateMapArrays) {
    RtArray<double> path = MarkedPath();
    RtArray<double> never;  // never dimensioned
    EXPECT_EQ(FindPath(never, path, 0.5, 0, 0, 1, 0), 0);
    RtArray<double> empty;
    empty.Dim(0, 0);
    EXPECT_EQ(FindPath(empty, path, 0.5, 0, 0, 0, 0), 0);
    RtArray<double> negative;
    negative.Dim(-3, 5);  // dimension 1 below 1: no elements
    EXPECT_EQ(FindPath(negative, path, 0.5, 0, 0, 0, 1), 0);
    RtArray<double> single;
    single.Dim(1, 1);
    single.ElementAt(0, 0) = 1;
    EXPECT_EQ(FindPath(single, path, 0.5, 0, 0, 0, 0), 0);
    EXPECT_EQ(FindPath(single, path, 0.5, 0, 0, 1, 0), 0);
    // A one-dimensional array has height 0: every cell lies outside.
    RtArray<double> flat;
    flat.Dim(5);
    for (int i = 0; i < 5; ++i) flat.ElementAt(i) = 1;
    EXPECT_EQ(FindPath(flat, path, 0.5, 0, 0, 4, 0), 0);
    ExpectUnchanged(path);

    // Extra dimensions are ignored: the first layer is the grid.
    RtArray<double> layered;
    layered.Dim(3, 1, 2);
    for (int x = 0; x < 3; ++x) layered.ElementAt(x, 0, 0) = 1;
    EXPECT_EQ(FindPath(layered, path, 0.5, 0, 0, 2, 0), 3);
}

TEST(PathFindPath, ExtremeCostsStayOrdered) {
    // Infinite and huge costs count as the largest; all ordinary ones then normalise to about 1. The top
    // enters three dear cells (2 each) and the goal: 7; the bottom six cheap ones: 6.
    Map map = Draw({
        "S...G",
        ".....",
    });
    map.costs.ElementAt(1, 0) = std::numeric_limits<double>::infinity();
    map.costs.ElementAt(2, 0) = 1e300;
    map.costs.ElementAt(3, 0) = std::numeric_limits<double>::max();
    EXPECT_EQ(Find(map), (Cells{{0, 0}, {0, 1}, {1, 1}, {2, 1}, {3, 1}, {4, 1}, {4, 0}}));

    // A tiny positive cost is passable, not a wall.
    Map tiny = Draw({"S.G"});
    tiny.costs.ElementAt(1, 0) = 1e-300;
    EXPECT_EQ(Find(tiny), (Cells{{0, 0}, {1, 0}, {2, 0}}));
}

TEST(PathFindPath, PathArrayIsRedimensionedWhateverItHeld) {
    Map map = Draw({"S..G"});
    RtArray<double> path;
    path.Dim(1);  // too small for the path
    EXPECT_EQ(FindPath(map.costs, path, 0.5, 0, 0, 3, 0), 4);
    EXPECT_EQ(PathCells(path), (Cells{{0, 0}, {1, 0}, {2, 0}, {3, 0}}));
    path.Dim(100, 3, 2);
    path.ElementAt(99, 2, 1) = 5;
    EXPECT_EQ(FindPath(map.costs, path, 0.5, 0, 0, 3, 0), 4);
    EXPECT_EQ(PathCells(path), (Cells{{0, 0}, {1, 0}, {2, 0}, {3, 0}}));

    // The map itself may receive the path: its costs are read before the path is written.
    EXPECT_EQ(FindPath(map.costs, map.costs, 0.5, 0, 0, 3, 0), 4);
    EXPECT_EQ(PathCells(map.costs), (Cells{{0, 0}, {1, 0}, {2, 0}, {3, 0}}));
}

TEST(PathFindPath, UsesEveryNodeOfTheGrid) {
    // A 1 x 2000 corridor: the path takes every cell, so all width x height nodes of the pool.
    RtArray<double> corridor;
    corridor.Dim(1, 2000);
    for (int y = 0; y < 2000; ++y) corridor.ElementAt(0, y) = 1 + y % 7;
    RtArray<double> path;
    EXPECT_EQ(FindPath(corridor, path, 0, 0, 0, 0, 1999), 2000);
    EXPECT_EQ(path.ElementAt(1999, 1), 1999);

    // A serpentine through a 41 x 41 grid: the path visits every open cell.
    const int side = 41;
    RtArray<double> maze;
    maze.Dim(side, side);
    int open = 0;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const bool gap = (y % 4 == 1 && x == side - 1) || (y % 4 == 3 && x == 0);
            const bool passable = y % 2 == 0 || gap;
            maze.ElementAt(x, y) = passable ? 1 : 0;
            open += passable;
        }
    }
    for (double weight : {0.0, 0.5, 1.0}) {
        EXPECT_EQ(FindPath(maze, path, weight, 0, 0, side - 1, side - 1), open);
        // Every step moves to an edge neighbour.
        for (int i = 1; i < open; ++i) {
            const double dx = std::fabs(path.ElementAt(i, 0) - path.ElementAt(i - 1, 0));
            const double dy = std::fabs(path.ElementAt(i, 1) - path.ElementAt(i - 1, 1));
            ASSERT_EQ(dx + dy, 1) << "step " << i;
        }
    }

    // Exhausting a large open grid without reaching the goal: every cell is closed, no path.
    RtArray<double> field;
    field.Dim(300, 300);
    for (int y = 0; y < 300; ++y)
        for (int x = 0; x < 300; ++x) field.ElementAt(x, y) = 1 + (x * 7 + y * 3) % 5;
    for (int x = 297; x < 300; ++x) field.ElementAt(x, 297) = 0;
    for (int y = 297; y < 300; ++y) field.ElementAt(297, y) = 0;
    path = MarkedPath();
    EXPECT_EQ(FindPath(field, path, 0.5, 0, 0, 299, 299), 0);
    ExpectNoElements(path);
}
