// The open list and closed set of the grid search, in two interchangeable forms.
//
// ListSearchSets: a FixedDeque kept sorted by f from the highest at the front to the lowest at the
// back (new nodes go in front of equal f), searched linearly from the back, and a NodeHashTable.
// HeapSearchSets: a binary heap ordered by (f, insertion number) and a table with one entry per cell.
// A cell has at most one node at a time, and the heap pops the lowest f and, among equal f, the node
// inserted earliest, exactly as the sorted deque does; so both give the same search, node for node.
// The heap makes every operation O(log n) or O(1) instead of O(n).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "path/fixed_deque.h"
#include "path/node.h"
#include "path/node_hash_table.h"

namespace tarvok {

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
    // The open node of a cell, or null; remembered for UpdateOpen.
    Node* FindOpen(std::int32_t x, std::int32_t y);
    // Moves the node last found by FindOpen to the place its new f gives it.
    void UpdateOpen(Node* node);

    Node* FindClosed(std::int32_t x, std::int32_t y) { return closed_.Find(x, y); }
    // Takes the node last found by FindClosed out of the closed set.
    void RemoveClosed(Node*) { closed_.RemoveFound(); }
    void InsertClosed(Node* node) { closed_.Insert(node); }

    std::size_t OpenCount() const { return open_.Size(); }
    std::size_t ClosedCount() const { return closed_.Count(); }

private:
    FixedDeque<Node*> open_;
    NodeHashTable closed_;
    std::size_t foundOpen_ = 0;
};

class HeapSearchSets {
public:
    void Init(std::size_t openCapacity, int hashBits, std::int32_t width, std::int32_t height);
    void Clear(NodeFactory& pool);

    bool OpenEmpty() const { return heap_.empty(); }
    Node* PopBest();
    bool InsertOpen(Node* node);
    Node* FindOpen(std::int32_t x, std::int32_t y) { return FindIn(x, y, false); }
    void UpdateOpen(Node* node);

    Node* FindClosed(std::int32_t x, std::int32_t y) { return FindIn(x, y, true); }
    void RemoveClosed(Node* node);
    void InsertClosed(Node* node);

    std::size_t OpenCount() const { return heap_.size(); }
    std::size_t ClosedCount() const { return closedCount_; }

private:
    // Marks of a cell in place_: no node, or its node is closed; any other value is a heap position.
    static constexpr std::uint32_t kAbsent = 0xFFFFFFFF;
    static constexpr std::uint32_t kClosed = 0xFFFFFFFE;

    struct Entry {
        float f;
        std::uint64_t order;  // insertion number: the earlier of two equal f comes out first
        Node* node;
    };
    static bool Before(const Entry& a, const Entry& b) {
        return a.f < b.f || (a.f == b.f && a.order < b.order);
    }

    std::size_t Cell(const Node* node) const {
        return static_cast<std::size_t>(node->y) * width_ + static_cast<std::size_t>(node->x);
    }
    Node* FindIn(std::int32_t x, std::int32_t y, bool closed);
    void Place(std::size_t position, const Entry& entry);
    void SiftUp(std::size_t position);
    void SiftDown(std::size_t position);

    std::vector<Entry> heap_;
    std::size_t openCapacity_ = 0;
    std::vector<std::uint32_t> place_;  // per cell: kAbsent, kClosed or the heap position of its node
    std::vector<Node*> cellNode_;       // per cell: its node while place_ is not kAbsent
    std::size_t width_ = 0;
    std::size_t closedCount_ = 0;
    std::uint64_t nextOrder_ = 0;
};

}  // namespace tarvok
