#pragma once

// Memory running out on demand: replaces the global operator new of the test executable, so include
// this in one file per executable only.

#include <atomic>
#include <cstdlib>
#include <new>

namespace zemo::test {

inline std::atomic<size_t> gAllocationLimit{0};

// While it lives, every allocation through operator new of at least `bytes` bytes fails.
class AllocationLimit {
public:
    explicit AllocationLimit(size_t bytes) { gAllocationLimit = bytes; }
    ~AllocationLimit() { gAllocationLimit = 0; }
    AllocationLimit(const AllocationLimit&) = delete;
    AllocationLimit& operator=(const AllocationLimit&) = delete;
};

} // namespace zemo::test

void* operator new(size_t n) {
    const size_t limit = zemo::test::gAllocationLimit.load(std::memory_order_relaxed);
    if (limit != 0 && n >= limit)
        throw std::bad_alloc();
    if (void* p = std::malloc(n ? n : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, size_t) noexcept {
    std::free(p);
}
