// The planner's building blocks on their own: the ring buffer against std::deque, the closed-set hash
// table and the node pool.
#include <deque>
#include <type_traits>
#include <vector>
#include <random>

#include <gtest/gtest.h>

#include "path/fixed_deque.h"
#include "path/node.h"
#include "path/node_hash_table.h"
#include "path/search_sets.h"

using tarvok::FixedDeque;
using tarvok::Node;
using tarvok::NodeFactory;
using tarvok::NodeHashTable;
using tarvok::HeapSearchSets;
using tarvok::ListSearchSets;

namespace {

void ExpectSame(const FixedDeque<int>& deque, const std::deque<int>& model) {
    ASSERT_EQ(deque.Size(), model.size());
    EXPECT_EQ(deque.Empty(), model.empty());
    for (std::size_t i = 0; i < model.size(); ++i) ASSERT_EQ(deque.At(i), model[i]) << "position " << i;
    if (!model.empty()) {
        EXPECT_EQ(deque.Back(), model.back());
    }
}

}  // namespace

TEST(PathFixedDeque, InsertAndEraseInsideKeepOrder) {
    FixedDeque<int> deque;
    deque.Init(4);
    ASSERT_TRUE(deque.PushBack(10));
    ASSERT_TRUE(deque.PushBack(30));
    EXPECT_FALSE(deque.Insert(3, 99));  // beyond the size
    ASSERT_TRUE(deque.Insert(1, 20));
    ExpectSame(deque, {10, 20, 30});
    // Filling the last slot by an inside insert leaves the tail wrapped to the first slot: the deque is
    // full and its back is the last element.
    ASSERT_TRUE(deque.Insert(1, 15));
    ExpectSame(deque, {10, 15, 20, 30});
    EXPECT_TRUE(deque.Full());
    EXPECT_FALSE(deque.PushBack(40));
    deque.PopBack();
    ExpectSame(deque, {10, 15, 20});
    ASSERT_TRUE(deque.PushBack(35));
    ExpectSame(deque, {10, 15, 20, 35});

    EXPECT_FALSE(deque.Erase(4));
    ASSERT_TRUE(deque.Erase(2));
    ExpectSame(deque, {10, 15, 35});
    ASSERT_TRUE(deque.Erase(0));
    ASSERT_TRUE(deque.Erase(1));
    ExpectSame(deque, {15});
    ASSERT_TRUE(deque.Erase(0));
    EXPECT_TRUE(deque.Empty());
}

TEST(PathFixedDeque, RandomOperationsMatchStdDeque) {
    std::mt19937 rng(1234);
    // Capacity 0 refuses every push and insert.
    for (std::size_t capacity : {0u, 1u, 2u, 5u, 16u}) {
        FixedDeque<int> deque;
        deque.Init(capacity);
        std::deque<int> model;
        for (int step = 0; step < 5000; ++step) {
            const int op = static_cast<int>(rng() % 6);
            const int value = static_cast<int>(rng() % 1000);
            const std::size_t position = rng() % (model.size() + 2);
            const bool full = model.size() == capacity;
            switch (op) {
                case 0:
                    ASSERT_EQ(deque.PushBack(value), !full);
                    if (!full) model.push_back(value);
                    break;
                case 1:
                    ASSERT_EQ(deque.PushFront(value), !full);
                    if (!full) model.push_front(value);
                    break;
                case 2:
                    deque.PopBack();
                    if (!model.empty()) model.pop_back();
                    break;
                case 3: {
                    const bool fits = !full && position <= model.size();
                    ASSERT_EQ(deque.Insert(position, value), fits);
                    if (fits) model.insert(model.begin() + static_cast<std::ptrdiff_t>(position), value);
                    break;
                }
                default: {
                    const bool inside = position < model.size();
                    ASSERT_EQ(deque.Erase(position), inside);
                    if (inside) model.erase(model.begin() + static_cast<std::ptrdiff_t>(position));
                    break;
                }
            }
            ASSERT_NO_FATAL_FAILURE(ExpectSame(deque, model)) << "capacity " << capacity << " step " << step;
            ASSERT_EQ(deque.Full(), capacity > 0 && model.size() == capacity);
        }
    }
}

