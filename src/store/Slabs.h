#pragma once

#include <cstddef>

namespace corvalin {

// Equal slots handed out from large blocks, for the record store's records and tree nodes. A
// book's heading index alone holds hundreds of thousands of records; taking each from the heap
// touches as many fresh pages one by one, while slabs take blocks that grow to huge pages and
// keep freed slots for the next ones. Blocks stay with the process, which bounds its memory by
// the most slots ever in use at once. Main thread only, like the store: nothing is locked.
// Under the address sanitizer every slot comes from the heap, so a use after free is caught.
class Slabs {
public:
    explicit Slabs(size_t slotBytes);
    Slabs(const Slabs&) = delete;
    Slabs& operator=(const Slabs&) = delete;

    // `bytes` larger than a slot (a class derived from the slot's owner) go to the heap.
    void* Take(size_t bytes);
    void Give(void* slot, size_t bytes);

private:
    struct FreeSlot {
        FreeSlot* next;
    };
    void AddBlock();

    size_t slotBytes_;
    FreeSlot* freeSlots_ = nullptr;
    char* unused_ = nullptr;  // the untouched rest of the newest block
    size_t unusedBytes_ = 0;
    size_t nextBlockBytes_;
};

}  // namespace corvalin
