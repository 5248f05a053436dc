// AStarPlanner: weighted best-first search over the cost grid.
//
// The priority of a node is f = (h - g) x weight + g, with g its cost from the start and h the
// Manhattan distance to the goal: weight 0 is uniform-cost search, 0.5 ranks like g + h (A*), 1 is
// greedy. The lowest f is expanded first; among equal f the node inserted first.
//
// The search is written once over its open list and closed set. AStarPlanner uses the heap form;
// ListAStarPlanner the sorted deque and hash table, which gives the same search node for node and
// serves as the reference that the heap form is checked and measured against.
#pragma once

#include <cstddef>

#include "path/planner.h"
#include "path/search_sets.h"

namespace tarvok {

// Factor of a diagonal step when diagonal cost is on: the float one unit above the float nearest sqrt(2).
inline constexpr float kDiagonalFactor = 1.4142137f;

template <class Sets>
class BasicAStarPlanner final : public Planner {
public:
    void StartSearch() override;
    bool Search() override;
    void Reset() override;
    std::size_t OpenCount() const override { return sets_.OpenCount(); }
    std::size_t ClosedCount() const override { return sets_.ClosedCount(); }

private:
    void InitLists(std::size_t openCapacity, int hashBits) override;
    // Ends a search that ran out of nodes or open-list room: no result.
    bool Fail();

    Sets sets_;
};

extern template class BasicAStarPlanner<HeapSearchSets>;
extern template class BasicAStarPlanner<ListSearchSets>;

using AStarPlanner = BasicAStarPlanner<HeapSearchSets>;
using ListAStarPlanner = BasicAStarPlanner<ListSearchSets>;

}  // namespace tarvok
