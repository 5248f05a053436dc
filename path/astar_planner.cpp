// The grid search, over either form of the open list and closed set.
#include "path/astar_planner.h"

#include <cstdint>
#include <cstdlib>

namespace tarvok {

namespace {

struct Step {
    std::int32_t dx;
    std::int32_t dy;
    bool diagonal;
};

// Neighbours in the order they are visited; the order decides which of equal paths is found.
constexpr Step kSteps[] = {
    {-1, -1, true}, {0, -1, false}, {1, -1, true}, {1, 0, false},
    {-1, 0, false}, {-1, 1, true},  {0, 1, false}, {1, 1, true},
};

}  // namespace

template <class Sets>
void BasicAStarPlanner<Sets>::InitLists(std::size_t openCapacity, int hashBits) {
    sets_.Init(openCapacity, hashBits, request_.width, request_.height);
}

template <class Sets>
void BasicAStarPlanner<Sets>::StartSearch() {
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

template <class Sets>
bool BasicAStarPlanner<Sets>::Fail() {
    finished_ = true;
    result_ = nullptr;
    return false;
}

template <class Sets>
bool BasicAStarPlanner<Sets>::Search() {
    if (finished_) return false;
    ++searchCount_;
    const float k = request_.diagonalCost ? kDiagonalFactor : 1.0f;
    const float weight = request_.weight;
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
            const float g = cost * (step.diagonal ? k : 1.0f) + current->g;
            const auto h = static_cast<float>(std::llabs(std::int64_t{goalX} - nx) +
                                              std::llabs(std::int64_t{goalY} - ny));
            const float f = (h - g) * weight + g;
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

template <class Sets>
void BasicAStarPlanner<Sets>::Reset() {
    sets_.Clear(pool_);
    // Also takes back a node that a failed search left outside both lists.
    pool_.ReleaseAll();
    result_ = nullptr;
    finished_ = true;
}

template class BasicAStarPlanner<HeapSearchSets>;
template class BasicAStarPlanner<ListSearchSets>;

}  // namespace tarvok
