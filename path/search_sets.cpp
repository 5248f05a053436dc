// The two forms of the open list and closed set.
#include "path/search_sets.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace tarvok {

// ---- sorted deque and hash table ----

void ListSearchSets::Init(std::size_t openCapacity, int hashBits, std::int32_t, std::int32_t) {
    open_.Init(openCapacity);
    closed_.Init(hashBits);
    foundOpen_ = 0;
}

void ListSearchSets::Clear(NodeFactory& pool) {
    for (std::size_t i = 0; i < open_.Size(); ++i) {
        if (open_.At(i)) pool.Release();
    }
    open_.Clear();
    closed_.Clear(pool);
}

Node* ListSearchSets::PopBest() {
    Node* best = open_.Back();
    open_.PopBack();
    return best;
}

bool ListSearchSets::InsertOpen(Node* node) {
    // First position whose f is <= the new f: the list runs from the highest f to the lowest.
    std::size_t lo = 0;
    std::size_t hi = open_.Size();
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (open_.At(mid)->f <= node->f) {
            hi = mid;
        } else {
            lo = mid + 1;
        }
    }
    return open_.Insert(lo, node);
}

CellLookup ListSearchSets::Find(std::int32_t x, std::int32_t y) {
    if (Node* node = closed_.Find(x, y)) return {node, true, node->g};
    for (std::size_t i = open_.Size(); i-- > 0;) {
        Node* node = open_.At(i);
        if (node->x == x && node->y == y) {
            foundOpen_ = i;
            return {node, false, node->g};
        }
    }
    return {nullptr, false, 0.0f};
}

void ListSearchSets::UpdateOpen(Node* node) {
    open_.Erase(foundOpen_);
    InsertOpen(node);  // cannot be refused: the erase made room
}

// ---- heap and per-cell table ----

void HeapSearchSets::Init(std::size_t openCapacity, int, std::int32_t width, std::int32_t height) {
    const std::size_t cells = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    width_ = static_cast<std::size_t>(width);
    // Heap positions are kept above the two marks in 32 bits (a configured grid has fewer cells).
    openCapacity_ = std::min(openCapacity, kMaxOpen);
    heap_.clear();
    heap_.shrink_to_fit();
    heap_.reserve(std::min(openCapacity_, cells));
    cells_.reset();
    cells_.reset(static_cast<CellState*>(std::calloc(cells, sizeof(CellState))));
    if (!cells_ && cells > 0) throw std::bad_alloc();
    cellCount_ = cells;
    cellNode_ = std::make_unique_for_overwrite<Node*[]>(cells);
    closedCount_ = 0;
    nextOrder_ = 0;
}

void HeapSearchSets::Clear(NodeFactory& pool) {
    // Only cells of nodes from the pool can be marked. Unmarking just those (scattered writes) is cheaper
    // than sweeping the whole table when the search touched a small part of the grid.
    if (pool.Used() < cellCount_ / 8) {
        for (const Node& node : pool.HandedOut()) cells_[Cell(&node)].place = kAbsent;
    } else {
        std::memset(cells_.get(), 0, cellCount_ * sizeof(CellState));
    }
    for (std::size_t i = 0; i < heap_.size() + closedCount_; ++i) pool.Release();
    heap_.clear();
    closedCount_ = 0;
    nextOrder_ = 0;
}

void HeapSearchSets::Renumber() {
    std::vector<std::uint32_t> byOrder(heap_.size());
    for (std::size_t i = 0; i < byOrder.size(); ++i) byOrder[i] = static_cast<std::uint32_t>(i);
    std::sort(byOrder.begin(), byOrder.end(), [this](std::uint32_t a, std::uint32_t b) {
        return (heap_[a].key & kOrderMask) < (heap_[b].key & kOrderMask);
    });
    nextOrder_ = 0;
    for (std::uint32_t position : byOrder) {
        heap_[position].key = (heap_[position].key & ~kOrderMask) | nextOrder_++;
    }
}

}  // namespace tarvok
