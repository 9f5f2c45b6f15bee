// SPDX-License-Identifier: MIT
// Large blocks: anonymous mappings advised into transparent huge pages on Linux, the heap
// elsewhere and for small sizes.
#include "platform/large_memory.h"

#include <new>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace orvex {

namespace {

#ifdef __linux__
constexpr size_t kHugePage = size_t{2} << 20;
// Below this a block is a few 4 KiB pages: the heap serves it as well.
constexpr size_t kMapFrom = size_t{1} << 20;

size_t Rounded(size_t bytes) {
    return (bytes + kHugePage - 1) & ~(kHugePage - 1);
}
#endif

} // namespace

void* AllocateLarge(size_t bytes) {
#ifdef __linux__
    if (bytes >= kMapFrom) {
        void* p = mmap(nullptr, Rounded(bytes), PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (p == MAP_FAILED) {
            return nullptr;
        }
        // Advice only: without huge pages the block is still good memory.
        madvise(p, Rounded(bytes), MADV_HUGEPAGE);
        return p;
    }
#endif
    return ::operator new(bytes, std::nothrow);
}

void FreeLarge(void* block, size_t bytes) {
    if (block == nullptr) {
        return;
    }
#ifdef __linux__
    if (bytes >= kMapFrom) {
        munmap(block, Rounded(bytes));
        return;
    }
#else
    (void)bytes;
#endif
    ::operator delete(block);
}

} // namespace orvex
