// The open list and closed set of the reference grid search: a FixedDeque kept sorted by f from the
// highest at the front to the lowest at the back (new nodes go in front of equal f), searched linearly
// from the back, and a NodeHashTable.
#pragma once

#include <cstddef>
#include <cstdint>

#include "path/fixed_deque.h"
#include "path/node.h"
#include "path/node_hash_table.h"

namespace tarvok {

// What a cell holds: its node (null when none), whether that node is closed, and its g.
struct CellLookup {
    Node* node;
    bool closed;
    float g;
};

class ListSearchSets {
public:
    void Init(std::size_t openCapacity, int hashBits, std::int32_t width, std::int32_t height);
    // Empties both, giving the pool one node back for each node they held.
    void Clear(NodeFactory& pool);

    bool OpenEmpty() const { return open_.Empty(); }
    // Takes the node with the lowest f out of the open list (the list must not be empty).
    Node* PopBest();
    // Inserts by f; false when the open list is full.
    bool InsertOpen(Node* node);
    // The node of a cell: the closed set is searched first, then the open list from the back. The place
    // where it was found is remembered for RemoveClosed or UpdateOpen.
    CellLookup Find(std::int32_t x, std::int32_t y);
    // Moves the open node last found to the place its new f gives it.
    void UpdateOpen(Node* node);
    // Takes the closed node last found out of the closed set.
    void RemoveClosed(Node*) { closed_.RemoveFound(); }
    void InsertClosed(Node* node) { closed_.Insert(node); }

    std::size_t OpenCount() const { return open_.Size(); }
    std::size_t ClosedCount() const { return closed_.Count(); }

private:
    FixedDeque<Node*> open_;
    NodeHashTable closed_;
    std::size_t foundOpen_ = 0;
};

}  // namespace tarvok
