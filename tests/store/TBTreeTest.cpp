#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <numeric>
#include <random>
#include <set>
#include <vector>

#include "store/TBTree.h"

namespace corvalin {
namespace {

struct KeyItem : TBTreeItem {
    KeyItem(uint32_t key, int serial = 0) : key(key), serial(serial) {}
    uint32_t key;
    int serial;
};

// The record store's rule: never equal, so equal keys insert after one another.
int Ascending(void*, TBTreeItem* a, TBTreeItem* b) {
    return static_cast<KeyItem*>(a)->key < static_cast<KeyItem*>(b)->key ? -1 : 1;
}

int Descending(void*, TBTreeItem* a, TBTreeItem* b) {
    return static_cast<KeyItem*>(a)->key > static_cast<KeyItem*>(b)->key ? -1 : 1;
}

std::vector<KeyItem*> Walk(TBTree& tree) {
    std::vector<KeyItem*> items;
    for (TBTreeItem* item = tree.First(); item != nullptr; item = tree.Next(item)) {
        items.push_back(static_cast<KeyItem*>(item));
    }
    return items;
}

std::vector<uint32_t> Keys(TBTree& tree) {
    std::vector<uint32_t> keys;
    for (KeyItem* item : Walk(tree)) keys.push_back(item->key);
    return keys;
}

std::vector<std::unique_ptr<KeyItem>> MakeItems(int count) {
    std::vector<std::unique_ptr<KeyItem>> items;
    for (int i = 0; i < count; ++i) items.push_back(std::make_unique<KeyItem>(static_cast<uint32_t>(i)));
    return items;
}

enum class Order { kAscending, kDescending, kRandom, kOtherRandom };

std::vector<int> Permutation(int count, Order order) {
    std::vector<int> indices(count);
    std::iota(indices.begin(), indices.end(), 0);
    switch (order) {
        case Order::kAscending:
            break;
        case Order::kDescending:
            std::reverse(indices.begin(), indices.end());
            break;
        case Order::kRandom:
            std::shuffle(indices.begin(), indices.end(), std::mt19937(12345));
            break;
        case Order::kOtherRandom:
            std::shuffle(indices.begin(), indices.end(), std::mt19937(777));
            break;
    }
    return indices;
}

struct OrderCase {
    const char* name;
    Order insert;
    Order remove;
};

class TBTreeOrderTest : public testing::TestWithParam<OrderCase> {};

TEST_P(TBTreeOrderTest, FirstNextStayAscendingThroughInsertsAndRemovals) {
    constexpr int kCount = 1000;
    auto items = MakeItems(kCount);
    TBTree tree(0, &Ascending, nullptr);
    std::set<uint32_t> expected;
    for (int index : Permutation(kCount, GetParam().insert)) {
        tree.Insert(items[index].get());
        expected.insert(items[index]->key);
        ASSERT_EQ(tree.CheckStructure(), "") << "after inserting " << index;
    }
    ASSERT_EQ(Keys(tree), std::vector<uint32_t>(expected.begin(), expected.end()));

    for (int index : Permutation(kCount, GetParam().remove)) {
        tree.Remove(items[index].get());
        expected.erase(items[index]->key);
        EXPECT_EQ(items[index]->TreeNode(0), nullptr);
        ASSERT_EQ(tree.CheckStructure(), "") << "after removing " << index;
        ASSERT_EQ(Keys(tree), std::vector<uint32_t>(expected.begin(), expected.end()))
            << "after removing " << index;
    }
    EXPECT_TRUE(tree.Empty());
    EXPECT_EQ(tree.First(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Orders, TBTreeOrderTest,
    testing::Values(OrderCase{"AscendingThenRandom", Order::kAscending, Order::kRandom},
                    OrderCase{"AscendingThenAscending", Order::kAscending, Order::kAscending},
                    OrderCase{"AscendingThenDescending", Order::kAscending, Order::kDescending},
                    OrderCase{"DescendingThenAscending", Order::kDescending, Order::kAscending},
                    OrderCase{"DescendingThenRandom", Order::kDescending, Order::kRandom},
                    OrderCase{"RandomThenDescending", Order::kRandom, Order::kDescending},
                    OrderCase{"RandomThenOtherRandom", Order::kRandom, Order::kOtherRandom}),
    [](const testing::TestParamInfo<OrderCase>& info) { return info.param.name; });

TEST(TBTreeTest, EqualItemsKeepInsertionOrderAndLowerBoundFindsTheFirst) {
    std::vector<std::unique_ptr<KeyItem>> items;
    TBTree tree(0, &Ascending, nullptr);
    std::mt19937 random(99);
    // Many equal keys among others, so equal runs cross leaves and separators.
    for (int serial = 0; serial < 400; ++serial) {
        uint32_t key = random() % 4 == 0 ? 50 : random() % 100;
        items.push_back(std::make_unique<KeyItem>(key, serial));
        tree.Insert(items.back().get());
    }
    ASSERT_EQ(tree.CheckStructure(), "");
    std::vector<KeyItem*> walked = Walk(tree);
    for (size_t i = 1; i < walked.size(); ++i) {
        ASSERT_LE(walked[i - 1]->key, walked[i]->key);
        if (walked[i - 1]->key == walked[i]->key) {
            ASSERT_LT(walked[i - 1]->serial, walked[i]->serial);
        }
    }
    KeyItem probe(50);
    auto* first = static_cast<KeyItem*>(tree.LowerBound(&probe));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->key, 50u);
    auto firstFifty = std::find_if(walked.begin(), walked.end(), [](KeyItem* k) { return k->key == 50; });
    EXPECT_EQ(first, *firstFifty);
}

TEST(TBTreeTest, LowerBoundAndCursor) {
    auto items = MakeItems(0);
    for (uint32_t key = 0; key < 200; key += 2) items.push_back(std::make_unique<KeyItem>(key));
    TBTree tree(0, &Ascending, nullptr);
    for (auto& item : items) tree.Insert(item.get());

    struct Row {
        const char* name;
        uint32_t probe;
        int expected;  // -1: none
    };
    const Row rows[] = {
        {"BelowAll", 0, 0},      {"Exact", 42, 42},           {"BetweenGoesUp", 43, 44},
        {"LastExact", 198, 198}, {"AboveAllIsNull", 199, -1},
    };
    for (const Row& row : rows) {
        KeyItem probe(row.probe);
        auto* found = static_cast<KeyItem*>(tree.LowerBound(&probe));
        if (row.expected < 0) {
            EXPECT_EQ(found, nullptr) << row.name;
            EXPECT_EQ(tree.Current(), nullptr) << row.name;
        } else {
            ASSERT_NE(found, nullptr) << row.name;
            EXPECT_EQ(found->key, static_cast<uint32_t>(row.expected)) << row.name;
            EXPECT_EQ(tree.Current(), found) << row.name;
        }
    }

    // Every probe between 0 and 199 checks the climb from a leaf's end to a separator.
    for (uint32_t key = 0; key < 199; ++key) {
        KeyItem probe(key);
        auto* found = static_cast<KeyItem*>(tree.LowerBound(&probe));
        ASSERT_NE(found, nullptr);
        ASSERT_EQ(found->key, (key + 1) / 2 * 2) << key;
    }

    std::vector<uint32_t> viaCursor;
    for (TBTreeItem* item = tree.First(); item != nullptr; item = tree.Advance()) {
        EXPECT_EQ(tree.Current(), item);
        viaCursor.push_back(static_cast<KeyItem*>(item)->key);
    }
    EXPECT_EQ(viaCursor, Keys(tree));

    KeyItem probe(100);
    tree.LowerBound(&probe);
    tree.Remove(tree.Current());
    ASSERT_NE(tree.Current(), nullptr);
    EXPECT_EQ(static_cast<KeyItem*>(tree.Current())->key, 102u);
}

TEST(TBTreeTest, NextStaysValidWhileOtherItemsAreRemoved) {
    auto items = MakeItems(300);
    TBTree tree(0, &Ascending, nullptr);
    for (auto& item : items) tree.Insert(item.get());

    std::vector<uint32_t> visited;
    for (TBTreeItem* item = tree.First(); item != nullptr; item = tree.Next(item)) {
        uint32_t key = static_cast<KeyItem*>(item)->key;
        visited.push_back(key);
        // Remove the two following items and one far behind, forcing merges on both sides.
        for (uint32_t gone : {key + 1, key + 2, key / 2}) {
            if (gone < items.size() && gone != key && items[gone]->TreeNode(0) != nullptr) {
                tree.Remove(items[gone].get());
            }
        }
        ASSERT_EQ(tree.CheckStructure(), "");
    }
    std::vector<uint32_t> expected;
    for (uint32_t key = 0; key < 300; key += 3) expected.push_back(key);
    EXPECT_EQ(visited, expected);
}

TEST(TBTreeTest, FullLeafHandsItemToSiblingBeforeSplitting) {
    auto items = MakeItems(9);
    TBTree tree(0, &Ascending, nullptr);
    // 1..5 split the root leaf into [1 2] 3 [4 5]; 6, 7 fill the right leaf.
    for (int key = 1; key <= 7; ++key) tree.Insert(items[key].get());
    BTreeNode* root = items[3]->TreeNode(0);
    ASSERT_FALSE(root->isLeaf);
    int freeBefore = TBTreeMemory::Instance()->FreeCount();

    // The full right leaf takes 8 and gives its smallest through the separator to the left.
    tree.Insert(items[8].get());
    EXPECT_EQ(TBTreeMemory::Instance()->FreeCount(), freeBefore) << "no node taken: no split";
    EXPECT_EQ(items[4]->TreeNode(0), root);
    EXPECT_EQ(items[3]->TreeNode(0), items[1]->TreeNode(0));
    EXPECT_EQ(items[1]->TreeNode(0)->count, 3);
    EXPECT_EQ(items[8]->TreeNode(0)->count, 4);
    EXPECT_EQ(tree.CheckStructure(), "");
}

struct ReleaseLog {
    std::vector<uint32_t> keys;
    static void Record(void* context, TBTreeItem* item) {
        auto* log = static_cast<ReleaseLog*>(context);
        EXPECT_EQ(item->TreeNode(0), nullptr);
        log->keys.push_back(static_cast<KeyItem*>(item)->key);
    }
};

TEST(TBTreeTest, ReleaseFunctionSeesEveryItemLetGo) {
    auto items = MakeItems(50);
    ReleaseLog log;
    {
        TBTree tree(0, &Ascending, nullptr);
        tree.SetRelease(&ReleaseLog::Record, &log);
        for (auto& item : items) tree.Insert(item.get());
        tree.Remove(items[7].get());
        EXPECT_EQ(log.keys, std::vector<uint32_t>{7});
        log.keys.clear();
        tree.Clear();
        EXPECT_TRUE(tree.Empty());
        std::vector<uint32_t> expected;
        for (uint32_t key = 0; key < 50; ++key) {
            if (key != 7) expected.push_back(key);
        }
        EXPECT_EQ(log.keys, expected);
    }

    TBTree plain(0, &Ascending, nullptr);
    for (auto& item : items) plain.Insert(item.get());
    plain.Clear();
    for (auto& item : items) EXPECT_EQ(item->TreeNode(0), nullptr);
}

TEST(TBTreeTest, ItemSitsInTwoTreesThroughTwoSlots) {
    auto items = MakeItems(100);
    TBTree up(0, &Ascending, nullptr);
    TBTree down(1, &Descending, nullptr);
    for (auto& item : items) {
        up.Insert(item.get());
        down.Insert(item.get());
    }
    for (uint32_t key = 0; key < 100; key += 2) up.Remove(items[key].get());

    std::vector<uint32_t> odd;
    for (uint32_t key = 1; key < 100; key += 2) odd.push_back(key);
    EXPECT_EQ(Keys(up), odd);
    std::vector<uint32_t> all = Keys(down);
    ASSERT_EQ(all.size(), 100u);
    EXPECT_TRUE(std::is_sorted(all.rbegin(), all.rend()));
    EXPECT_EQ(items[0]->TreeNode(0), nullptr);
    EXPECT_NE(items[0]->TreeNode(1), nullptr);
    EXPECT_EQ(up.CheckStructure(), "");
    EXPECT_EQ(down.CheckStructure(), "");
}

TEST(TBTreeMemoryTest, PoolLivesExactlyAsLongAsSomeTree) {
    ASSERT_EQ(TBTreeMemory::LivingTrees(), 0) << "another tree outlived its test";
    EXPECT_EQ(TBTreeMemory::Instance(), nullptr);
    auto first = std::make_unique<TBTree>(0, &Ascending, nullptr);
    TBTreeMemory* pool = TBTreeMemory::Instance();
    ASSERT_NE(pool, nullptr);
    auto second = std::make_unique<TBTree>(0, &Ascending, nullptr);
    EXPECT_EQ(TBTreeMemory::Instance(), pool);
    EXPECT_EQ(TBTreeMemory::LivingTrees(), 2);
    first.reset();
    EXPECT_EQ(TBTreeMemory::Instance(), pool);
    second.reset();
    EXPECT_EQ(TBTreeMemory::Instance(), nullptr);
}

TEST(TBTreeMemoryTest, FullyFreeBlockIsReturnedOnlyAboveTheReserve) {
    TBTree keeper(0, &Ascending, nullptr);
    TBTreeMemory& pool = *TBTreeMemory::Instance();
    // Use up whatever free nodes exist, then take three fresh blocks.
    std::vector<BTreeNode*> spare;
    while (pool.FreeCount() > 0) spare.push_back(pool.Acquire());
    int blocksBefore = pool.BlockCount();
    std::vector<BTreeNode*> nodes;
    for (int i = 0; i < 3 * TBTreeMemory::kNodesPerBlock; ++i) nodes.push_back(pool.Acquire());
    EXPECT_EQ(pool.BlockCount(), blocksBefore + 3);
    EXPECT_EQ(pool.FreeCount(), 0);

    // Group the nodes by block up front: a returned block takes its nodes with it.
    std::vector<BTreeBlock*> blocks;
    std::vector<std::vector<BTreeNode*>> byBlock;
    for (BTreeNode* node : nodes) {
        auto found = std::find(blocks.begin(), blocks.end(), node->block);
        if (found == blocks.end()) {
            blocks.push_back(node->block);
            byBlock.emplace_back();
            found = blocks.end() - 1;
        }
        byBlock[static_cast<size_t>(found - blocks.begin())].push_back(node);
    }
    ASSERT_EQ(blocks.size(), 3u);
    auto releaseBlock = [&](size_t block) {
        for (BTreeNode* node : byBlock[block]) pool.Release(node);
    };
    releaseBlock(0);  // 17 free: below the reserve, kept
    EXPECT_EQ(pool.BlockCount(), blocksBefore + 3);
    EXPECT_EQ(pool.FreeCount(), 17);
    releaseBlock(1);  // reaches 34 free: this block goes
    EXPECT_EQ(pool.BlockCount(), blocksBefore + 2);
    EXPECT_EQ(pool.FreeCount(), 17);
    releaseBlock(2);
    EXPECT_EQ(pool.BlockCount(), blocksBefore + 1);
    EXPECT_EQ(pool.FreeCount(), 17);

    // Free nodes are handed out again before any new block is made.
    std::vector<BTreeNode*> again;
    for (int i = 0; i < 17; ++i) again.push_back(pool.Acquire());
    EXPECT_EQ(pool.BlockCount(), blocksBefore + 1);
    for (BTreeNode* node : again) pool.Release(node);
    for (BTreeNode* node : spare) pool.Release(node);
}

TEST(TBTreeMemoryTest, GrowingAndShrinkingTreeReusesNodes) {
    auto items = MakeItems(2000);
    TBTree tree(0, &Ascending, nullptr);
    for (auto& item : items) tree.Insert(item.get());
    int peakBlocks = TBTreeMemory::Instance()->BlockCount();
    tree.Clear();
    EXPECT_GE(TBTreeMemory::Instance()->FreeCount(), TBTreeMemory::kNodesPerBlock);
    EXPECT_EQ(TBTreeMemory::Instance()->FreeCount(),
              TBTreeMemory::Instance()->BlockCount() * TBTreeMemory::kNodesPerBlock);
    for (int round = 0; round < 3; ++round) {
        for (auto& item : items) tree.Insert(item.get());
        EXPECT_LE(TBTreeMemory::Instance()->BlockCount(), peakBlocks);
        for (auto& item : items) tree.Remove(item.get());
    }
}

}  // namespace
}  // namespace corvalin
