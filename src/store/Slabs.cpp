#include "store/Slabs.h"

#include <algorithm>
#include <new>

#include "base/HugePageAllocator.h"

namespace corvalin {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kUseSlabs = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kUseSlabs = false;
#else
constexpr bool kUseSlabs = true;
#endif
#else
constexpr bool kUseSlabs = true;
#endif

constexpr size_t kFirstBlockSlots = 256;

}  // namespace

Slabs::Slabs(size_t slotBytes)
    : slotBytes_(std::max(slotBytes, sizeof(FreeSlot))), nextBlockBytes_(slotBytes_ * kFirstBlockSlots) {}

void* Slabs::Take(size_t bytes) {
    if (!kUseSlabs || bytes > slotBytes_) return ::operator new(bytes);
    if (freeSlots_ != nullptr) {
        FreeSlot* slot = freeSlots_;
        freeSlots_ = slot->next;
        return slot;
    }
    if (unusedBytes_ < slotBytes_) AddBlock();
    void* slot = unused_;
    unused_ += slotBytes_;
    unusedBytes_ -= slotBytes_;
    return slot;
}

void Slabs::Give(void* slot, size_t bytes) {
    if (slot == nullptr) return;
    if (!kUseSlabs || bytes > slotBytes_) {
        ::operator delete(slot);
        return;
    }
    freeSlots_ = new (slot) FreeSlot{freeSlots_};
}

void Slabs::AddBlock() {
    // Blocks double until they reach a huge page, and are never freed.
    const size_t bytes = nextBlockBytes_;
    unused_ = static_cast<char*>(bytes >= kHugePageBytes ? AllocateHugePages(bytes) : ::operator new(bytes));
    unusedBytes_ = bytes;
    nextBlockBytes_ = std::max(std::min(nextBlockBytes_ * 2, kHugePageBytes), slotBytes_);
}

}  // namespace corvalin
