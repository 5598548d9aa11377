#include <gtest/gtest.h>

#include "numeric/numeric.h"

namespace {

constexpr size_t kTooLarge = 4294967296U;

bool BlockIsZero(const void *pBlock, size_t size) {
    const auto *pByte = static_cast<const unsigned char *>(pBlock);
    for (size_t k = 0; k < size; ++k) {
        if (pByte[k] != 0) {
            return false;
        }
    }
    return true;
}

TEST(MemoryWrappers, LiveCountFollowsEveryBlock) {
    const long base = MemLiveBlockCount();
    void *pFirst = MemAlloc(16);
    ASSERT_NE(pFirst, nullptr);
    EXPECT_TRUE(BlockIsZero(pFirst, 16));
    void *pSecond = MemRealloc(nullptr, 32);
    ASSERT_NE(pSecond, nullptr);
    EXPECT_TRUE(BlockIsZero(pSecond, 32));
    EXPECT_EQ(MemLiveBlockCount(), base + 2);

    static_cast<unsigned char *>(pFirst)[15] = 0xAB;
    pFirst = MemRealloc(pFirst, 4096);
    ASSERT_NE(pFirst, nullptr);
    EXPECT_EQ(static_cast<unsigned char *>(pFirst)[15], 0xAB) << "realloc keeps contents";
    EXPECT_EQ(MemLiveBlockCount(), base + 2) << "realloc of a live block keeps the count";

    EXPECT_EQ(MemFree(pFirst), nullptr);
    EXPECT_EQ(MemFree(nullptr), nullptr);
    EXPECT_EQ(MemLiveBlockCount(), base + 1) << "only a non-null release counts";
    EXPECT_EQ(MemFree(pSecond), nullptr);
    EXPECT_EQ(MemLiveBlockCount(), base);
}

TEST(MemoryWrappers, FailuresKeepTheOldBlockAndTheCount) {
    const long base = MemLiveBlockCount();
    EXPECT_EQ(MemAlloc(kTooLarge), nullptr);
    EXPECT_EQ(MemRealloc(nullptr, kTooLarge), nullptr);
    void *pBlock = MemAlloc(8);
    ASSERT_NE(pBlock, nullptr);
    EXPECT_EQ(MemRealloc(pBlock, kTooLarge), nullptr);
    static_cast<unsigned char *>(pBlock)[7] = 1; // still ours: ASan would object otherwise
    void *pShrunk = MemRealloc(pBlock, 0);
    ASSERT_NE(pShrunk, nullptr) << "a zero size must not release the block behind our back";
    EXPECT_EQ(MemLiveBlockCount(), base + 1);
    MemFree(pShrunk);
    EXPECT_EQ(MemLiveBlockCount(), base);
}

TEST(MemoryWrappers, TableOfBlocks) {
    const long base = MemLiveBlockCount();
    void **ppTable = MemAlloc2D(3, 24);
    ASSERT_NE(ppTable, nullptr);
    EXPECT_EQ(MemLiveBlockCount(), base + 4);
    for (int k = 0; k < 3; ++k) {
        ASSERT_NE(ppTable[k], nullptr);
        EXPECT_TRUE(BlockIsZero(ppTable[k], 24)) << "block " << k;
    }
    EXPECT_EQ(MemFree2D(ppTable, 3), nullptr);
    EXPECT_EQ(MemLiveBlockCount(), base);

    EXPECT_EQ(MemAlloc2D(3, kTooLarge), nullptr);
    EXPECT_EQ(MemLiveBlockCount(), base) << "a failed table releases what it obtained";
    EXPECT_EQ(MemFree2D(nullptr, 3), nullptr);
}

TEST(MemoryWrappers, PointerBadness) {
    const double dValue = 0.0;
    EXPECT_EQ(MemPtrBad(nullptr, 8), 1);
    EXPECT_EQ(MemPtrBad(&dValue, 0), 1);
    EXPECT_EQ(MemPtrBad(&dValue, sizeof dValue), 0);
}

} // namespace
