// Path planning commands: A* search over a grid of costs that the game keeps in a number array.
#pragma once

#include "runtime/rt_array.h"

// ---- Path planning ----

// Cheapest-first path over map (element [x][y] = cost of entering cell (x, y); 0 or less is a wall) from
// the start to the goal cell, moving between edge neighbours. weight 0 is uniform-cost search, 0.5 A*,
// 1 greedy (clamped to 0 ... 1; NaN is 0); coordinates are truncated toward zero. Dims path to
// count x 2 with [i][0] = x and [i][1] = y from the start (0) to the goal (count - 1) and returns count.
// Start or goal outside the map, start equal to goal, or no positive cost: 0, path unchanged.
// Goal unreachable (or a wall): 0, path dimensioned to no elements.
double FindPath(const RtArray<double>& map, RtArray<double>& path, double weight, double startX,
                double startY, double goalX, double goalY);  // cheapest path of cells into path; its length
