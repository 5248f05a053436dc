// Configuration shared by the grid planners.
#include "path/planner.h"

#include <limits>

namespace tarvok {

namespace {

// A positive game cost as a float: huge values saturate instead of overflowing to infinity, and tiny
// ones stay positive, so the normalisation below never divides infinity or yields a zero-cost cell.
float PositiveCost(double c) {
    constexpr double kMax = std::numeric_limits<float>::max();
    constexpr double kMin = std::numeric_limits<float>::denorm_min();
    if (c > kMax) return std::numeric_limits<float>::max();
    if (c < kMin) return std::numeric_limits<float>::denorm_min();
    return static_cast<float>(c);
}

}  // namespace

bool Planner::Configure(const SearchRequest& request) {
    const auto inside = [&](std::int32_t x, std::int32_t y) {
        return x >= 0 && y >= 0 && x < request.width && y < request.height;
    };
    if (!inside(request.startX, request.startY) || !inside(request.goalX, request.goalY)) return false;
    if (request.startX == request.goalX && request.startY == request.goalY) return false;
    if (!request.cells) return false;
    const std::size_t cells =
        static_cast<std::size_t>(request.width) * static_cast<std::size_t>(request.height);
    if (cells > kMaxCells) return false;

    grid_.reset();
    request_ = SearchRequest{};
    result_ = nullptr;
    grid_ = std::make_unique_for_overwrite<float[]>(cells);
    float largest = 0;
    for (std::size_t i = 0; i < cells; ++i) {
        const double c = request.cells[i];
        grid_[i] = c > 0 ? PositiveCost(c) : -1.0f;
        if (grid_[i] > largest) largest = grid_[i];
    }
    if (largest <= 0) {
        grid_.reset();
        return false;
    }
    for (std::size_t i = 0; i < cells; ++i) {
        if (grid_[i] > 0) grid_[i] = grid_[i] / largest + 1.0f;
    }

    const auto capacityOr = [cells](std::int32_t n) { return n > 0 ? static_cast<std::size_t>(n) : cells; };
    request_ = request;
    pool_.Init(capacityOr(request.poolCapacity));
    InitLists(capacityOr(request.openCapacity), request.hashBits);
    // NaN counts as 0: a NaN weight would make every priority NaN and the open list unordered.
    if (!(request_.weight >= 0.0f)) request_.weight = 0.0f;
    if (request_.weight > 1.0f) request_.weight = 1.0f;
    searchCount_ = 0;
    finished_ = true;
    return true;
}

std::size_t Planner::PathLength() const {
    std::size_t length = 0;
    for (const Node* n = result_; n; n = n->parent) ++length;
    return length;
}

}  // namespace tarvok
