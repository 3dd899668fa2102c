#include "store/TBTree.h"

#include <algorithm>
#include <cassert>
#include <new>

#include "store/Slabs.h"

namespace corvalin {

struct BTreeBlock {
    BTreeNode nodes[TBTreeMemory::kNodesPerBlock];
    BTreeNode* freeNodes = nullptr;
    int freeCount = 0;
    BTreeBlock* previous = nullptr;
    BTreeBlock* next = nullptr;
};

// ---------------------------------------------------------------------------------------------
// Node pool

namespace {

Slabs& BlockSlots() {
    static Slabs* slots = new Slabs(sizeof(BTreeBlock));  // never destroyed, like the records'
    return *slots;
}

void DeleteBlock(BTreeBlock* block) {
    block->~BTreeBlock();
    BlockSlots().Give(block, sizeof(BTreeBlock));
}

}  // namespace

TBTreeMemory::~TBTreeMemory() {
    while (blocks_ != nullptr) {
        BTreeBlock* next = blocks_->next;
        DeleteBlock(blocks_);
        blocks_ = next;
    }
}

void TBTreeMemory::AddTree() {
    if (livingTrees_++ == 0) instance_ = new TBTreeMemory();
}

void TBTreeMemory::DropTree() {
    assert(livingTrees_ > 0);
    if (--livingTrees_ == 0) {
        delete instance_;
        instance_ = nullptr;
    }
}

void TBTreeMemory::AddBlock() {
    auto* block = new (BlockSlots().Take(sizeof(BTreeBlock))) BTreeBlock();
    block->next = blocks_;
    if (blocks_ != nullptr) blocks_->previous = block;
    blocks_ = block;
    ++blockCount_;
    for (BTreeNode& node : block->nodes) {
        node.block = block;
        node.blockFreeNext = block->freeNodes;
        if (block->freeNodes != nullptr) block->freeNodes->blockFreePrevious = &node;
        block->freeNodes = &node;
        node.freeNext = freeNodes_;
        if (freeNodes_ != nullptr) freeNodes_->freePrevious = &node;
        freeNodes_ = &node;
    }
    block->freeCount = kNodesPerBlock;
    freeCount_ += kNodesPerBlock;
}

BTreeNode* TBTreeMemory::Acquire() {
    if (freeNodes_ == nullptr) AddBlock();
    BTreeNode* node = freeNodes_;
    freeNodes_ = node->freeNext;
    if (freeNodes_ != nullptr) freeNodes_->freePrevious = nullptr;
    --freeCount_;

    BTreeBlock* block = node->block;
    if (node->blockFreePrevious != nullptr) {
        node->blockFreePrevious->blockFreeNext = node->blockFreeNext;
    } else {
        block->freeNodes = node->blockFreeNext;
    }
    if (node->blockFreeNext != nullptr) node->blockFreeNext->blockFreePrevious = node->blockFreePrevious;
    --block->freeCount;

    node->freePrevious = node->freeNext = nullptr;
    node->blockFreePrevious = node->blockFreeNext = nullptr;
    return node;
}

void TBTreeMemory::Release(BTreeNode* node) {
    BTreeBlock* block = node->block;
    node->blockFreePrevious = nullptr;
    node->blockFreeNext = block->freeNodes;
    if (block->freeNodes != nullptr) block->freeNodes->blockFreePrevious = node;
    block->freeNodes = node;
    ++block->freeCount;

    node->freePrevious = nullptr;
    node->freeNext = freeNodes_;
    if (freeNodes_ != nullptr) freeNodes_->freePrevious = node;
    freeNodes_ = node;
    ++freeCount_;

    // Keeping one block's worth in reserve stops a tree that grows and shrinks around a block
    // boundary from allocating and freeing a block on every step.
    if (block->freeCount == kNodesPerBlock && freeCount_ >= kReserveNodes) FreeBlock(block);
}

void TBTreeMemory::FreeBlock(BTreeBlock* block) {
    for (BTreeNode& node : block->nodes) {
        if (node.freePrevious != nullptr) {
            node.freePrevious->freeNext = node.freeNext;
        } else {
            freeNodes_ = node.freeNext;
        }
        if (node.freeNext != nullptr) node.freeNext->freePrevious = node.freePrevious;
    }
    freeCount_ -= kNodesPerBlock;
    if (block->previous != nullptr) {
        block->previous->next = block->next;
    } else {
        blocks_ = block->next;
    }
    if (block->next != nullptr) block->next->previous = block->previous;
    --blockCount_;
    DeleteBlock(block);
}

// ---------------------------------------------------------------------------------------------
// Tree

TBTree::TBTree(int slot, CompareFunction compare, void* context)
    : slot_(slot), compare_(compare), context_(context) {
    assert(slot >= 0 && slot < TBTreeItem::kSlotCount);
    TBTreeMemory::AddTree();
}

TBTree::~TBTree() {
    Clear();
    TBTreeMemory::DropTree();
}

void TBTree::SetRelease(ReleaseFunction release, void* context) {
    release_ = release;
    releaseContext_ = context;
}

void TBTree::Put(BTreeNode* node, int index, TBTreeItem* item) const {
    node->items[index] = item;
    item->treeNodes_[slot_] = node;
}

void TBTree::Adopt(BTreeNode* node, int index, BTreeNode* child) {
    node->children[index] = child;
    child->parent = node;
}

int TBTree::ChildIndex(const BTreeNode* child) {
    const BTreeNode* parent = child->parent;
    for (int i = 0; i < parent->count; ++i) {
        if (parent->children[i] == child) return i;
    }
    assert(false && "node missing from its parent");
    return -1;
}

BTreeNode* TBTree::LeftmostLeaf(BTreeNode* node) {
    while (!node->isLeaf) node = node->children[0];
    return node;
}

// The item that follows everything in the subtree rooted at `node`: the separator after the
// first ancestor link that is not a last child.
TBTreeItem* TBTree::SuccessorOfSubtree(BTreeNode* node) {
    while (node->parent != nullptr) {
        int index = ChildIndex(node);
        if (index < node->parent->count - 1) return node->parent->items[index];
        node = node->parent;
    }
    return nullptr;
}

BTreeNode* TBTree::NewNode(bool isLeaf) {
    BTreeNode* node = TBTreeMemory::Instance()->Acquire();
    node->isLeaf = isLeaf;
    node->count = 0;
    std::fill(std::begin(node->items), std::end(node->items), nullptr);
    std::fill(std::begin(node->children), std::end(node->children), nullptr);
    node->parent = nullptr;
    return node;
}

void TBTree::FreeNode(BTreeNode* node) { TBTreeMemory::Instance()->Release(node); }

void TBTree::Insert(TBTreeItem* item) {
    if (root_ == nullptr) {
        root_ = NewNode(true);
        Put(root_, 0, item);
        root_->count = 1;
        return;
    }
    BTreeNode* node = root_;
    while (!node->isLeaf) {
        int child = 0;
        if (!Before(item, node->items[0])) {
            child = (node->count == 3 && !Before(item, node->items[1])) ? 2 : 1;
        }
        node = node->children[child];
    }
    int position = 0;
    while (position < node->count && !Before(item, node->items[position])) ++position;

    if (node->count < BTreeNode::kMaxItems) {
        for (int i = node->count; i > position; --i) Put(node, i, node->items[i - 1]);
        Put(node, position, item);
        ++node->count;
        return;
    }

    TBTreeItem* five[BTreeNode::kMaxItems + 1];
    for (int i = 0, j = 0; i <= BTreeNode::kMaxItems; ++i) {
        five[i] = (i == position) ? item : node->items[j++];
    }
    if (!HandOver(node, five)) SplitLeaf(node, five);
}

// A full leaf passes its smallest or largest item through the parent's separator to an
// adjacent sibling leaf with room, which is cheaper than a split and keeps leaves fuller.
bool TBTree::HandOver(BTreeNode* leaf, TBTreeItem* const (&five)[BTreeNode::kMaxItems + 1]) {
    BTreeNode* parent = leaf->parent;
    if (parent == nullptr) return false;
    int index = ChildIndex(leaf);
    auto hasRoom = [parent](int child) {
        return child < parent->count && parent->children[child]->count < BTreeNode::kMaxItems;
    };
    auto giveLargestRight = [&](int separator) {
        BTreeNode* right = parent->children[separator + 1];
        for (int i = right->count; i > 0; --i) Put(right, i, right->items[i - 1]);
        Put(right, 0, parent->items[separator]);
        ++right->count;
        Put(parent, separator, five[4]);
        for (int i = 0; i < 4; ++i) Put(leaf, i, five[i]);
    };
    auto giveSmallestLeft = [&](int separator) {
        BTreeNode* left = parent->children[separator];
        Put(left, left->count++, parent->items[separator]);
        Put(parent, separator, five[0]);
        for (int i = 0; i < 4; ++i) Put(leaf, i, five[i + 1]);
    };
    switch (index) {
        case 0:
            if (hasRoom(1)) {
                giveLargestRight(0);
                return true;
            }
            return false;
        case 1:
            if (hasRoom(0)) {
                giveSmallestLeft(0);
                return true;
            }
            if (hasRoom(2)) {
                giveLargestRight(1);
                return true;
            }
            return false;
        default:
            if (hasRoom(1)) {
                giveSmallestLeft(1);
                return true;
            }
            return false;
    }
}

void TBTree::SplitLeaf(BTreeNode* leaf, TBTreeItem* const (&five)[BTreeNode::kMaxItems + 1]) {
    BTreeNode* left = NewNode(true);
    BTreeNode* right = NewNode(true);
    Put(left, 0, five[0]);
    Put(left, 1, five[1]);
    left->count = 2;
    Put(right, 0, five[3]);
    Put(right, 1, five[4]);
    right->count = 2;
    BTreeNode* parent = leaf->parent;
    int index = parent != nullptr ? ChildIndex(leaf) : 0;
    FreeNode(leaf);
    PushUp(parent, index, five[2], left, right);
}

// Replaces child `childIndex` of `parent` by `left` and `right` with `separator` between them,
// splitting full internal nodes upwards and growing a new root when the old one splits.
void TBTree::PushUp(BTreeNode* parent, int childIndex, TBTreeItem* separator, BTreeNode* left,
                    BTreeNode* right) {
    while (true) {
        if (parent == nullptr) {
            BTreeNode* root = NewNode(false);
            Put(root, 0, separator);
            Adopt(root, 0, left);
            Adopt(root, 1, right);
            root->count = 2;
            root_ = root;
            return;
        }
        if (parent->count == 2) {
            if (childIndex == 0) {
                Put(parent, 1, parent->items[0]);
                Put(parent, 0, separator);
                Adopt(parent, 2, parent->children[1]);
                Adopt(parent, 0, left);
                Adopt(parent, 1, right);
            } else {
                Put(parent, 1, separator);
                Adopt(parent, 1, left);
                Adopt(parent, 2, right);
            }
            parent->count = 3;
            return;
        }

        // Three separators and four children: the new separator sits between the two halves
        // that replace child childIndex.
        TBTreeItem* separators[3];
        BTreeNode* children[4];
        for (int i = 0, s = 0; i < 3; ++i) {
            separators[i] = (i == childIndex) ? separator : parent->items[s++];
        }
        for (int i = 0, c = 0; i < 3; ++i) {
            if (i == childIndex) {
                children[c++] = left;
                children[c++] = right;
            } else {
                children[c++] = parent->children[i];
            }
        }
        BTreeNode* newLeft = NewNode(false);
        Put(newLeft, 0, separators[0]);
        Adopt(newLeft, 0, children[0]);
        Adopt(newLeft, 1, children[1]);
        newLeft->count = 2;
        BTreeNode* newRight = NewNode(false);
        Put(newRight, 0, separators[2]);
        Adopt(newRight, 0, children[2]);
        Adopt(newRight, 1, children[3]);
        newRight->count = 2;

        BTreeNode* grandparent = parent->parent;
        int index = grandparent != nullptr ? ChildIndex(parent) : 0;
        FreeNode(parent);
        parent = grandparent;
        childIndex = index;
        separator = separators[1];
        left = newLeft;
        right = newRight;
    }
}

TBTreeItem* TBTree::LowerBound(TBTreeItem* probe) {
    cursor_ = nullptr;
    BTreeNode* node = root_;
    if (node == nullptr) return nullptr;
    while (!node->isLeaf) {
        int child = 0;
        if (Before(node->items[0], probe)) {
            child = (node->count == 3 && Before(node->items[1], probe)) ? 2 : 1;
        }
        node = node->children[child];
    }
    for (int i = 0; i < node->count; ++i) {
        if (!Before(node->items[i], probe)) return cursor_ = node->items[i];
    }
    return cursor_ = SuccessorOfSubtree(node);
}

TBTreeItem* TBTree::First() {
    cursor_ = root_ != nullptr ? LeftmostLeaf(root_)->items[0] : nullptr;
    return cursor_;
}

TBTreeItem* TBTree::Next(TBTreeItem* item) const {
    BTreeNode* node = item->treeNodes_[slot_];
    if (node == nullptr) return nullptr;
    if (node->isLeaf) {
        for (int i = 0; i < node->count - 1; ++i) {
            if (node->items[i] == item) return node->items[i + 1];
        }
        return SuccessorOfSubtree(node);
    }
    for (int i = 0; i < node->count - 1; ++i) {
        if (node->items[i] == item) return LeftmostLeaf(node->children[i + 1])->items[0];
    }
    assert(false && "item missing from the node its back-reference names");
    return nullptr;
}

TBTreeItem* TBTree::Advance() {
    if (cursor_ != nullptr) cursor_ = Next(cursor_);
    return cursor_;
}

void TBTree::Remove(TBTreeItem* item) {
    BTreeNode* node = item->treeNodes_[slot_];
    if (node == nullptr) return;
    if (cursor_ == item) cursor_ = Next(item);

    int index = 0;
    if (!node->isLeaf) {
        // A separator swaps places with its in-order successor, which always lies in a leaf.
        while (node->items[index] != item) ++index;
        BTreeNode* leaf = LeftmostLeaf(node->children[index + 1]);
        Put(node, index, leaf->items[0]);
        Put(leaf, 0, item);
        node = leaf;
        index = 0;
    } else {
        while (node->items[index] != item) ++index;
    }
    for (int i = index; i < node->count - 1; ++i) Put(node, i, node->items[i + 1]);
    node->items[--node->count] = nullptr;

    if (node == root_) {
        if (node->count == 0) {
            FreeNode(node);
            root_ = nullptr;
        }
    } else if (node->count == 1) {
        BTreeNode* parent = node->parent;
        int childIndex = ChildIndex(node);
        int sibling = RepairSibling(parent, childIndex);
        if (RebalanceLeaves(parent, std::min(childIndex, sibling), childIndex < sibling)) {
            RepairInternal(parent);
        }
    }
    LetGo(item);
}

// Which sibling refills an under-full child: the middle child for an outer one; for the middle
// child its left neighbour when that one can only merge or there is no right neighbour, else
// its right neighbour.
int TBTree::RepairSibling(const BTreeNode* parent, int childIndex) {
    if (childIndex != 1) return 1;
    return (parent->count == 2 || parent->children[0]->count == 2) ? 0 : 2;
}

// Leaves children[separatorIndex] and children[separatorIndex + 1] of `parent`, one of them
// holding a single item, either share their items and the separator (2+2 or 3+2) or, when the
// sibling holds only 2, merge into one leaf of 4. Returns true when they merged.
bool TBTree::RebalanceLeaves(BTreeNode* parent, int separatorIndex, bool leftIsShort) {
    BTreeNode* left = parent->children[separatorIndex];
    BTreeNode* right = parent->children[separatorIndex + 1];
    TBTreeItem* all[2 * BTreeNode::kMaxItems + 1];
    int total = 0;
    for (int i = 0; i < left->count; ++i) all[total++] = left->items[i];
    all[total++] = parent->items[separatorIndex];
    for (int i = 0; i < right->count; ++i) all[total++] = right->items[i];

    if (total <= BTreeNode::kMaxItems) {
        for (int i = 0; i < total; ++i) Put(left, i, all[i]);
        left->count = total;
        RemoveSeparatorAndRightChild(parent, separatorIndex);
        FreeNode(right);
        return true;
    }
    // The short leaf takes what the sibling can spare; the sibling keeps two.
    int leftCount = leftIsShort ? total - 3 : 2;
    std::fill(std::begin(left->items), std::end(left->items), nullptr);
    std::fill(std::begin(right->items), std::end(right->items), nullptr);
    for (int i = 0; i < leftCount; ++i) Put(left, i, all[i]);
    left->count = leftCount;
    Put(parent, separatorIndex, all[leftCount]);
    for (int i = leftCount + 1; i < total; ++i) Put(right, i - leftCount - 1, all[i]);
    right->count = total - leftCount - 1;
    return false;
}

// The same for two internal nodes, one of them left with a single child: borrow a child and a
// separator from a sibling with three children, or merge with a sibling that has two.
bool TBTree::RebalanceInternal(BTreeNode* parent, int separatorIndex, bool leftIsShort) {
    BTreeNode* left = parent->children[separatorIndex];
    BTreeNode* right = parent->children[separatorIndex + 1];
    BTreeNode* children[2 * BTreeNode::kMaxChildren];
    TBTreeItem* separators[2 * BTreeNode::kMaxChildren];
    int childCount = 0;
    int separatorCount = 0;
    for (int i = 0; i < left->count; ++i) {
        children[childCount++] = left->children[i];
        if (i < left->count - 1) separators[separatorCount++] = left->items[i];
    }
    separators[separatorCount++] = parent->items[separatorIndex];
    for (int i = 0; i < right->count; ++i) {
        children[childCount++] = right->children[i];
        if (i < right->count - 1) separators[separatorCount++] = right->items[i];
    }

    std::fill(std::begin(left->items), std::end(left->items), nullptr);
    std::fill(std::begin(left->children), std::end(left->children), nullptr);
    if (childCount <= BTreeNode::kMaxChildren) {
        for (int i = 0; i < childCount; ++i) Adopt(left, i, children[i]);
        for (int i = 0; i < separatorCount; ++i) Put(left, i, separators[i]);
        left->count = childCount;
        RemoveSeparatorAndRightChild(parent, separatorIndex);
        FreeNode(right);
        return true;
    }
    std::fill(std::begin(right->items), std::end(right->items), nullptr);
    std::fill(std::begin(right->children), std::end(right->children), nullptr);
    int leftCount = leftIsShort ? childCount - 2 : 2;
    for (int i = 0; i < leftCount; ++i) Adopt(left, i, children[i]);
    for (int i = 0; i < leftCount - 1; ++i) Put(left, i, separators[i]);
    left->count = leftCount;
    Put(parent, separatorIndex, separators[leftCount - 1]);
    for (int i = leftCount; i < childCount; ++i) Adopt(right, i - leftCount, children[i]);
    for (int i = leftCount; i < separatorCount; ++i) Put(right, i - leftCount, separators[i]);
    right->count = childCount - leftCount;
    return false;
}

void TBTree::RemoveSeparatorAndRightChild(BTreeNode* parent, int separatorIndex) {
    for (int i = separatorIndex; i < parent->count - 2; ++i) parent->items[i] = parent->items[i + 1];
    for (int i = separatorIndex + 1; i < parent->count - 1; ++i) {
        parent->children[i] = parent->children[i + 1];
    }
    --parent->count;
    parent->items[parent->count - 1] = nullptr;
    parent->children[parent->count] = nullptr;
}

// An internal node left with one child borrows or merges through its own parent, one level at
// a time; a root with a single child hands the root over to it.
void TBTree::RepairInternal(BTreeNode* node) {
    while (node->count == 1) {
        if (node == root_) {
            root_ = node->children[0];
            root_->parent = nullptr;
            FreeNode(node);
            return;
        }
        BTreeNode* parent = node->parent;
        int childIndex = ChildIndex(node);
        int sibling = RepairSibling(parent, childIndex);
        if (!RebalanceInternal(parent, std::min(childIndex, sibling), childIndex < sibling)) return;
        node = parent;
    }
}

void TBTree::LetGo(TBTreeItem* item) {
    item->treeNodes_[slot_] = nullptr;
    if (release_ != nullptr) release_(releaseContext_, item);
}

void TBTree::Clear() {
    cursor_ = nullptr;
    if (root_ == nullptr) return;
    BTreeNode* root = root_;
    root_ = nullptr;
    FreeSubtree(root);
}

void TBTree::FreeSubtree(BTreeNode* node) {
    if (node->isLeaf) {
        for (int i = 0; i < node->count; ++i) LetGo(node->items[i]);
    } else {
        for (int i = 0; i < node->count; ++i) {
            FreeSubtree(node->children[i]);
            if (i < node->count - 1) LetGo(node->items[i]);
        }
    }
    FreeNode(node);
}

std::string TBTree::CheckStructure() const {
    if (root_ == nullptr) return {};
    if (root_->parent != nullptr) return "root has a parent";
    int leafDepth = -1;
    TBTreeItem* previous = nullptr;
    return CheckNode(root_, nullptr, 0, leafDepth, previous);
}

std::string TBTree::CheckNode(const BTreeNode* node, const BTreeNode* parent, int depth, int& leafDepth,
                              TBTreeItem*& previous) const {
    if (node->parent != parent) return "wrong parent link at depth " + std::to_string(depth);
    auto visit = [&](TBTreeItem* item) -> std::string {
        if (item == nullptr) return "null item";
        if (item->treeNodes_[slot_] != node) return "stale back-reference";
        if (previous != nullptr && Before(item, previous)) return "items out of order";
        previous = item;
        return {};
    };
    if (node->isLeaf) {
        int minimum = node == root_ ? 1 : 2;
        if (node->count < minimum || node->count > BTreeNode::kMaxItems) {
            return "leaf holds " + std::to_string(node->count) + " items";
        }
        if (leafDepth < 0) leafDepth = depth;
        if (leafDepth != depth) return "leaves at different depths";
        for (int i = 0; i < node->count; ++i) {
            if (std::string error = visit(node->items[i]); !error.empty()) return error;
        }
        return {};
    }
    if (node->count < 2 || node->count > BTreeNode::kMaxChildren) {
        return "internal node has " + std::to_string(node->count) + " children";
    }
    for (int i = 0; i < node->count; ++i) {
        std::string error = CheckNode(node->children[i], node, depth + 1, leafDepth, previous);
        if (!error.empty()) return error;
        if (i < node->count - 1) {
            if (std::string error2 = visit(node->items[i]); !error2.empty()) return error2;
        }
    }
    return {};
}

}  // namespace corvalin
