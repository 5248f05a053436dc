// Search nodes of the path planner and the pool that hands them out.
//
// A search request allocates its nodes once, as one block of pool-capacity nodes; the search then only
// takes nodes from the block, so nothing is allocated while it runs. Releasing only lowers the count of
// nodes handed out: nodes go back to the pool all together when a search is reset.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace tarvok {

// One search node.
struct Node {
    Node* parent;      // the node it was reached from; null for the start node
    std::int32_t x;    // cell
    std::int32_t y;
    float f;           // priority: lower is expanded first
    float g;           // cost from the start
    Node* chain;       // next node in the same NodeHashTable bucket
};

// Fixed pool of nodes: hands out the next unused node until all capacity nodes are out.
class NodeFactory {
public:
    // Frees the old block and allocates capacity fresh nodes; none is handed out.
    void Init(std::size_t capacity);
    // The next node not yet handed out, or null when all are handed out. Its fields are left as they are.
    Node* Take();
    // Lowers the count of nodes handed out by one (never below 0).
    void Release();
    // Takes every node back.
    void ReleaseAll() { used_ = 0; }
    // The nodes handed out, in the order they were taken.
    std::span<Node> HandedOut() { return {nodes_.get(), used_}; }

    std::size_t Capacity() const { return capacity_; }
    std::size_t Used() const { return used_; }

private:
    // Uninitialised storage: pages of a large pool are only touched when its nodes are used.
    std::unique_ptr<Node[]> nodes_;
    std::size_t capacity_ = 0;
    std::size_t used_ = 0;
};

}  // namespace tarvok
