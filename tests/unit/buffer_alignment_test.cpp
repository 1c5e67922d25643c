#include "scsi/buffer_alignment.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/fakes/fake_os.h"
#include "tests/fakes/scsi_state.h"

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
    for (uint8_t i = 0; i < kCachedAlignmentIndexes; ++i) {
        const bool kept = i == row.index;
        EXPECT_EQ(KnownAlignmentMask(i), kept ? std::optional<uint32_t>(row.mask) : std::nullopt)
            << "entry " << int(i);
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

// Data out under a mask goes from an aligned copy of the caller's bytes,
// inside one allocation of the size and the mask's slack; anything else from
// the caller's buffer itself.
struct TransferCase {
    uint32_t size;
    uint8_t direction;
    uint32_t mask;
    size_t misalignment;
    std::vector<size_t> allocations;  // none: no copy
};

class TransferBuffers : public ::testing::TestWithParam<TransferCase> {
protected:
    ScopedFakeOs fake;
};

TEST_P(TransferBuffers, DataOutUnderAMaskGoesFromAnAlignedCopy) {
    const TransferCase& row = GetParam();
    fake.os.allocationMisalignment = row.misalignment;
    std::vector<uint8_t> caller(row.size);
    for (size_t i = 0; i < caller.size(); ++i) caller[i] = static_cast<uint8_t>(i * 7 + 1);
    TransferBuffer transfer;

    ASSERT_TRUE(ObtainTransferBuffer(caller.data(), row.size, row.direction, row.mask, transfer));

    EXPECT_EQ(fake.os.allocationSizes, row.allocations);
    if (row.allocations.empty()) {
        EXPECT_EQ(transfer.data, caller.data());
    } else {
        const auto aligned = reinterpret_cast<uintptr_t>(transfer.data);
        const auto allocation = reinterpret_cast<uintptr_t>(transfer.bounce.allocation);
        EXPECT_EQ(aligned & row.mask, 0u);
        EXPECT_GE(aligned, allocation);
        EXPECT_LE(aligned + row.size, allocation + row.allocations[0]);
        EXPECT_EQ(std::vector<uint8_t>(transfer.data, transfer.data + row.size), caller);
    }

    FreeAligned(transfer.bounce);
    const std::vector<void*> released =
        row.allocations.empty() ? std::vector<void*>{} : std::vector<void*>{transfer.bounce.allocation};
    EXPECT_EQ(fake.os.freedBlocks, released);
    EXPECT_EQ(fake.os.LiveAllocationCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Table, TransferBuffers,
                         ::testing::Values(TransferCase{100, DirectionOut, 0, 1, {}},
                                           TransferCase{100, DirectionIn, 3, 1, {}},
                                           TransferCase{100, DirectionOut, 3, 1, {103}},
                                           TransferCase{100, DirectionOut, 3, 0, {103}},
                                           TransferCase{100, DirectionOut, 3, 3, {103}},
                                           TransferCase{128, DirectionOut, 0x1FF, 5, {128 + 0x1FF}},
                                           // A port driver answering a byte count (one page) for
                                           // its mask still gets a block inside the allocation.
                                           TransferCase{100, DirectionOut, 0x1000, 5, {100 + 0x1000}},
                                           TransferCase{0, DirectionOut, 7, 1, {7}}));

TEST(TransferBufferFailure, ExhaustedMemoryGivesNoAddress) {
    ScopedFakeOs fake;
    fake.os.allocationFails = true;
    uint8_t data[100] = {};
    TransferBuffer transfer;
    EXPECT_FALSE(ObtainTransferBuffer(data, sizeof data, DirectionOut, 3, transfer));
    EXPECT_EQ(transfer.bounce.aligned, nullptr);
    FreeAligned(transfer.bounce);
    EXPECT_TRUE(fake.os.freedBlocks.empty());
}

TEST(TransferBufferFailure, SizeThatWouldWrapIsNeverAllocated) {
    ScopedFakeOs fake;
    uint8_t data[1] = {};
    TransferBuffer transfer;
    EXPECT_FALSE(ObtainTransferBuffer(data, 0xFFFFFFFEu, DirectionOut, 3, transfer));
    EXPECT_EQ(transfer.bounce.aligned, nullptr);
    EXPECT_TRUE(fake.os.allocationSizes.empty());
}

}  // namespace
