#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "scsi/drive_device.h"
#include "scsi/transport.h"
#include "tests/fakes/fake_aspi_manager.h"
#include "tests/fakes/fake_os.h"

namespace {

constexpr uint32_t kGetCapabilities = 0x41010;

class AspiHostAdapter : public ::testing::Test {
protected:
    void SetUp() override {
        ResetTransportState();
        manager.adapters = {FakeAspiManager::Adapter{0x0003, 0}, FakeAspiManager::Adapter{0xFFFF, 16}};
        manager.supportInfo = (SS_COMP << 8) | 2;
        ASSERT_EQ(ScsiInitialize(0), 3);
        manager.inquiries.clear();  // the one that tried the first adapter
    }
    ScopedFakeOs fake;
    FakeAspiManager manager{fake.os};
};

TEST_F(AspiHostAdapter, InquirySendsTheHeaderAndHandsOutTheAnswer) {
    g_haInquirySrb.SRB_Flags = 0xFF;
    g_haInquirySrb.SRB_Hdr_Rsvd = 0xDEADBEEF;
    std::memset(g_haInquirySrb.HA_Identifier, 'x', sizeof g_haInquirySrb.HA_Identifier);
    SRB_HAInquiry* answer = nullptr;

    EXPECT_EQ(ScsiHostAdapterInquiry(1, &answer), 0);

    ASSERT_EQ(manager.inquiries.size(), 1u);
    const SRB_HAInquiry& sent = manager.inquiries[0];
    EXPECT_EQ(sent.SRB_Cmd, SC_HA_INQUIRY);
    EXPECT_EQ(sent.SRB_HaId, 1);
    EXPECT_EQ(sent.SRB_Flags, 0);
    EXPECT_EQ(sent.SRB_Hdr_Rsvd, 0u);
    EXPECT_EQ(sent.HA_Identifier[15], 'x') << "only the header is written before sending";
    EXPECT_EQ(answer, &g_haInquirySrb);
    EXPECT_EQ(answer->HA_Unique[3], 16);
}

TEST_F(AspiHostAdapter, FailedInquiryStillHandsOutTheRecord) {
    SRB_HAInquiry* answer = nullptr;
    EXPECT_EQ(ScsiHostAdapterInquiry(2, &answer), 1);
    EXPECT_EQ(answer, &g_haInquirySrb);
}

TEST_F(AspiHostAdapter, PassThroughSendsNoInquiry) {
    g_usePassThrough = 1;
    SRB_HAInquiry* answer = nullptr;
    EXPECT_EQ(ScsiHostAdapterInquiry(0, &answer), 1);
    EXPECT_EQ(answer, nullptr);
    EXPECT_TRUE(manager.inquiries.empty());
}

TEST_F(AspiHostAdapter, AlignmentMaskIsTheLowTwoUniqueBytes) {
    EXPECT_EQ(ScsiGetAlignmentMask(0, 0), 0x0003u);
    EXPECT_EQ(ScsiGetAlignmentMask(1, 0), 0xFFFFu);
    EXPECT_EQ(ScsiGetAlignmentMask(2, 0), 0u);
    EXPECT_EQ(manager.inquiries.size(), 3u);
    EXPECT_TRUE(fake.os.opens.empty());
}

TEST(AspiWithoutManager, InquiryNeverCallsAMissingEntry) {
    ResetTransportState();
    SRB_HAInquiry* answer = nullptr;
    EXPECT_EQ(ScsiHostAdapterInquiry(0, &answer), 1);
    EXPECT_EQ(answer, nullptr);
}

class PortDriverAlignment : public ::testing::Test {
protected:
    void SetUp() override {
        ResetTransportState();
        fake.os.devices["\\\\.\\c:"] = FakeDevice{};
        fake.os.ioctlHandler = [this](const FakeIoctl& call, uint8_t* out, uint32_t& error) {
            if (call.code != kGetCapabilities || call.outSize != 24) return false;
            std::memset(out, 0xEE, 24);  // what a half-done call might leave
            std::memcpy(out + 16, &reportedMask, sizeof reportedMask);
            error = 50;
            return capabilitiesAnswer;
        };
    }
    ScopedFakeOs fake;
    uint32_t reportedMask = 7;
    bool capabilitiesAnswer = true;
};

TEST_F(PortDriverAlignment, AsksTheDriveLetterDeviceAndClosesIt) {
    EXPECT_EQ(ScsiGetAlignmentMask(2, 1), 7u);
    ASSERT_EQ(fake.os.opens.size(), 1u);
    EXPECT_EQ(fake.os.opens[0].path, "\\\\.\\c:");
    EXPECT_EQ(fake.os.opens[0].access, kGenericRead | kGenericWrite);
    ASSERT_EQ(fake.os.ioctls.size(), 1u);
    EXPECT_EQ(fake.os.ioctls[0].code, kGetCapabilities);
    EXPECT_TRUE(fake.os.ioctls[0].input.empty());
    EXPECT_EQ(fake.os.closedHandles.size(), 1u);
    EXPECT_EQ(fake.os.OpenDeviceCount(), 0u);
}

TEST_F(PortDriverAlignment, FailedCapabilitiesCallGivesNoMask) {
    capabilitiesAnswer = false;
    EXPECT_EQ(ScsiGetAlignmentMask(2, 1), 0u);
    EXPECT_EQ(fake.os.OpenDeviceCount(), 0u);
}

TEST_F(PortDriverAlignment, FallsBackToReadOnly) {
    fake.os.devices["\\\\.\\c:"].grantsReadWrite = false;
    EXPECT_EQ(ScsiGetAlignmentMask(2, 1), 7u);
    ASSERT_EQ(fake.os.opens.size(), 2u);
    EXPECT_FALSE(fake.os.opens[0].succeeded);
    EXPECT_EQ(fake.os.opens[1].access, kGenericRead);
    EXPECT_TRUE(fake.os.opens[1].succeeded);
}

TEST_F(PortDriverAlignment, UnopenableDeviceGivesNoMask) {
    EXPECT_EQ(ScsiGetAlignmentMask(3, 1), 0u);
    EXPECT_EQ(fake.os.opens.size(), 2u);
    EXPECT_TRUE(fake.os.ioctls.empty());
}

TEST(DriveDevicePath, LowerCaseLetterFromTheIndex) {
    EXPECT_EQ(DriveDevicePath(0), "\\\\.\\a:");
    EXPECT_EQ(DriveDevicePath(2), "\\\\.\\c:");
    EXPECT_EQ(DriveDevicePath(25), "\\\\.\\z:");
    EXPECT_EQ(DriveDevicePath(2).size(), 6u);
}

struct AllocationCase {
    uint32_t size;
    uint32_t mask;
    size_t misalignment;
    size_t expectedAllocation;
};

class AlignedAllocation : public ::testing::TestWithParam<AllocationCase> {
protected:
    void SetUp() override { ResetTransportState(); }
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
