// FindPath: the game's arrays in and out of the grid planner.
#include "path/path.h"

#include <cstdint>

#include "path/astar_planner.h"
#include "runtime/number_args.h"

double FindPath(const RtArray<double>& map, RtArray<double>& path, double weight, double startX,
                double startY, double goalX, double goalY) {
    // Clamp as a double: a huge weight must not reach the float conversion, and NaN would order nothing.
    if (!(weight >= 0.0)) weight = 0.0;
    if (weight > 1.0) weight = 1.0;

    const auto dims = map.Dims();
    tarvok::SearchRequest request;
    request.startX = tarvok::ToInt(startX);
    request.startY = tarvok::ToInt(startY);
    request.goalX = tarvok::ToInt(goalX);
    request.goalY = tarvok::ToInt(goalY);
    // Diagonal cost is on but diagonal moves are off, so the sqrt(2) factor never applies.
    request.diagonalCost = true;
    request.diagonalMoves = false;
    request.poolCapacity = 0;
    request.openCapacity = 0;
    request.hashBits = 8;
    request.weight = static_cast<float>(weight);
    request.width = dims[0];
    request.height = dims[1];
    request.cells = map.Data();

    tarvok::AStarPlanner planner;
    if (!planner.Configure(request)) return 0;
    planner.StartSearch();
    if (!planner.Search()) {
        planner.Reset();
        return 0;
    }
    // A path visits each cell once, so its length is below the map's element count (an int32).
    const auto count = static_cast<std::int32_t>(planner.PathLength());
    if (count == 0) {
        path.Dim(0, 0, 0, 0);
        return 0;
    }
    path.Dim(count, 2, 0, 0);
    std::int32_t i = count;
    for (const tarvok::Node* node = planner.Result(); node; node = node->parent) {
        --i;
        path.ElementAt(i, 0) = node->x;
        path.ElementAt(i, 1) = node->y;
    }
    planner.Reset();
    return path.Dims()[0];
}
