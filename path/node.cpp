// The node pool of the path planner.
#include "path/node.h"

namespace tarvok {

void NodeFactory::Init(std::size_t capacity) {
    nodes_.reset();
    capacity_ = 0;
    used_ = 0;
    if (capacity == 0) return;
    nodes_ = std::make_unique_for_overwrite<Node[]>(capacity);
    capacity_ = capacity;
}

Node* NodeFactory::Take() {
    if (used_ >= capacity_) return nullptr;
    return &nodes_[used_++];
}

void NodeFactory::Release() {
    if (used_ > 0) --used_;
}

}  // namespace tarvok
