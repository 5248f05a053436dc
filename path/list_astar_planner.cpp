// The reference form of the grid search: nodes from the pool, the sorted ring buffer and the hash table.
#include <cstdint>

#include "path/astar_planner.h"

namespace tarvok {

void ListAStarPlanner::InitLists(std::size_t poolCapacity, std::size_t openCapacity, int hashBits) {
    pool_.Init(poolCapacity);
    sets_.Init(openCapacity, hashBits, request_.width, request_.height);
}

void ListAStarPlanner::StartSearch() {
    if (!grid_) return;
    Reset();
    searchCount_ = 0;
    Node* start = pool_.Take();
    // Without a node or open-list room for the start the search cannot run: Search reports failure.
    if (!start) return;
    *start = Node{nullptr, request_.startX, request_.startY, 0.0f, 0.0f, nullptr};
    if (!sets_.InsertOpen(start)) return;
    finished_ = false;
}

bool ListAStarPlanner::Fail() {
    finished_ = true;
    result_ = nullptr;
    return false;
}

bool ListAStarPlanner::Search() {
    if (finished_) return false;
    ++searchCount_;
    const float k = request_.diagonalCost ? kDiagonalFactor : 1.0f;
    const std::int32_t goalX = request_.goalX;
    const std::int32_t goalY = request_.goalY;
    for (;;) {
        if (sets_.OpenEmpty()) {
            finished_ = true;
            return true;
        }
        Node* current = sets_.PopBest();
        if (current->x == goalX && current->y == goalY) {
            sets_.InsertClosed(current);
            finished_ = true;
            result_ = current;
            return true;
        }
        for (const Step& step : kSteps) {
            if (step.diagonal && !request_.diagonalMoves) continue;
            // Cells lie inside int32, so one step out of the grid is at most one past it: widen first.
            const std::int64_t wx = std::int64_t{current->x} + step.dx;
            const std::int64_t wy = std::int64_t{current->y} + step.dy;
            if (wx < 0 || wy < 0 || wx >= request_.width || wy >= request_.height) continue;
            const auto nx = static_cast<std::int32_t>(wx);
            const auto ny = static_cast<std::int32_t>(wy);
            const float cost = grid_[Index(nx, ny)];
            if (cost < 0) continue;
            const float g = StepG(cost, step.diagonal, k, current->g);
            const float f = Priority(nx, ny, goalX, goalY, g, request_.weight);
            const CellLookup known = sets_.Find(nx, ny);
            if (known.node && known.g <= g) continue;
            if (known.node && known.closed) {
                sets_.RemoveClosed(known.node);
                *known.node = Node{current, nx, ny, f, g, nullptr};
                if (!sets_.InsertOpen(known.node)) return Fail();
            } else if (known.node) {
                known.node->parent = current;
                known.node->f = f;
                known.node->g = g;
                sets_.UpdateOpen(known.node);
            } else {
                Node* fresh = pool_.Take();
                if (!fresh) return Fail();
                *fresh = Node{current, nx, ny, f, g, nullptr};
                if (!sets_.InsertOpen(fresh)) return Fail();
            }
        }
        sets_.InsertClosed(current);
    }
}

void ListAStarPlanner::Reset() {
    sets_.Clear(pool_);
    // Also takes back a node that a failed search left outside both lists.
    pool_.ReleaseAll();
    result_ = nullptr;
    finished_ = true;
}

}  // namespace tarvok