TEST(PathNodeHashTable, FindsRemovesCountsAndClears) {
    NodeHashTable table;
    EXPECT_EQ(table.Bits(), 0);
    table.Init(25);
    EXPECT_EQ(table.Bits(), 24);
    table.Init(7);
    EXPECT_EQ(table.Bits(), 6);
    table.Init(-3);
    EXPECT_EQ(table.Bits(), 0);
    table.Init(8);

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
    EXPECT_EQ(table.Count(), 4u);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(table.Find(cells[i][0], cells[i][1]), nodes[i]);
    EXPECT_EQ(table.Find(33, 2), nullptr);
    EXPECT_EQ(table.Find(2, 1), nullptr);

    ASSERT_EQ(table.Find(17, 2), nodes[1]);
    table.RemoveFound();
    EXPECT_EQ(table.Find(17, 2), nullptr);
    EXPECT_EQ(table.Find(1, 2), nodes[0]);
    EXPECT_EQ(table.Find(1, 18), nodes[2]);
    EXPECT_EQ(table.Count(), 3u);
    table.RemoveFound();  // removes (1, 18), the last found
    EXPECT_EQ(table.Count(), 2u);
    table.RemoveFound();  // nothing is remembered any more
    EXPECT_EQ(table.Count(), 2u);

    // An insert after a find makes the remembered place stale: the remove then does nothing.
    ASSERT_EQ(table.Find(1, 2), nodes[0]);
    ASSERT_TRUE(table.Insert(nodes[1]));
    table.RemoveFound();
    EXPECT_EQ(table.Count(), 3u);
    EXPECT_EQ(table.Find(1, 2), nodes[0]);

    // Clearing gives the pool one node back per node in the table.
    EXPECT_EQ(pool.Used(), 4u);
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
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    ASSERT_NE(c, nullptr);
    EXPECT_NE(a, b);
    EXPECT_NE(b, c);
    EXPECT_EQ(pool.Take(), nullptr);
    EXPECT_EQ(pool.Used(), 3u);
    pool.Release();
    EXPECT_EQ(pool.Take(), c);  // releasing lowers the count: the last node comes out again
    for (int i = 0; i < 5; ++i) pool.Release();
    EXPECT_EQ(pool.Used(), 0u);
    EXPECT_EQ(pool.Take(), a);
    pool.Init(0);
    EXPECT_EQ(pool.Take(), nullptr);
}

namespace {

// Open nodes come out by lowest f, equal f first in first out; an updated node counts as inserted anew.
// The heap form is also renumbered midway, which must not change the order.
template <class Sets>
void CheckOpenOrder(bool renumber) {
    Sets sets;
    sets.Init(7, 8, 8, 2);
    NodeFactory pool;
    pool.Init(16);
    const auto open = [&](int x, float f) {
        Node* node = pool.Take();
        *node = Node{nullptr, x, 1, f, static_cast<float>(x), nullptr};
        return sets.InsertOpen(node);
    };
    ASSERT_TRUE(open(0, 1.0f));
    ASSERT_TRUE(open(1, 0.5f));
    ASSERT_TRUE(open(2, 1.0f));
    ASSERT_TRUE(open(3, 0.5f));
    if constexpr (std::is_same_v<Sets, HeapSearchSets>) {
        if (renumber) sets.Renumber();
    }
    ASSERT_TRUE(open(4, 0.5f));
    ASSERT_TRUE(open(5, 1.0f));
    ASSERT_TRUE(open(6, 2.0f));
    EXPECT_FALSE(open(7, 0.0f));  // the open list holds 7
    EXPECT_EQ(sets.OpenCount(), 7u);

    const tarvok::CellLookup two = sets.Find(2, 1);
    ASSERT_NE(two.node, nullptr);
    EXPECT_EQ(two.node->x, 2);
    EXPECT_FALSE(two.closed);
    EXPECT_EQ(two.g, 2.0f);
    two.node->f = 0.5f;
    two.node->g = 1.5f;
    sets.UpdateOpen(two.node);
    EXPECT_EQ(sets.Find(2, 1).g, 1.5f);
    const tarvok::CellLookup six = sets.Find(6, 1);
    ASSERT_NE(six.node, nullptr);
    six.node->f = 1.0f;  // equal f to the nodes 0 and 5, but inserted after them
    sets.UpdateOpen(six.node);

    std::vector<int> order;
    while (!sets.OpenEmpty()) {
        Node* node = sets.PopBest();
        order.push_back(node->x);
        sets.InsertClosed(node);
    }
    EXPECT_EQ(order, (std::vector<int>{1, 3, 4, 2, 0, 5, 6}));
    EXPECT_EQ(sets.ClosedCount(), 7u);
    EXPECT_EQ(sets.Find(7, 1).node, nullptr);  // refused, never held
    EXPECT_EQ(sets.Find(2, 1).g, 1.5f);
    // RemoveClosed takes out the closed node found last.
    const tarvok::CellLookup three = sets.Find(3, 1);
    ASSERT_NE(three.node, nullptr);
    EXPECT_TRUE(three.closed);
    EXPECT_EQ(three.g, 3.0f);
    sets.RemoveClosed(three.node);
    EXPECT_EQ(sets.Find(3, 1).node, nullptr);
    EXPECT_EQ(sets.ClosedCount(), 6u);
    ASSERT_TRUE(sets.InsertOpen(three.node));
    EXPECT_FALSE(sets.Find(3, 1).closed);

    // Clearing gives one node back per node held (8 were taken, the refused one is not held).
    EXPECT_EQ(pool.Used(), 8u);
    sets.Clear(pool);
    EXPECT_EQ(pool.Used(), 1u);
    EXPECT_TRUE(sets.OpenEmpty());
    EXPECT_EQ(sets.ClosedCount(), 0u);
    EXPECT_EQ(sets.Find(0, 1).node, nullptr);
    EXPECT_EQ(sets.Find(3, 1).node, nullptr);
}

}  // namespace

TEST(PathSearchSets, OpenListOrderIsLowestFirstThenFirstInFirstOut) {
    CheckOpenOrder<ListSearchSets>(false);
    CheckOpenOrder<HeapSearchSets>(false);
    CheckOpenOrder<HeapSearchSets>(true);
}
