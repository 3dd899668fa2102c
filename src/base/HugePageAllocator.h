#pragma once

#include <sys/mman.h>

#include <cstddef>
#include <cstdlib>
#include <new>

namespace corvalin {

inline constexpr size_t kHugePageBytes = size_t(2) << 20;

// Memory for a large array that asks for huge pages: whole huge pages, aligned to one, freed
// with std::free. The advice may be refused, which changes nothing but the speed.
inline void* AllocateHugePages(size_t bytes) {
    const size_t rounded = (bytes + kHugePageBytes - 1) / kHugePageBytes * kHugePageBytes;
    void* memory = std::aligned_alloc(kHugePageBytes, rounded);
    if (!memory) throw std::bad_alloc();
    madvise(memory, rounded, MADV_HUGEPAGE);
    return memory;
}

// An allocator for the few arrays that grow to tens of megabytes while a large document is
// read. Such arrays ask for huge pages, which spares the tens of thousands of page faults
// their first touch would otherwise take; small ones come from the ordinary heap.
template <typename T>
class HugePageAllocator {
public:
    using value_type = T;

    HugePageAllocator() = default;
    template <typename U>
    HugePageAllocator(const HugePageAllocator<U>&) noexcept {}

    T* allocate(size_t count) {
        if (count > std::size_t(-1) / sizeof(T)) throw std::bad_alloc();
        const size_t bytes = count * sizeof(T);
        if (bytes < kHugePageBytes) return static_cast<T*>(::operator new(bytes));
        return static_cast<T*>(AllocateHugePages(bytes));
    }

    void deallocate(T* memory, size_t count) noexcept {
        if (count * sizeof(T) < kHugePageBytes)
            ::operator delete(memory);
        else
            std::free(memory);
    }

    template <typename U>
    bool operator==(const HugePageAllocator<U>&) const noexcept {
        return true;
    }
};

}  // namespace corvalin
