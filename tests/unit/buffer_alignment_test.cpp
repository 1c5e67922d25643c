#include "scsi/buffer_alignment.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/fakes/fake_os.h"

namespace {

// A transport's way of asking for a mask: it answers g_answer and notes
// every index it was asked for.
uint32_t g_answer = 0;
std::vector<uint8_t> g_fetched;

uint32_t Fetch(uint8_t index) {
    g_fetched.push_back(index);
    return g_answer;
}

constexpr uint32_t kRememberedMask = 0x3F;

struct CacheCase {
    const char* name;
    uint8_t index;
    uint32_t answer;
    bool remembered;               // kRememberedMask learnt before the first lookup
    std::vector<uint8_t> fetched;  // over two lookups
    uint32_t mask;                 // what both lookups give
};

class AlignmentCache : public ::testing::TestWithParam<CacheCase> {
protected:
    void SetUp() override {
        ForgetAlignmentMasks();
        g_fetched.clear();
    }
    void TearDown() override { ForgetAlignmentMasks(); }
};

// Whatever the row, no entry but the index's own is written, and once the
// masks are forgotten the index is fetched again.
TEST_P(AlignmentCache, FetchesAnIndexOnceUntilForgotten) {
    const CacheCase& row = GetParam();
    g_answer = row.answer;
    if (row.remembered) RememberAlignmentMask(row.index, kRememberedMask);

    EXPECT_EQ(CachedAlignmentMask(row.index, Fetch), row.mask);
    EXPECT_EQ(CachedAlignmentMask(row.index, Fetch), row.mask);

    EXPECT_EQ(g_fetched, row.fetched);
    for (uint8_t i = 0; i < MaxDriveLetters; ++i) {
        const bool kept = i == row.index;
        EXPECT_EQ(g_alignmentKnown[i], kept ? 1 : 0) << "entry " << int(i);
        EXPECT_EQ(g_alignmentMask[i], kept ? row.mask : 0u) << "entry " << int(i);
    }
    ForgetAlignmentMasks();
    g_fetched.clear();
    EXPECT_EQ(CachedAlignmentMask(row.index, Fetch), row.answer);
    EXPECT_EQ(g_fetched, std::vector<uint8_t>{row.index});
}

INSTANTIATE_TEST_SUITE_P(
    Rule, AlignmentCache,
    ::testing::Values(CacheCase{"FetchedOnce", 3, 0x1FF, false, {3}, 0x1FF},
                      CacheCase{"ZeroCountsAsKnown", 0, 0, false, {0}, 0},
                      CacheCase{"LastEntry", 25, 7, false, {25}, 7},
                      CacheCase{"PastTheTablesFetchedEveryTime", 26, 7, false, {26, 26}, 7},
                      CacheCase{"FarPastTheTables", 255, 3, false, {255, 255}, 3},
                      CacheCase{"RememberedIsNotFetched", 4, 7, true, {}, kRememberedMask},
                      CacheCase{"RememberedPastTheTablesIsNotKept", 30, 7, true, {30, 30}, 7}),
    [](const auto& info) { return std::string(info.param.name); });

struct AllocationCase {
    uint32_t size;
    uint32_t mask;
    size_t misalignment;
    size_t expectedAllocation;
};

class AlignedAllocation : public ::testing::TestWithParam<AllocationCase> {
protected:
    ScopedFakeOs fake;
};

TEST_P(AlignedAllocation, GivesSizeUsableBytesAtAnAlignedAddress) {
    const AllocationCase& row = GetParam();
    fake.os.allocationMisalignment = row.misalignment;

    const AlignedBlock block = AllocAligned(row.size, row.mask);

    ASSERT_NE(block.aligned, nullptr);
    EXPECT_EQ(fake.os.allocationSizes, std::vector<size_t>{row.expectedAllocation});
    const auto aligned = reinterpret_cast<uintptr_t>(block.aligned);
    const auto allocation = reinterpret_cast<uintptr_t>(block.allocation);
    EXPECT_EQ(aligned & row.mask, 0u);
    EXPECT_GE(aligned, allocation);
    EXPECT_LE(aligned + row.size, allocation + row.expectedAllocation);
    std::memset(block.aligned, 0xA5, row.size);

    FreeAligned(block);
    EXPECT_EQ(fake.os.freedBlocks, std::vector<void*>{block.allocation});
    EXPECT_EQ(fake.os.LiveAllocationCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Table, AlignedAllocation,
                         ::testing::Values(AllocationCase{100, 0, 1, 100}, AllocationCase{100, 3, 1, 103},
                                           AllocationCase{100, 3, 0, 103}, AllocationCase{100, 3, 3, 103},
                                           AllocationCase{128, 0x1FF, 5, 128 + 0x1FF},
                                           // A port driver answering a byte count (one page) for
                                           // its mask still gets a block inside the allocation.
                                           AllocationCase{100, 0x1000, 5, 100 + 0x1000},
                                           AllocationCase{0, 7, 1, 7}));

TEST(AlignedAllocationFailure, ExhaustedMemoryGivesNoAddress) {
    ScopedFakeOs fake;
    fake.os.allocationFails = true;
    const AlignedBlock block = AllocAligned(100, 3);
    EXPECT_EQ(block.aligned, nullptr);
    FreeAligned(block);
    EXPECT_TRUE(fake.os.freedBlocks.empty());
}

TEST(AlignedAllocationFailure, SizeThatWouldWrapIsNeverAllocated) {
    ScopedFakeOs fake;
    const AlignedBlock block = AllocAligned(0xFFFFFFFEu, 3);
    EXPECT_EQ(block.aligned, nullptr);
    EXPECT_TRUE(fake.os.allocationSizes.empty());
}

}  // namespace
