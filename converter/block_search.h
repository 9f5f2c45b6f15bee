// SPDX-License-Identifier: MIT
// The frame of the vector searches over page bytes: whole blocks at a time, the rest left to the
// caller's byte-by-byte loop.
#pragma once

#include <bit>
#include <cstddef>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define ORVEX_BLOCK_SSE2 1
#endif
#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#define ORVEX_BLOCK_AVX2 1
#endif

// A block mask is written once for both vector widths, as a macro MASK(p, V, loadu, set1, cmpeq,
// orv, andv, movemask) whose body returns the mask of the block at p; these define from it
// Name##Sse2 over 16 bytes and Name##Avx2 over 32 (compiled for AVX2). Macros, not templates, so
// that each body takes on its function's target.
#define ORVEX_SSE2_BLOCK_MASK(Name, MASK)                                                                              \
    unsigned Name##Sse2(const char* p) {                                                                               \
        MASK(p, __m128i, _mm_loadu_si128, _mm_set1_epi8, _mm_cmpeq_epi8, _mm_or_si128, _mm_and_si128,                  \
             _mm_movemask_epi8);                                                                                       \
    }
#define ORVEX_AVX2_BLOCK_MASK(Name, MASK)                                                                              \
    __attribute__((target("avx2"))) unsigned Name##Avx2(const char* p) {                                               \
        MASK(p, __m256i, _mm256_loadu_si256, _mm256_set1_epi8, _mm256_cmpeq_epi8, _mm256_or_si256, _mm256_and_si256,   \
             _mm256_movemask_epi8);                                                                                    \
    }

// Defines size_t Name(const char* d, size_t i, size_t n): the offset of the first hit of MASK (a
// block mask as above, reading kAfter bytes past its block) in d[i, n), or what Scalar(d, i, n)
// finds in the bytes the blocks leave. It searches 32 bytes a step where the processor has AVX2,
// 16 where it has SSE2: every page is searched, as wide as the machine allows.
#if defined(ORVEX_BLOCK_AVX2)
#define ORVEX_BLOCK_SEARCH(Name, MASK, kAfter, Scalar)                                                                 \
    ORVEX_SSE2_BLOCK_MASK(Name##Mask, MASK)                                                                            \
    ORVEX_AVX2_BLOCK_MASK(Name##Mask, MASK)                                                                            \
    __attribute__((target("avx2"))) size_t Name##Avx2(const char* d, size_t i, size_t n) {                             \
        return FindInBlocks<32, kAfter>(d, i, n, Name##MaskAvx2) || FindInBlocks<16, kAfter>(d, i, n, Name##MaskSse2)  \
                   ? i                                                                                                 \
                   : Scalar(d, i, n);                                                                                  \
    }                                                                                                                  \
    size_t Name(const char* d, size_t i, size_t n) {                                                                   \
        if (HasAvx2()) {                                                                                               \
            return Name##Avx2(d, i, n);                                                                                \
        }                                                                                                              \
        return FindInBlocks<16, kAfter>(d, i, n, Name##MaskSse2) ? i : Scalar(d, i, n);                                \
    }
#elif defined(ORVEX_BLOCK_SSE2)
#define ORVEX_BLOCK_SEARCH(Name, MASK, kAfter, Scalar)                                                                 \
    ORVEX_SSE2_BLOCK_MASK(Name##Mask, MASK)                                                                            \
    size_t Name(const char* d, size_t i, size_t n) {                                                                   \
        return FindInBlocks<16, kAfter>(d, i, n, Name##MaskSse2) ? i : Scalar(d, i, n);                                \
    }
#else
#define ORVEX_BLOCK_SEARCH(Name, MASK, kAfter, Scalar)                                                                 \
    size_t Name(const char* d, size_t i, size_t n) {                                                                   \
        return Scalar(d, i, n);                                                                                        \
    }
#endif

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

// Whether the processor runs the AVX2 searches.
inline bool HasAvx2() {
#ifdef ORVEX_BLOCK_AVX2
    static const bool avx2 = __builtin_cpu_supports("avx2");
    return avx2;
#else
    return false;
#endif
}

} // namespace orvex
