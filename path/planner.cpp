// Configuration shared by the grid planners.
#include "path/planner.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <limits>

namespace tarvok {

namespace {

// The grid loops choose per cell without branches: walls lie at random, so a branch would often be
// mispredicted, and a large grid is converted on every search.

// a when condition holds, else b.
float Select(bool condition, float a, float b) {
    const std::uint32_t mask = 0u - static_cast<std::uint32_t>(condition);
    return std::bit_cast<float>((std::bit_cast<std::uint32_t>(a) & mask) |
                                (std::bit_cast<std::uint32_t>(b) & ~mask));
}

// Bits of the doubles that bound a positive cost: the float range, tiny values kept above 0.
constexpr std::int64_t kLeastCostBits =
    std::bit_cast<std::int64_t>(double{std::numeric_limits<float>::denorm_min()});
constexpr std::int64_t kMostCostBits = std::bit_cast<std::int64_t>(double{std::numeric_limits<float>::max()});

// A game cost as a float: -1 (wall) for 0 or less and NaN. Positive costs above the float range saturate
// instead of becoming infinity, and tiny ones stay positive, so the normalisation never divides infinity
// and never makes a cell free. Positive doubles order like their bits read as integers, so the clamp
// works on the bits; other values clamp to something in range that the wall choice then discards.
float CellCostOf(double c) {
    const std::int64_t clamped = std::clamp(std::bit_cast<std::int64_t>(c), kLeastCostBits, kMostCostBits);
    return Select(c > 0, static_cast<float>(std::bit_cast<double>(clamped)), -1.0f);
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
        grid_[i] = CellCostOf(request.cells[i]);
        largest = std::max(largest, grid_[i]);
    }
    if (largest <= 0) {
        grid_.reset();
        return false;
    }
    for (std::size_t i = 0; i < cells; ++i) {
        const float c = grid_[i];
        grid_[i] = Select(c > 0, c / largest + 1.0f, c);
    }

    const auto capacityOr = [cells](std::int32_t n) { return n > 0 ? static_cast<std::size_t>(n) : cells; };
    request_ = request;
    InitLists(capacityOr(request.poolCapacity), capacityOr(request.openCapacity), request.hashBits);
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
