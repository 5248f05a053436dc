// The two forms of the open list and closed set.
#include "path/search_sets.h"

#include <algorithm>

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

Node* ListSearchSets::FindOpen(std::int32_t x, std::int32_t y) {
    for (std::size_t i = open_.Size(); i-- > 0;) {
        Node* node = open_.At(i);
        if (node->x == x && node->y == y) {
            foundOpen_ = i;
            return node;
        }
    }
    return nullptr;
}

void ListSearchSets::UpdateOpen(Node* node) {
    open_.Erase(foundOpen_);
    InsertOpen(node);  // cannot be refused: the erase made room
}

// ---- binary heap and per-cell table ----

void HeapSearchSets::Init(std::size_t openCapacity, int, std::int32_t width, std::int32_t height) {
    const std::size_t cells = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    width_ = static_cast<std::size_t>(width);
    // Heap positions must stay below the two marks.
    openCapacity_ = std::min<std::size_t>(openCapacity, kClosed);
    heap_.clear();
    heap_.shrink_to_fit();
    heap_.reserve(std::min(openCapacity_, cells));
    place_.assign(cells, kAbsent);
    cellNode_.assign(cells, nullptr);
    closedCount_ = 0;
    nextOrder_ = 0;
}

void HeapSearchSets::Clear(NodeFactory& pool) {
    for (std::size_t i = 0; i < heap_.size() + closedCount_; ++i) pool.Release();
    heap_.clear();
    std::fill(place_.begin(), place_.end(), kAbsent);
    closedCount_ = 0;
    nextOrder_ = 0;
}

Node* HeapSearchSets::FindIn(std::int32_t x, std::int32_t y, bool closed) {
    const std::size_t cell = static_cast<std::size_t>(y) * width_ + static_cast<std::size_t>(x);
    const std::uint32_t place = place_[cell];
    if (place == kAbsent || (place == kClosed) != closed) return nullptr;
    return cellNode_[cell];
}

void HeapSearchSets::Place(std::size_t position, const Entry& entry) {
    heap_[position] = entry;
    place_[Cell(entry.node)] = static_cast<std::uint32_t>(position);
}

void HeapSearchSets::SiftUp(std::size_t position) {
    const Entry entry = heap_[position];
    while (position > 0) {
        const std::size_t parent = (position - 1) / 2;
        if (!Before(entry, heap_[parent])) break;
        Place(position, heap_[parent]);
        position = parent;
    }
    Place(position, entry);
}

void HeapSearchSets::SiftDown(std::size_t position) {
    const Entry entry = heap_[position];
    const std::size_t size = heap_.size();
    for (;;) {
        std::size_t child = 2 * position + 1;
        if (child >= size) break;
        if (child + 1 < size && Before(heap_[child + 1], heap_[child])) ++child;
        if (!Before(heap_[child], entry)) break;
        Place(position, heap_[child]);
        position = child;
    }
    Place(position, entry);
}

Node* HeapSearchSets::PopBest() {
    Node* best = heap_.front().node;
    place_[Cell(best)] = kAbsent;
    const Entry last = heap_.back();
    heap_.pop_back();
    if (!heap_.empty()) {
        heap_.front() = last;
        SiftDown(0);
    }
    return best;
}

bool HeapSearchSets::InsertOpen(Node* node) {
    if (heap_.size() >= openCapacity_) return false;
    const std::size_t cell = Cell(node);
    cellNode_[cell] = node;
    heap_.push_back(Entry{node->f, nextOrder_++, node});
    SiftUp(heap_.size() - 1);
    return true;
}

void HeapSearchSets::UpdateOpen(Node* node) {
    const std::size_t position = place_[Cell(node)];
    heap_[position].f = node->f;
    heap_[position].order = nextOrder_++;
    // A lower f moves the node up; an equal f with its new, later number moves it down.
    SiftUp(position);
    SiftDown(place_[Cell(node)]);
}

void HeapSearchSets::RemoveClosed(Node* node) {
    place_[Cell(node)] = kAbsent;
    --closedCount_;
}

void HeapSearchSets::InsertClosed(Node* node) {
    const std::size_t cell = Cell(node);
    if (place_[cell] == kClosed) return;
    place_[cell] = kClosed;
    cellNode_[cell] = node;
    ++closedCount_;
}

}  // namespace tarvok
