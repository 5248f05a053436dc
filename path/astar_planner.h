// AStarPlanner: weighted best-first search over the cost grid.
//
// The priority of a node is f = (h - g) x weight + g, with g its cost from the start and h the
// Manhattan distance to the goal: weight 0 is uniform-cost search, 0.5 ranks like g + h (A*), 1 is
// greedy. The lowest f is expanded first; among equal f the node inserted first.
//
// AStarPlanner keeps its state in flat arrays indexed by cell and a binary heap ordered by (f, insertion
// number); ListAStarPlanner uses the node pool, the sorted ring buffer and the hash table, and serves as
// the reference that AStarPlanner is checked and measured against: both expand the same nodes in the
// same order and find the same path.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "path/planner.h"
#include "path/search_sets.h"
#include "path/search_step.h"

namespace tarvok {

class ListAStarPlanner final : public Planner {
public:
    void StartSearch() override;
    bool Search() override;
    void Reset() override;
    std::size_t OpenCount() const override { return sets_.OpenCount(); }
    std::size_t ClosedCount() const override { return sets_.ClosedCount(); }

private:
    void InitLists(std::size_t poolCapacity, std::size_t openCapacity, int hashBits) override;
    // Ends a search that ran out of nodes or open-list room: no result.
    bool Fail();

    NodeFactory pool_;
    ListSearchSets sets_;
};

class AStarPlanner final : public Planner {
public:
    // lastOrder: the insertion number after which the open entries are numbered anew (tests lower it).
    explicit AStarPlanner(std::uint32_t lastOrder = 0xFFFFFFFF) : lastOrder_(lastOrder) {}

    void StartSearch() override;
    bool Search() override;
    void Reset() override;
    std::size_t OpenCount() const override { return openCount_; }
    std::size_t ClosedCount() const override { return closedCount_; }

private:
    struct FreeDeleter {
        void operator()(void* block) const { std::free(block); }
    };
    // One cell: its cost and its node. Everything a step looks at lies in one record.
    struct CellNode {
        float cost;           // normalised cost of entering the cell, -1 for a wall
        float g;              // cost from the start, while the cell has a node
        std::uint32_t order;  // insertion number of its heap entry while open
        std::uint32_t
            link;  // 0: no node; else the parent cell + 1 (the start: itself), kClosedBit when closed
    };
    static constexpr std::uint32_t kClosedBit = 0x80000000u;  // cells are below 2^31 - 1, so link fits
    static bool IsOpen(const CellNode& node) { return node.link != 0 && !(node.link & kClosedBit); }
    static std::uint32_t ParentOf(const CellNode& node) { return (node.link & ~kClosedBit) - 1; }
    // A heap entry. An entry whose cell is no longer open under the same insertion number is stale (the
    // node was improved and inserted again, or closed) and is dropped when it comes to the top.
    struct Entry {
        std::uint64_t key;  // f's bits above the insertion number: f first, then first come first
        std::int32_t x;
        std::int32_t y;
    };

    void InitLists(std::size_t poolCapacity, std::size_t openCapacity, int hashBits) override;
    bool Fail();
    // Opens the cell's node (new, or again) with a fresh insertion number; false when the open list is full.
    bool Open(std::int32_t x, std::int32_t y, std::uint32_t cell, float f);
    void Push(const Entry& entry);
    Entry Pop();
    void SiftUp(std::size_t position, const Entry& entry);  // entry rises from position to its place
    // Numbers the live entries 0 ... n - 1 in heap order and drops the stale ones.
    void Renumber();
    // Empties the open list, the path and the counts (the cells are cleared by the caller).
    void ForgetSearch();
    // Builds the nodes from the start to the goal cell for Result().
    void BuildPath(std::uint32_t goal);

    std::uint32_t Cell(std::int32_t x, std::int32_t y) const {
        return static_cast<std::uint32_t>(Index(x, y));
    }
    static std::uint32_t OrderOf(std::uint64_t key) { return static_cast<std::uint32_t>(key); }

    // Priorities are never negative (f = (h - g) x weight + g with h, g >= 0 and weight in 0 ... 1), and
    // the bits of non-negative floats order like the floats: so f and the insertion number make one key.
    std::uint32_t lastOrder_;
    std::uint64_t nextOrder_ = 0;
    std::unique_ptr<CellNode[], FreeDeleter> cells_;
    std::size_t cellCount_ = 0;
    std::vector<std::uint32_t> touched_;  // cells given a node, to clear them again
    std::vector<Entry> heap_;
    std::size_t poolCapacity_ = 0;
    std::size_t openCapacity_ = 0;
    std::size_t openCount_ = 0;
    std::size_t closedCount_ = 0;
    std::vector<Node> path_;  // the result's nodes, start first
};

}  // namespace tarvok
