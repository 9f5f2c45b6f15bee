// SPDX-License-Identifier: MIT
// The frame of the vector searches over page bytes: whole blocks at a time, the rest left to the
// caller's byte-by-byte loop.
#pragma once

#include <bit>
#include <cstddef>

namespace orvex {

// Searches d[i, n) a block of kWidth bytes at a time while the block and the kAfter bytes after it
// lie before n; blockMask(p) has bit k set when p[k] is a hit, and may read kAfter bytes past the
// block. True with i at the first hit; false with i at the first byte not searched, fewer than
// kWidth + kAfter bytes before n. Always inlined, so that it is compiled for its caller's target
// and a block mask written for that target (AVX2) is inlined into it.
template <size_t kWidth, size_t kAfter, class BlockMask>
[[gnu::always_inline]] inline bool FindInBlocks(const char* d, size_t& i, size_t n, BlockMask blockMask) {
    for (; i + kWidth + kAfter <= n; i += kWidth) {
        const unsigned mask = blockMask(d + i);
        if (mask != 0) {
            i += static_cast<size_t>(std::countr_zero(mask));
            return true;
        }
    }
    return false;
}

} // namespace orvex
