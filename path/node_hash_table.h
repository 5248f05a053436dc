// NodeHashTable: the closed set of the list-based planner, hashed by cell.
//
// 2^bits buckets of singly linked chains through Node::chain. The bucket of cell (x, y) tiles the grid:
// (x & m) | ((y & m) << h) with h = bits / 2 and m = 2^h - 1, so 8 bits make a 16 x 16 tiling.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "path/node.h"

namespace tarvok {

class NodeHashTable {
public:
    static constexpr int kMaxBits = 24;

    // One bucket until Init.
    NodeHashTable() { Init(0); }

    // Empties the table and makes 2^bits buckets; bits above 24 become 24, an odd count is lowered by one,
    // and a negative count gives one bucket.
    void Init(int bits);
    int Bits() const { return bits_; }

    // Puts the node at the head of its bucket's chain; false (nothing changed) when that very node is
    // already in the chain.
    bool Insert(Node* node);
    // The node of cell (x, y), or null. Remembers where it was found for RemoveFound.
    Node* Find(std::int32_t x, std::int32_t y);
    // Unlinks the node that the last successful Find returned; nothing when there is none or when an
    // Insert came after that Find.
    void RemoveFound();
    // Number of nodes in all chains.
    std::size_t Count() const;
    // Empties every bucket and gives the pool back one node for each node that was in the table.
    void Clear(NodeFactory& pool);

private:
    std::size_t BucketOf(std::int32_t x, std::int32_t y) const;

    std::vector<Node*> buckets_;
    int bits_ = 0;
    std::uint32_t mask_ = 0;
    int shift_ = 0;
    Node** foundLink_ = nullptr;  // the link that points at the node last found
};

}  // namespace tarvok
