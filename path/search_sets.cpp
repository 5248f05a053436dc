// The open list and closed set of the reference grid search.
#include "path/search_sets.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace tarvok {

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

}  // namespace tarvok
