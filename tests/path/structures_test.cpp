// The reference planner's building blocks: the ring buffer against std::deque, the closed-set hash table
// and the node pool. Their use in a search is checked by comparing the two planners.
#include <algorithm>
#include <deque>
#include <random>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "path/fixed_deque.h"
#include "path/node.h"
#include "path/node_hash_table.h"

using namespace tarvok;

TEST(PathFixedDeque, RandomOperationsMatchStdDeque) {
    std::mt19937 rng(1234);
    for (std::size_t capacity : {0u, 1u, 2u, 5u, 16u}) {  // capacity 0 refuses every push and insert
        FixedDeque<int> deque;
        deque.Init(capacity);
        std::deque<int> model;
        for (int step = 0; step < 5000; ++step) {
            const auto op = rng() % 6;
            const int value = static_cast<int>(rng() % 1000);
            const std::size_t at = rng() % (model.size() + 2);
            const bool room = model.size() < capacity;
            const auto where = model.begin() + static_cast<std::ptrdiff_t>(std::min(at, model.size()));
            if (op == 0) {
                ASSERT_EQ(deque.PushBack(value), room);
                if (room) model.push_back(value);
            } else if (op == 1) {
                ASSERT_EQ(deque.PushFront(value), room);
                if (room) model.push_front(value);
            } else if (op == 2) {
                deque.PopBack();
                if (!model.empty()) model.pop_back();
            } else if (op == 3) {
                ASSERT_EQ(deque.Insert(at, value), room && at <= model.size());
                if (room && at <= model.size()) model.insert(where, value);
            } else {
                ASSERT_EQ(deque.Erase(at), at < model.size());
                if (at < model.size()) model.erase(where);
            }
            std::deque<int> held;
            for (std::size_t i = 0; i < deque.Size(); ++i) held.push_back(deque.At(i));
            ASSERT_EQ(held, model) << "capacity " << capacity << " step " << step;
            ASSERT_EQ(deque.Full(), capacity > 0 && model.size() == capacity);
            if (!model.empty()) {
                ASSERT_EQ(deque.Back(), model.back());
            }
        }
    }
}

TEST(PathNodeHashTable, ChainsFindRemoveAndClear) {
    NodeHashTable table;
    for (const auto& [given, kept] : {std::pair{25, 24}, {7, 6}, {-3, 0}, {8, 8}}) {  // even, 0 ... 24
        table.Init(given);
        EXPECT_EQ(table.Bits(), kept);
    }
    NodeFactory pool;
    pool.Init(8);
    // (1, 2), (17, 2) and (1, 18) share a bucket of the 16 x 16 tiling; (3, 3) has its own.
    const int cells[][2] = {{1, 2}, {17, 2}, {1, 18}, {3, 3}};
    Node* nodes[4];
    for (int i = 0; i < 4; ++i) {
        nodes[i] = pool.Take();
        *nodes[i] = Node{nullptr, cells[i][0], cells[i][1], 0, 0, nullptr};
        ASSERT_TRUE(table.Insert(nodes[i]));
    }
    EXPECT_FALSE(table.Insert(nodes[1]));  // already in its chain
    const auto found = [&] {
        std::vector<Node*> all;
        for (const auto& cell : cells) all.push_back(table.Find(cell[0], cell[1]));
        return all;
    };
    EXPECT_EQ(found(), std::vector<Node*>(nodes, nodes + 4));
    EXPECT_EQ(table.Find(33, 2), nullptr);
    EXPECT_EQ(table.Find(2, 1), nullptr);

    ASSERT_EQ(table.Find(17, 2), nodes[1]);  // the middle of a chain
    table.RemoveFound();
    ASSERT_EQ(table.Find(1, 18), nodes[2]);
    table.RemoveFound();
    table.RemoveFound();  // nothing is remembered any more
    EXPECT_EQ(found(), (std::vector<Node*>{nodes[0], nullptr, nullptr, nodes[3]}));
    // An insert after a find makes the remembered place stale: the remove then does nothing.
    ASSERT_EQ(table.Find(1, 2), nodes[0]);
    ASSERT_TRUE(table.Insert(nodes[1]));
    table.RemoveFound();
    EXPECT_EQ(table.Count(), 3u);
    EXPECT_EQ(table.Find(1, 2), nodes[0]);
    // Clearing gives the pool one node back per node in the table.
    table.Clear(pool);
    EXPECT_EQ(table.Count(), 0u);
    EXPECT_EQ(pool.Used(), 1u);
    EXPECT_EQ(table.Find(1, 2), nullptr);
}

TEST(PathNodeFactory, HandsOutEachNodeOnceUntilEmpty) {
    NodeFactory pool;
    EXPECT_EQ(pool.Take(), nullptr);
    pool.Init(3);
    Node* a = pool.Take();
    Node* b = pool.Take();
    Node* c = pool.Take();
    ASSERT_TRUE(a && b && c && a != b && b != c);
    EXPECT_EQ(pool.Take(), nullptr);
    pool.Release();
    EXPECT_EQ(pool.Take(), c);  // releasing lowers the count: the last node comes out again
    for (int i = 0; i < 5; ++i) pool.Release();  // not below zero
    EXPECT_EQ(pool.Take(), a);
}
