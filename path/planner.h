// Planner: the state every grid planner shares, and the request that configures it.
//
// Configure copies the game's cost grid into floats normalised into (1, 2] (walls -1) and sizes the
// node pool, open list and closed set; StartSearch seeds the open list with the start cell; Search runs
// to the goal or to exhaustion; Reset gives every node back to the pool.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "path/node.h"

namespace tarvok {

// What to search: copied into the planner by Configure.
struct SearchRequest {
    std::int32_t startX = 0;          // start cell
    std::int32_t startY = 0;
    std::int32_t goalX = 0;           // goal cell
    std::int32_t goalY = 0;
    bool diagonalCost = false;        // diagonal steps cost sqrt(2) times the cell cost
    bool diagonalMoves = false;       // the four diagonal neighbours are searched
    std::int32_t poolCapacity = 0;    // nodes in the pool; 0 or less means width x height
    std::int32_t openCapacity = 0;    // room in the open list; 0 or less means width x height
    std::int32_t hashBits = 0;        // bits of the closed set (even, at most 24)
    float weight = 0;                 // 0 uniform cost, 0.5 A*, 1 greedy; clamped to 0 ... 1
    std::int32_t width = 0;           // grid size
    std::int32_t height = 0;
    const double* cells = nullptr;    // width x height costs, cell (x, y) at y x width + x
};

class Planner {
public:
    Planner() = default;
    Planner(const Planner&) = delete;
    Planner& operator=(const Planner&) = delete;
    virtual ~Planner() = default;

    // Seeds the open list with the start cell (nothing without a configured grid).
    virtual void StartSearch() = 0;
    // Runs the search to its end: true when it ended (with or without a result), false when it could
    // not run (not started, or out of nodes or open-list room).
    virtual bool Search() = 0;
    // Gives every node back to the pool; the configuration stays.
    virtual void Reset() = 0;
    virtual std::size_t OpenCount() const = 0;
    virtual std::size_t ClosedCount() const = 0;

    // Largest grid: what a game array can hold (its element count fits in an int32).
    static constexpr std::size_t kMaxCells = 0x7FFFFFFF;

    // Takes the request; false when start or goal lies outside the grid, they are the same cell, no
    // cell has a positive cost, or the grid has more than kMaxCells cells.
    bool Configure(const SearchRequest& request);

    // g of the result, -1 without a result.
    float PathCost() const { return result_ ? result_->g : -1.0f; }
    // Nodes from the result back to the start, 0 without a result.
    std::size_t PathLength() const;
    // The goal node of the last search, or null.
    const Node* Result() const { return result_; }
    bool Finished() const { return finished_; }
    std::int32_t SearchCount() const { return searchCount_; }
    const SearchRequest& Request() const { return request_; }
    // Normalised cost of a cell of the configured grid: -1 for a wall.
    float CellCost(std::int32_t x, std::int32_t y) const { return grid_[Index(x, y)]; }

protected:
    // Sizes the node pool, the open list and the closed set for the configured grid.
    virtual void InitLists(std::size_t poolCapacity, std::size_t openCapacity, int hashBits) = 0;

    std::size_t Index(std::int32_t x, std::int32_t y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(request_.width) +
               static_cast<std::size_t>(x);
    }
    bool Inside(std::int32_t x, std::int32_t y) const {
        return x >= 0 && y >= 0 && x < request_.width && y < request_.height;
    }

    bool finished_ = true;
    SearchRequest request_;
    std::unique_ptr<float[]> grid_;
    std::int32_t searchCount_ = 0;
    Node* result_ = nullptr;
};

}  // namespace tarvok
