// The planner's building blocks: the ring buffer against std::deque, the closed-set hash table, the node
// pool, and the open list order of both set forms.
#include <algorithm>
#include <deque>
#include <random>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "path/fixed_deque.h"
#include "path/node.h"
#include "path/node_hash_table.h"
#include "path/search_sets.h"

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
            ASSERT_EQ(deque.Size(), model.size()) << "capacity " << capacity << " step " << step;
            ASSERT_EQ(deque.Empty(), model.empty());
            ASSERT_EQ(deque.Full(), capacity > 0 && model.size() == capacity);
            for (std::size_t i = 0; i < model.size(); ++i) ASSERT_EQ(deque.At(i), model[i]) << step;
            if (!model.empty()) {
                ASSERT_EQ(deque.Back(), model.back());
            }
        }
    }
}

TEST(PathNodeHashTable, ChainsFindRemoveAndClear) {
    NodeHashTable table;
    const std::pair<int, int> sizes[] = {{25, 24}, {7, 6}, {-3, 0}, {8, 8}};  // given, bits kept
    for (const auto& [given, bits] : sizes) {
        table.Init(given);
        EXPECT_EQ(table.Bits(), bits);
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
    for (int i = 0; i < 4; ++i) EXPECT_EQ(table.Find(cells[i][0], cells[i][1]), nodes[i]);
    EXPECT_EQ(table.Find(33, 2), nullptr);
    EXPECT_EQ(table.Find(2, 1), nullptr);

    ASSERT_EQ(table.Find(17, 2), nodes[1]);  // the middle of a chain
    table.RemoveFound();
    EXPECT_EQ(table.Find(17, 2), nullptr);
    EXPECT_EQ(table.Find(1, 2), nodes[0]);
    EXPECT_EQ(table.Find(1, 18), nodes[2]);
    table.RemoveFound();  // (1, 18), the last found
    table.RemoveFound();  // nothing is remembered any more
    EXPECT_EQ(table.Count(), 2u);
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
    EXPECT_EQ(pool.Used(), 0u);
    EXPECT_EQ(pool.Take(), a);
}

namespace {

// Open nodes come out by lowest f, equal f first in first out; an updated node counts as inserted anew.
void CheckOpenOrder() {
    ListSearchSets sets;
    sets.Init(7, 8, 8, 2);
    NodeFactory pool;
    pool.Init(16);
    const auto open = [&](int x, float f) {
        Node* node = pool.Take();
        *node = Node{nullptr, x, 1, f, static_cast<float>(x), nullptr};
        return sets.InsertOpen(node);
    };
    const float fs[] = {1.0f, 0.5f, 1.0f, 0.5f, 0.5f, 1.0f, 2.0f};
    for (int x = 0; x < 7; ++x) ASSERT_TRUE(open(x, fs[x]));
    EXPECT_FALSE(open(7, 0.0f));  // the open list holds 7
    EXPECT_EQ(sets.OpenCount(), 7u);

    const CellLookup two = sets.Find(2, 1);
    ASSERT_TRUE(two.node && !two.closed && two.g == 2.0f);
    two.node->f = 0.5f;
    two.node->g = 1.5f;
    sets.UpdateOpen(two.node);
    Node* six = sets.Find(6, 1).node;
    ASSERT_NE(six, nullptr);
    six->f = 1.0f;  // equal f to the nodes 0 and 5, but updated after them
    sets.UpdateOpen(six);

    std::vector<int> order;
    while (!sets.OpenEmpty()) {
        Node* node = sets.PopBest();
        order.push_back(node->x);
        sets.InsertClosed(node);
    }
    EXPECT_EQ(order, (std::vector<int>{1, 3, 4, 2, 0, 5, 6}));
    EXPECT_EQ(sets.Find(7, 1).node, nullptr);  // refused, never held
    EXPECT_TRUE(sets.Find(2, 1).closed);
    EXPECT_EQ(sets.Find(2, 1).g, 1.5f);
    // Clearing gives one node back per node held (8 were taken, the refused one is not held).
    sets.Clear(pool);
    EXPECT_EQ(pool.Used(), 1u);
    EXPECT_EQ(sets.ClosedCount(), 0u);
    EXPECT_EQ(sets.Find(0, 1).node, nullptr);
}

}  // namespace

TEST(PathSearchSets, OpenListOrderIsLowestFirstThenFirstInFirstOut) {
    CheckOpenOrder();
}
