#pragma once

#include <string>

namespace corvalin {

struct BTreeNode;
struct BTreeBlock;
class TBTree;

// Base of anything a TBTree can hold. An item remembers, for each of two tree slots, the node
// that holds it in the tree maintaining that slot, so it can sit in two trees at once and find
// its own successor without a search.
class TBTreeItem {
public:
    static constexpr int kSlotCount = 2;

    TBTreeItem() = default;
    virtual ~TBTreeItem() = default;
    TBTreeItem(const TBTreeItem&) = delete;
    TBTreeItem& operator=(const TBTreeItem&) = delete;

    // The node holding this item in the tree that maintains `slot`; null when in no such tree.
    BTreeNode* TreeNode(int slot) const { return treeNodes_[slot]; }

private:
    friend class TBTree;
    BTreeNode* treeNodes_[kSlotCount] = {};
};

// One node of the tree, taken from the shared pool. A leaf holds 1 to 4 items in order; an
// internal node holds 2 or 3 children and one separator fewer. The free-list links are only
// meaningful while the node lies in the pool.
struct BTreeNode {
    static constexpr int kMaxItems = 4;
    static constexpr int kMaxChildren = 3;

    bool isLeaf = true;
    int count = 0;                      // leaf: items held; internal: children held (separators = count - 1)
    TBTreeItem* items[kMaxItems] = {};  // leaf items, or the separators of an internal node
    BTreeNode* children[kMaxChildren] = {};
    BTreeNode* parent = nullptr;
    BTreeBlock* block = nullptr;

    BTreeNode* freePrevious = nullptr;
    BTreeNode* freeNext = nullptr;
    BTreeNode* blockFreePrevious = nullptr;
    BTreeNode* blockFreeNext = nullptr;
};

// The process-wide node pool shared by every TBTree. Records are small and numerous, so nodes
// come in blocks of 17 rather than one heap allocation each, and a fully free block is handed
// back only while enough other free nodes remain to absorb the next burst of inserts. The pool
// exists exactly while at least one TBTree does. Main thread only: nothing is locked.
class TBTreeMemory {
public:
    static constexpr int kNodesPerBlock = 17;
    static constexpr int kReserveNodes = 2 * kNodesPerBlock;

    // Null while no tree exists.
    static TBTreeMemory* Instance() { return instance_; }
    static int LivingTrees() { return livingTrees_; }

    BTreeNode* Acquire();
    void Release(BTreeNode* node);

    int FreeCount() const { return freeCount_; }
    int BlockCount() const { return blockCount_; }

private:
    friend class TBTree;
    TBTreeMemory() = default;
    ~TBTreeMemory();
    TBTreeMemory(const TBTreeMemory&) = delete;
    TBTreeMemory& operator=(const TBTreeMemory&) = delete;

    static void AddTree();
    static void DropTree();
    void AddBlock();
    void FreeBlock(BTreeBlock* block);

    static inline TBTreeMemory* instance_ = nullptr;
    static inline int livingTrees_ = 0;

    BTreeBlock* blocks_ = nullptr;
    int blockCount_ = 0;
    BTreeNode* freeNodes_ = nullptr;
    int freeCount_ = 0;
};

// A balanced search tree of TBTreeItems ordered by a caller's comparison. The comparison
// returns a negative number when a orders before b and a non-negative one otherwise; an item
// that does not order before existing ones is inserted after them, so equal items keep their
// insertion order. The tree does not own its items unless a release function takes them.
class TBTree {
public:
    using CompareFunction = int (*)(void* context, TBTreeItem* a, TBTreeItem* b);
    using ReleaseFunction = void (*)(void* context, TBTreeItem* item);

    TBTree(int slot, CompareFunction compare, void* context);
    ~TBTree();
    TBTree(const TBTree&) = delete;
    TBTree& operator=(const TBTree&) = delete;

    // Called with every item the tree lets go of (Remove, Clear); unset by default, in which
    // case the item's back-reference is cleared instead.
    void SetRelease(ReleaseFunction release, void* context);

    void Insert(TBTreeItem* item);
    // The first item with compare(item, probe) >= 0, or null; the cursor is left on it.
    TBTreeItem* LowerBound(TBTreeItem* probe);
    TBTreeItem* First();  // cursor on the smallest item
    // The item after `item`, found through its back-reference; null after the last one.
    TBTreeItem* Next(TBTreeItem* item) const;
    TBTreeItem* Current() const { return cursor_; }
    TBTreeItem* Advance();
    // Removing the cursor's item moves the cursor to its successor.
    void Remove(TBTreeItem* item);
    void Clear();
    bool Empty() const { return root_ == nullptr; }
    int Slot() const { return slot_; }

    // An empty string when every ordering, balance and back-reference rule holds, otherwise a
    // description of the first violation. Walks the whole tree; for tests and fuzzing.
    std::string CheckStructure() const;

private:
    bool Before(TBTreeItem* a, TBTreeItem* b) const { return compare_(context_, a, b) < 0; }
    void Put(BTreeNode* node, int index, TBTreeItem* item) const;
    static void Adopt(BTreeNode* node, int index, BTreeNode* child);
    static int ChildIndex(const BTreeNode* child);
    static BTreeNode* LeftmostLeaf(BTreeNode* node);
    static TBTreeItem* SuccessorOfSubtree(BTreeNode* node);
    BTreeNode* NewNode(bool isLeaf);
    void FreeNode(BTreeNode* node);

    bool HandOver(BTreeNode* leaf, TBTreeItem* const (&five)[BTreeNode::kMaxItems + 1]);
    void SplitLeaf(BTreeNode* leaf, TBTreeItem* const (&five)[BTreeNode::kMaxItems + 1]);
    void PushUp(BTreeNode* parent, int childIndex, TBTreeItem* separator, BTreeNode* left,
                BTreeNode* right);

    static int RepairSibling(const BTreeNode* parent, int childIndex);
    bool RebalanceLeaves(BTreeNode* parent, int separatorIndex, bool leftIsShort);
    bool RebalanceInternal(BTreeNode* parent, int separatorIndex, bool leftIsShort);
    void RemoveSeparatorAndRightChild(BTreeNode* parent, int separatorIndex);
    void RepairInternal(BTreeNode* node);
    void LetGo(TBTreeItem* item);
    void FreeSubtree(BTreeNode* node);
    std::string CheckNode(const BTreeNode* node, const BTreeNode* parent, int depth, int& leafDepth,
                          TBTreeItem*& previous) const;

    BTreeNode* root_ = nullptr;
    int slot_;
    CompareFunction compare_;
    void* context_;
    ReleaseFunction release_ = nullptr;
    void* releaseContext_ = nullptr;
    TBTreeItem* cursor_ = nullptr;
};

}  // namespace corvalin
