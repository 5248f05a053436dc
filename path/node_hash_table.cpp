// The closed set of the list-based planner.
#include "path/node_hash_table.h"

namespace tarvok {

void NodeHashTable::Init(int bits) {
    if (bits < 0) bits = 0;
    if (bits > kMaxBits) bits = kMaxBits;
    bits &= ~1;
    bits_ = bits;
    shift_ = bits / 2;
    mask_ = (std::uint32_t{1} << shift_) - 1;
    buckets_.assign(std::size_t{1} << bits, nullptr);
    foundLink_ = nullptr;
}

std::size_t NodeHashTable::BucketOf(std::int32_t x, std::int32_t y) const {
    const auto ux = static_cast<std::uint32_t>(x);
    const auto uy = static_cast<std::uint32_t>(y);
    return (ux & mask_) | ((uy & mask_) << shift_);
}

bool NodeHashTable::Insert(Node* node) {
    Node*& head = buckets_[BucketOf(node->x, node->y)];
    for (Node* n = head; n; n = n->chain) {
        if (n == node) return false;
    }
    node->chain = head;
    head = node;
    foundLink_ = nullptr;  // the remembered link may now point at the new node
    return true;
}

Node* NodeHashTable::Find(std::int32_t x, std::int32_t y) {
    for (Node** link = &buckets_[BucketOf(x, y)]; *link; link = &(*link)->chain) {
        if ((*link)->x == x && (*link)->y == y) {
            foundLink_ = link;
            return *link;
        }
    }
    foundLink_ = nullptr;
    return nullptr;
}

void NodeHashTable::RemoveFound() {
    if (!foundLink_) return;
    Node* node = *foundLink_;
    *foundLink_ = node->chain;
    node->chain = nullptr;
    foundLink_ = nullptr;
}

std::size_t NodeHashTable::Count() const {
    std::size_t count = 0;
    for (const Node* head : buckets_) {
        for (const Node* n = head; n; n = n->chain) ++count;
    }
    return count;
}

void NodeHashTable::Clear(NodeFactory& pool) {
    for (Node*& head : buckets_) {
        for (const Node* n = head; n; n = n->chain) pool.Release();
        head = nullptr;
    }
    foundLink_ = nullptr;
}

}  // namespace tarvok
