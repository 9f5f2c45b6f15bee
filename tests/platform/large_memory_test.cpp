// SPDX-License-Identifier: MIT
// Large blocks and the arrays built in them: every element constructed and destroyed once, and
// each block freed the way it was taken (mapped or from the heap).
#include "platform/large_memory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>

namespace orvex {
namespace {

// Counts the elements alive, so a constructor or destructor the array skips shows; the strings
// are long enough to live on the heap, so a skipped destructor is a leak as well.
struct Entry {
    static inline int s_live = 0;
    static inline int s_failAfter = -1; // constructions left before one throws; -1: none throws

    Entry() {
        if (s_failAfter == 0) {
            throw std::runtime_error("no more entries");
        }
        if (s_failAfter > 0) {
            --s_failAfter;
        }
        ++s_live;
    }
    ~Entry() { --s_live; }
    Entry(const Entry&) = delete;
    Entry& operator=(const Entry&) = delete;

    std::string page;
    std::string address;
};

// Past the size from which blocks are mapped rather than taken from the heap.
constexpr size_t kMany = (size_t{1} << 20) / sizeof(Entry) + 1000;

std::string PageName(size_t i) {
    return "folder/sub/page-" + std::to_string(i) + ".html";
}

TEST(LargeArray, ConstructsWritesReadsAndDestroysEveryElement) {
    {
        LargeArray<Entry> entries(kMany);
        EXPECT_EQ(Entry::s_live, static_cast<int>(kMany));
        for (size_t i = 0; i < kMany; ++i) {
            ASSERT_TRUE(entries[i].page.empty() && entries[i].address.empty()) << i;
            entries[i].page = PageName(i);
            entries[i].address = "someone" + std::to_string(i) + "@example.com";
        }
        for (size_t i = 0; i < kMany; ++i) {
            ASSERT_EQ(entries[i].page, PageName(i));
            ASSERT_EQ(entries[i].address, "someone" + std::to_string(i) + "@example.com");
        }
    }
    EXPECT_EQ(Entry::s_live, 0);

    { LargeArray<Entry> none(0); }
    EXPECT_EQ(Entry::s_live, 0);

    // A constructor that throws part-way: those built are destroyed and the block is freed.
    Entry::s_failAfter = 1000;
    EXPECT_THROW(LargeArray<Entry>{kMany}, std::runtime_error);
    Entry::s_failAfter = -1;
    EXPECT_EQ(Entry::s_live, 0);
}

TEST(LargeBlock, MovesOwnershipAndFreesEachBlockTheWayItWasTaken) {
    LargeBlock small(4096);
    LargeBlock big(size_t{3} << 20);
    ASSERT_NE(small.Get(), nullptr);
    ASSERT_NE(big.Get(), nullptr);
    std::memset(big.Get(), 0x5A, big.Bytes());
    void* const smallBlock = small.Get();

    // The mapped block goes as a mapping, the heap block moves over with its own size.
    big = std::move(small);
    EXPECT_EQ(big.Get(), smallBlock);
    EXPECT_EQ(big.Bytes(), 4096u);
    EXPECT_EQ(small.Get(), nullptr);
    EXPECT_EQ(small.Bytes(), 0u);
    std::memset(big.Get(), 0x5A, big.Bytes());

    LargeBlock taken(std::move(big));
    EXPECT_EQ(taken.Get(), smallBlock);
    EXPECT_EQ(big.Get(), nullptr);

    const LargeBlock empty;
    EXPECT_EQ(empty.Get(), nullptr);
    EXPECT_EQ(empty.Bytes(), 0u);
}

} // namespace
} // namespace orvex
