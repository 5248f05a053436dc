// The open list and closed set of the grid search, in two interchangeable forms.
//
// ListSearchSets: a FixedDeque kept sorted by f from the highest at the front to the lowest at the
// back (new nodes go in front of equal f), searched linearly from the back, and a NodeHashTable.
// HeapSearchSets: a 4-ary heap ordered by (f, insertion number) and a table with one entry per cell.
// A cell has at most one node at a time, and the heap pops the lowest f and, among equal f, the node
// inserted earliest, exactly as the sorted deque does; so both give the same search, node for node.
// The heap makes every operation O(log n) or O(1) instead of O(n).
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

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

class HeapSearchSets {
    struct FreeDeleter {
        void operator()(void* block) const { std::free(block); }
    };

public:
    void Init(std::size_t openCapacity, int hashBits, std::int32_t width, std::int32_t height);
    // As ListSearchSets::Clear; every node held must be one the pool still counts as handed out.
    void Clear(NodeFactory& pool);

    bool OpenEmpty() const { return heap_.empty(); }
    Node* PopBest() {
        const std::uint32_t cell = heap_.front().cell;
        cells_[cell].place = kAbsent;
        const Entry last = heap_.back();
        heap_.pop_back();
        if (!heap_.empty()) {
            heap_.front() = last;
            SiftDown(0);
        }
        return cellNode_[cell];
    }
    bool InsertOpen(Node* node) {
        if (heap_.size() >= openCapacity_) return false;
        const std::uint32_t cell = Cell(node);
        cellNode_[cell] = node;
        cells_[cell].g = node->g;
        heap_.push_back(Entry{KeyOf(node->f), cell});
        SiftUp(heap_.size() - 1);
        return true;
    }
    // Reads only the cell's own record: the node itself is touched only when it is to change.
    CellLookup Find(std::int32_t x, std::int32_t y) const {
        const std::uint32_t cell = Cell(x, y);
        const CellState state = cells_[cell];
        if (state.place == kAbsent) return {nullptr, false, 0.0f};
        return {cellNode_[cell], state.place == kClosed, state.g};
    }
    void UpdateOpen(Node* node) {
        const std::uint32_t cell = Cell(node);
        const std::size_t position = PositionOf(cells_[cell].place);
        cells_[cell].g = node->g;
        heap_[position].key = KeyOf(node->f);
        // A lower f moves the node up; an equal f with its new, later number moves it down.
        SiftUp(position);
        SiftDown(PositionOf(cells_[cell].place));
    }
    void RemoveClosed(Node* node) {
        cells_[Cell(node)].place = kAbsent;
        --closedCount_;
    }
    void InsertClosed(Node* node) {
        const std::uint32_t cell = Cell(node);
        if (cells_[cell].place == kClosed) return;
        cells_[cell] = CellState{kClosed, node->g};
        cellNode_[cell] = node;
        ++closedCount_;
    }

    std::size_t OpenCount() const { return heap_.size(); }
    std::size_t ClosedCount() const { return closedCount_; }

    // Gives the open entries the insertion numbers 0 ... n - 1 in their present order. Every comparison
    // keeps its result, so the heap stays valid; runs when the 32 bits of numbers are used up.
    void Renumber();

private:
    // Place of a cell: no node (0, so that a fresh zeroed table needs no writing), its node is closed,
    // or its node is in the heap at position place - kFirstPosition.
    static constexpr std::uint32_t kAbsent = 0;
    static constexpr std::uint32_t kClosed = 1;
    static constexpr std::uint32_t kFirstPosition = 2;
    static constexpr std::size_t kMaxOpen = 0xFFFFFFFF - kFirstPosition;
    static constexpr std::uint64_t kOrderMask = 0xFFFFFFFF;
    // Children per heap node: four entries of 16 bytes share a cache line, and the heap is half as deep.
    static constexpr std::size_t kArity = 4;

    // Per cell: where its node is and a copy of its g, so that looking at a neighbour stays within the
    // grid-ordered table instead of following a pointer to a node anywhere in the pool.
    struct CellState {
        std::uint32_t place;  // kAbsent, kClosed or the heap position of the cell's node
        float g;              // g of the cell's node while place is not kAbsent
    };

    // Priorities are never negative (f = (h - g) x weight + g with h, g >= 0 and weight in 0 ... 1), and
    // the bits of non-negative floats order like the floats: so f and the insertion number make one key.
    struct Entry {
        std::uint64_t key;    // f's bits above the insertion number, which breaks ties first come first
        std::uint32_t cell;   // y x width + x of the node
    };
    static bool Before(const Entry& a, const Entry& b) { return a.key < b.key; }
    std::uint64_t KeyOf(float f) {
        if (nextOrder_ > kOrderMask) Renumber();
        return (std::uint64_t{std::bit_cast<std::uint32_t>(f)} << 32) | nextOrder_++;
    }

    std::uint32_t Cell(std::int32_t x, std::int32_t y) const {
        return static_cast<std::uint32_t>(static_cast<std::size_t>(y) * width_ + static_cast<std::size_t>(x));
    }
    std::uint32_t Cell(const Node* node) const { return Cell(node->x, node->y); }
    static std::size_t PositionOf(std::uint32_t place) { return place - kFirstPosition; }
    void Place(std::size_t position, const Entry& entry) {
        heap_[position] = entry;
        cells_[entry.cell].place = static_cast<std::uint32_t>(position) + kFirstPosition;
    }
    void SiftUp(std::size_t position) {
        const Entry entry = heap_[position];
        while (position > 0) {
            const std::size_t parent = (position - 1) / kArity;
            if (!Before(entry, heap_[parent])) break;
            Place(position, heap_[parent]);
            position = parent;
        }
        Place(position, entry);
    }
    void SiftDown(std::size_t position) {
        const Entry entry = heap_[position];
        const std::size_t size = heap_.size();
        for (;;) {
            const std::size_t first = kArity * position + 1;
            if (first >= size) break;
            const std::size_t end = first + kArity < size ? first + kArity : size;
            std::size_t best = first;
            for (std::size_t child = first + 1; child < end; ++child) {
                if (Before(heap_[child], heap_[best])) best = child;
            }
            if (!Before(heap_[best], entry)) break;
            Place(position, heap_[best]);
            position = best;
        }
        Place(position, entry);
    }

    std::vector<Entry> heap_;
    std::size_t openCapacity_ = 0;
    // Zeroed by calloc: on a large grid only the pages a search touches are ever written.
    std::unique_ptr<CellState[], FreeDeleter> cells_;
    std::size_t cellCount_ = 0;
    std::unique_ptr<Node*[]> cellNode_;  // per cell: its node while its place is not kAbsent (else unset)
    std::size_t width_ = 0;
    std::size_t closedCount_ = 0;
    std::uint64_t nextOrder_ = 0;
};

}  // namespace tarvok
