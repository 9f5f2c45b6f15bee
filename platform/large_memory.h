// SPDX-License-Identifier: MIT
// Memory for the few large blocks a run keeps (the scan table, the page buffer), asked of the
// system in huge pages where it has them: touching a block page by page costs a fault per 4 KiB,
// which on a virtual machine can cost more than reading the page that fills it.
#pragma once

#include <cstddef>
#include <memory>
#include <new>

namespace orvex {

// Uninitialised memory of at least bytes, aligned for any type; nullptr when there is none.
void* AllocateLarge(size_t bytes);
// Frees what AllocateLarge returned for the same bytes.
void FreeLarge(void* block, size_t bytes);

// Owns an AllocateLarge block.
class LargeBlock {
public:
    LargeBlock() = default;
    explicit LargeBlock(size_t bytes) : m_pBlock(AllocateLarge(bytes)), m_nBytes(m_pBlock ? bytes : 0) {}
    ~LargeBlock() { FreeLarge(m_pBlock, m_nBytes); }
    LargeBlock(LargeBlock&& other) noexcept : m_pBlock(other.m_pBlock), m_nBytes(other.m_nBytes) {
        other.m_pBlock = nullptr;
        other.m_nBytes = 0;
    }
    LargeBlock& operator=(LargeBlock&& other) noexcept {
        if (this != &other) {
            FreeLarge(m_pBlock, m_nBytes);
            m_pBlock = other.m_pBlock;
            m_nBytes = other.m_nBytes;
            other.m_pBlock = nullptr;
            other.m_nBytes = 0;
        }
        return *this;
    }
    LargeBlock(const LargeBlock&) = delete;
    LargeBlock& operator=(const LargeBlock&) = delete;

    void* Get() const { return m_pBlock; }
    size_t Bytes() const { return m_nBytes; }

private:
    void* m_pBlock = nullptr;
    size_t m_nBytes = 0;
};

// A fixed number of value-initialised T in one large block, never moved or grown. Throws
// std::bad_alloc, as new[] would, when there is no memory for them.
template <typename T>
class LargeArray {
public:
    explicit LargeArray(size_t count) : m_block(sizeof(T) * count), m_nCount(count) {
        if (m_block.Get() == nullptr) {
            throw std::bad_alloc();
        }
        std::uninitialized_value_construct_n(get(), count);
    }
    ~LargeArray() { std::destroy_n(get(), m_nCount); }
    LargeArray(const LargeArray&) = delete;
    LargeArray& operator=(const LargeArray&) = delete;

    T* get() const { return static_cast<T*>(m_block.Get()); }
    T& operator[](size_t i) const { return get()[i]; }

private:
    LargeBlock m_block;
    size_t m_nCount;
};

} // namespace orvex
