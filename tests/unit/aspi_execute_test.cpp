#include "scsi/aspi_execute.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <ostream>
#include <vector>

#include "scsi/buffer_alignment.h"
#include "scsi/result_codes.h"
#include "scsi/status_records.h"
#include "scsi/transport.h"
#include "tests/fakes/scoped_aspi_transport.h"

namespace {

constexpr uint32_t kTimeoutSeconds = 30;

using Bytes80 = std::array<uint8_t, 80>;

void PutLittleEndian32(Bytes80& bytes, size_t offset, uintptr_t value) {
    for (size_t i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

struct ExpectedRequest {
    uint8_t adapterId = 0;
    uint8_t targetId = 0;
    uint8_t lun = 0;
    uint8_t flags = 0;
    uint32_t bufferLength = 0;
    const void* bufferPointer = nullptr;
    std::vector<uint8_t> cdb;
    OsHandle event = nullptr;

    // The wire image, written offset by offset rather than through the record.
    Bytes80 Image() const {
        Bytes80 bytes{};
        bytes[0x00] = 0x02;
        bytes[0x02] = adapterId;
        bytes[0x03] = flags;
        bytes[0x08] = targetId;
        bytes[0x09] = lun;
        PutLittleEndian32(bytes, 0x0C, bufferLength);
        PutLittleEndian32(bytes, 0x10, reinterpret_cast<uintptr_t>(bufferPointer));
        bytes[0x14] = 14;
        bytes[0x15] = static_cast<uint8_t>(cdb.size());
        PutLittleEndian32(bytes, 0x18, reinterpret_cast<uintptr_t>(event));
        for (size_t i = 0; i < cdb.size(); ++i) bytes[0x30 + i] = cdb[i];
        return bytes;
    }
};

// The INQUIRY that most cases send to target 3 of adapter 0.
ExpectedRequest InquiryToTarget3(uint8_t flags, uint32_t bufferLength, const void* buffer, OsHandle event) {
    ExpectedRequest expected;
    expected.targetId = 3;
    expected.flags = flags;
    expected.bufferLength = bufferLength;
    expected.bufferPointer = buffer;
    expected.cdb = {0x12, 0, 0, 0, 0x28, 0};
    expected.event = event;
    return expected;
}

Bytes80 ImageOf(const StatusBlock& block) {
    Bytes80 bytes;
    std::memcpy(bytes.data(), &block, bytes.size());
    return bytes;
}

class AspiExecuteTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Whatever the previous command left must not leak into this one.
        std::memset(&g_aspiExecSrb, 0xAA, sizeof g_aspiExecSrb);
        drive.adapterId = 0;
        drive.targetId = 3;
        drive.lun = 0;
    }

    void TearDown() override {
        EXPECT_EQ(os().LiveEventCount(), 0u);
        EXPECT_EQ(os().LiveAllocationCount(), 0u);
    }

    FakeOs& os() { return aspi.fake.os; }
    FakeAspiManager& manager() { return aspi.manager; }
    // The event handed to the manager is the one closed last.
    OsHandle ClosedEvent() { return os().closedHandles.empty() ? nullptr : os().closedHandles.back(); }

    ScopedAspiTransport aspi;
    DriveEntry drive{};
    const uint8_t inquiryCdb[12] = {0x12, 0, 0, 0, 0x28, 0, 0, 0, 0, 0, 0, 0};
    const uint8_t testUnitReadyCdb[12] = {};
};

TEST_F(AspiExecuteTest, DataInGoesStraightIntoTheCallersBufferWhateverItsAlignment) {
    manager().adapters[0].alignmentMask = 3;
    uint8_t storage[41] = {};
    uint8_t* buffer = storage + 1;
    manager().device = [](StatusBlock& request) { std::memset(request.SRB_BufPointer, 0x05, 40); };

    EXPECT_EQ(AspiExecute(&drive, inquiryCdb, 6, buffer, 40, DirectionIn, kTimeoutSeconds), 0);

    ASSERT_EQ(manager().executed.size(), 1u);
    const ExpectedRequest expected = InquiryToTarget3(0x48, 40, buffer, ClosedEvent());
    EXPECT_EQ(ImageOf(manager().executed[0]), expected.Image());
    EXPECT_NE(expected.event, nullptr);
    EXPECT_EQ(buffer[0], 0x05);
    EXPECT_EQ(buffer[39], 0x05);
    EXPECT_TRUE(os().allocationSizes.empty());
    EXPECT_EQ(os().waits, 0) << "a request finished within the call is not waited for";
    EXPECT_EQ(os().eventsCreated, 1);
    EXPECT_EQ(g_lastStatus, &g_aspiExecSrb);
}

TEST_F(AspiExecuteTest, PendingRequestIsAwaited) {
    manager().completesLater = true;
    uint8_t buffer[40] = {};
    manager().device = [](StatusBlock& request) { request.SRB_BufPointer[7] = 0x77; };

    EXPECT_EQ(AspiExecute(&drive, inquiryCdb, 6, buffer, 40, DirectionIn, kTimeoutSeconds), 0);

    ASSERT_EQ(manager().executed.size(), 1u);
    const ExpectedRequest expected = InquiryToTarget3(0x48, 40, buffer, ClosedEvent());
    EXPECT_EQ(ImageOf(manager().executed[0]), expected.Image());
    EXPECT_EQ(os().waits, 1);
    EXPECT_EQ(buffer[7], 0x77);
    EXPECT_EQ(g_aspiExecSrb.SRB_Status, SS_COMP);
}

TEST_F(AspiExecuteTest, DataOutWithoutAlignmentMaskUsesTheCallersBuffer) {
    uint8_t buffer[16];
    std::memset(buffer, 0x3C, sizeof buffer);

    EXPECT_EQ(AspiExecute(&drive, inquiryCdb, 6, buffer, sizeof buffer, DirectionOut, kTimeoutSeconds), 0);

    ASSERT_EQ(manager().executed.size(), 1u);
    const ExpectedRequest expected = InquiryToTarget3(0x50, sizeof buffer, buffer, ClosedEvent());
    EXPECT_EQ(ImageOf(manager().executed[0]), expected.Image());
    EXPECT_TRUE(os().allocationSizes.empty());
}

TEST_F(AspiExecuteTest, DataOutWithAlignmentMaskGoesThroughAnAlignedCopy) {
    manager().adapters[0].alignmentMask = 7;
    os().allocationMisalignment = 1;
    std::vector<uint8_t> data(100);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 3 + 1);
    const uint8_t* seenPointer = nullptr;
    std::vector<uint8_t> seenData;
    manager().device = [&](StatusBlock& request) {
        seenPointer = request.SRB_BufPointer;
        seenData.assign(request.SRB_BufPointer, request.SRB_BufPointer + request.SRB_BufLen);
    };

    EXPECT_EQ(AspiExecute(&drive, inquiryCdb, 6, data.data(), 100, DirectionOut, kTimeoutSeconds), 0);

    ASSERT_NE(seenPointer, nullptr);
    EXPECT_NE(seenPointer, data.data());
    EXPECT_EQ(reinterpret_cast<uintptr_t>(seenPointer) & 7u, 0u);
    EXPECT_EQ(seenData, data);
    EXPECT_EQ(os().allocationSizes, std::vector<size_t>{107});
    ASSERT_EQ(os().freedBlocks.size(), 1u);
    EXPECT_NE(os().freedBlocks[0], seenPointer) << "the allocation is released, not the aligned address";

    const ExpectedRequest expected = InquiryToTarget3(0x50, 100, seenPointer, ClosedEvent());
    EXPECT_EQ(ImageOf(manager().executed[0]), expected.Image());
}

TEST_F(AspiExecuteTest, PendingDataOutKeepsTheAlignedCopyUntilTheManagerFinishes) {
    manager().adapters[0].alignmentMask = 3;
    manager().completesLater = true;
    os().allocationMisalignment = 2;
    uint8_t data[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    std::vector<uint8_t> seenData;
    manager().device = [&](StatusBlock& request) {
        seenData.assign(request.SRB_BufPointer, request.SRB_BufPointer + request.SRB_BufLen);
    };

    EXPECT_EQ(AspiExecute(&drive, inquiryCdb, 6, data, sizeof data, DirectionOut, kTimeoutSeconds), 0);

    EXPECT_EQ(seenData, std::vector<uint8_t>(data, data + sizeof data));
    EXPECT_EQ(os().waits, 1);
}

TEST_F(AspiExecuteTest, NoDataRequest) {
    drive.adapterId = 0;
    drive.targetId = 5;
    drive.lun = 2;

    EXPECT_EQ(AspiExecute(&drive, testUnitReadyCdb, 6, nullptr, 0, DirectionNone, kTimeoutSeconds), 0);

    ASSERT_EQ(manager().executed.size(), 1u);
    ExpectedRequest expected;
    expected.targetId = 5;
    expected.lun = 2;
    expected.flags = 0x40;
    expected.cdb = {0, 0, 0, 0, 0, 0};
    expected.event = ClosedEvent();
    EXPECT_EQ(ImageOf(manager().executed[0]), expected.Image());
}

TEST_F(AspiExecuteTest, AddressFieldsComeFromTheDrive) {
    manager().adapters.resize(3);
    drive.adapterId = 2;
    drive.targetId = 6;
    drive.lun = 1;

    EXPECT_EQ(AspiExecute(&drive, testUnitReadyCdb, 6, nullptr, 0, DirectionNone, kTimeoutSeconds), 0);

    ASSERT_EQ(manager().executed.size(), 1u);
    EXPECT_EQ(manager().executed[0].SRB_HaId, 2);
    EXPECT_EQ(manager().executed[0].SRB_Target, 6);
    EXPECT_EQ(manager().executed[0].SRB_Lun, 1);
}

TEST_F(AspiExecuteTest, TwelveByteDriveGetsTwelveCdbBytesWhateverTheLengthSays) {
    drive.twelveByteCdb = 1;
    const uint8_t cdb[12] = {0xF1, 0x01, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xAB, 0xCD};
    uint8_t buffer[128] = {};

    EXPECT_EQ(AspiExecute(&drive, cdb, 10, buffer, sizeof buffer, DirectionIn, kTimeoutSeconds), 0);

    ASSERT_EQ(manager().executed.size(), 1u);
    ExpectedRequest expected;
    expected.targetId = 3;
    expected.flags = 0x48;
    expected.bufferLength = 128;
    expected.bufferPointer = buffer;
    expected.cdb.assign(cdb, cdb + 12);
    expected.event = ClosedEvent();
    EXPECT_EQ(ImageOf(manager().executed[0]), expected.Image());
    EXPECT_EQ(manager().executed[0].SRB_CDBLen, 12);
}

struct FlagsCase {
    uint8_t direction;
    uint8_t flags;
};

class AspiFlagsTest : public AspiExecuteTest, public ::testing::WithParamInterface<FlagsCase> {};

TEST_P(AspiFlagsTest, DirectionIsPassedOnWholeWithEventNotification) {
    // A mask that would bounce data out: direction 18h is not data out.
    manager().adapters[0].alignmentMask = 3;
    uint8_t buffer[8] = {};

    EXPECT_EQ(AspiExecute(&drive, testUnitReadyCdb, 6, buffer, sizeof buffer, GetParam().direction, kTimeoutSeconds), 0);

    ASSERT_EQ(manager().executed.size(), 1u);
    EXPECT_EQ(manager().executed[0].SRB_Flags, GetParam().flags);
    if (GetParam().direction != DirectionOut) {
        EXPECT_EQ(manager().executed[0].SRB_BufPointer, buffer);
        EXPECT_TRUE(os().allocationSizes.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Directions, AspiFlagsTest,
                         ::testing::Values(FlagsCase{0x00, 0x40}, FlagsCase{0x08, 0x48},
                                           FlagsCase{0x10, 0x50}, FlagsCase{0x18, 0x58}));

struct OutcomeCase {
    const char* name;
    uint8_t requestStatus;
    uint8_t hostAdapterStatus;
    uint8_t targetStatus;
    uint8_t senseKeyByte;
    int32_t result;
    uint8_t targetStatusAfter;
};

void PrintTo(const OutcomeCase& row, std::ostream* out) { *out << row.name; }

class AspiOutcomeTest : public AspiExecuteTest,
                        public ::testing::WithParamInterface<std::tuple<OutcomeCase, bool>> {};

TEST_P(AspiOutcomeTest, OutcomeIsReducedInOrderLaterTestsOverriding) {
    const OutcomeCase& row = std::get<0>(GetParam());
    manager().completesLater = std::get<1>(GetParam());
    manager().device = [row](StatusBlock& request) {
        request.SRB_Status = row.requestStatus;
        request.SRB_HaStat = row.hostAdapterStatus;
        request.SRB_TargStat = row.targetStatus;
        request.SenseArea[2] = row.senseKeyByte;
        request.SenseArea[12] = 0x24;
    };

    EXPECT_EQ(AspiExecute(&drive, testUnitReadyCdb, 6, nullptr, 0, DirectionNone, kTimeoutSeconds), row.result);

    EXPECT_EQ(g_aspiExecSrb.SRB_TargStat, row.targetStatusAfter);
    EXPECT_EQ(g_aspiExecSrb.SRB_Status, row.requestStatus);
    EXPECT_EQ(g_aspiExecSrb.SRB_HaStat, row.hostAdapterStatus);
    EXPECT_EQ(g_aspiExecSrb.SenseArea[12], 0x24) << "the sense data stays for the description";
}

const OutcomeCase kOutcomes[] = {
    {"Completed", 0x01, 0x00, 0x00, 0x00, 0, 0x00},
    {"CheckConditionWithSenseOverridesRequestStatus", 0x04, 0x00, 0x02, 0x05, 4, 0x02},
    {"TargetStatusWithoutSenseIsClearedAndRequestStatusStands", 0x04, 0x00, 0x02, 0x00, 1, 0x00},
    {"DeviceNotInstalled", 0x82, 0x00, 0x00, 0x00, 1, 0x00},
    {"Aborted", 0x02, 0x00, 0x00, 0x00, 1, 0x00},
    {"BufferAlignmentError", 0xE1, 0x00, 0x00, 0x00, 1, 0x00},
    {"HostAdapterStatusOverridesRequestStatus", 0x04, 0x11, 0x00, 0x00, 2, 0x00},
    {"HostAdapterStatusAloneIsAFailure", 0x01, 0x09, 0x00, 0x00, 2, 0x00},
    {"OverRunUnderRunIsNoFailure", 0x01, 0x12, 0x00, 0x00, 0, 0x00},
    {"OverRunUnderRunLeavesTheRequestStatusFailure", 0x04, 0x12, 0x00, 0x00, 1, 0x00},
    {"CheckConditionOverridesHostAdapterStatus", 0x04, 0x11, 0x02, 0x06, 4, 0x02},
    {"TargetStatusWithoutSenseLeavesHostAdapterFailure", 0x04, 0x11, 0x02, 0x00, 2, 0x00},
    {"TargetStatusWithoutSenseIsNoFailure", 0x01, 0x00, 0x18, 0x00, 0, 0x00},
    {"AllEightBitsOfTheSenseKeyByteCount", 0x01, 0x00, 0x02, 0x20, 4, 0x02},
    {"SenseWithoutTargetStatusIsNoFailure", 0x01, 0x00, 0x00, 0x05, 0, 0x00},
};

INSTANTIATE_TEST_SUITE_P(
    Rows, AspiOutcomeTest, ::testing::Combine(::testing::ValuesIn(kOutcomes), ::testing::Bool()),
    [](const ::testing::TestParamInfo<std::tuple<OutcomeCase, bool>>& info) {
        return std::string(std::get<0>(info.param).name) +
               (std::get<1>(info.param) ? "_Later" : "_WithinTheCall");
    });

TEST_F(AspiExecuteTest, NoCompletionEventSendsNothingAndLeavesTheRecord) {
    os().eventCreationFails = true;
    const StatusBlock before = g_aspiExecSrb;

    EXPECT_EQ(AspiExecute(&drive, testUnitReadyCdb, 6, nullptr, 0, DirectionNone, kTimeoutSeconds), -1);

    EXPECT_TRUE(manager().executed.empty());
    EXPECT_EQ(ImageOf(g_aspiExecSrb), ImageOf(before));
    EXPECT_EQ(g_lastStatus, &g_aspiExecSrb);
}

TEST_F(AspiExecuteTest, NoBounceBufferClosesTheEventAndSendsNothing) {
    manager().adapters[0].alignmentMask = 3;
    os().allocationFails = true;
    const StatusBlock before = g_aspiExecSrb;
    uint8_t data[20] = {};

    EXPECT_EQ(AspiExecute(&drive, inquiryCdb, 6, data, sizeof data, DirectionOut, kTimeoutSeconds), -10);

    EXPECT_TRUE(manager().executed.empty());
    EXPECT_EQ(os().eventsCreated, 1);
    EXPECT_EQ(os().LiveEventCount(), 0u);
    EXPECT_EQ(ImageOf(g_aspiExecSrb), ImageOf(before));
    EXPECT_EQ(g_lastStatus, &g_aspiExecSrb);
}

TEST_F(AspiExecuteTest, WithoutTheManagerEntryNothingIsSent) {
    g_sendAspi32Command = nullptr;

    EXPECT_EQ(AspiExecute(&drive, testUnitReadyCdb, 6, nullptr, 0, DirectionNone, kTimeoutSeconds), -1);

    EXPECT_EQ(os().eventsCreated, 0);
    EXPECT_EQ(g_lastStatus, &g_aspiExecSrb);
}

// A request the manager does not complete in time: waited for the command's
// time-out and a margin, then aborted and waited for a little more. A manager
// that never lets go of it keeps its block, data and event for good, and is
// sent nothing more.
struct StuckRequestCase {
    const char* name;
    bool waitFails;
    bool honoursAbort;
    int32_t result;
    std::vector<uint32_t> waitLimits;
    size_t aborts;
    uint8_t requestStatus;  // SRB_Status afterwards
    bool managerKeepsRequest;
};

void PrintTo(const StuckRequestCase& row, std::ostream* out) { *out << row.name; }

class AspiStuckRequestTest : public AspiExecuteTest, public ::testing::WithParamInterface<StuckRequestCase> {
protected:
    // What stays live is each row's own check.
    void TearDown() override {}
};

TEST_P(AspiStuckRequestTest, WaitIsBoundedAndAHeldRequestIsNeverReused) {
    const StuckRequestCase& row = GetParam();
    manager().adapters[0].alignmentMask = 3;
    manager().neverCompletes = true;
    manager().honoursAbort = row.honoursAbort;
    os().waitsRunOut = true;
    os().waitFails = row.waitFails;
    uint8_t data[20] = {1, 2, 3};

    EXPECT_EQ(AspiExecute(&drive, inquiryCdb, 6, data, sizeof data, DirectionOut, kTimeoutSeconds), row.result);

    EXPECT_EQ(os().waitLimits, row.waitLimits);
    ASSERT_EQ(manager().aborts.size(), row.aborts);
    if (row.aborts == 1) {
        const SRB_Abort& abort = manager().aborts[0];
        EXPECT_EQ(abort.SRB_Cmd, 0x03);
        EXPECT_EQ(abort.SRB_HaId, 0);
        EXPECT_EQ(abort.SRB_Flags, 0);
        EXPECT_EQ(abort.SRB_Hdr_Rsvd, 0u);
        EXPECT_EQ(abort.SRB_ToAbort, &g_aspiExecSrb);
    }
    EXPECT_EQ(g_aspiExecSrb.SRB_Status, row.requestStatus);
    const size_t held = row.managerKeepsRequest ? 1 : 0;
    EXPECT_EQ(os().LiveEventCount(), held) << "the event the manager may still signal";
    EXPECT_EQ(os().LiveAllocationCount(), held) << "the aligned copy the manager may still read";
    EXPECT_EQ(AspiManagerAbandoned(), row.managerKeepsRequest);

    // What comes next: a held request takes the manager out of use.
    os().waitsRunOut = false;
    os().waitFails = false;
    manager().neverCompletes = false;
    const StatusBlock before = g_aspiExecSrb;
    const int32_t next = AspiExecute(&drive, testUnitReadyCdb, 6, nullptr, 0, DirectionNone, kTimeoutSeconds);
    SRB_HAInquiry* inquiry = nullptr;
    const int32_t inquiryResult = ScsiHostAdapterInquiry(0, &inquiry);
    if (row.managerKeepsRequest) {
        EXPECT_EQ(next, 1);
        EXPECT_EQ(inquiryResult, 1);
        EXPECT_EQ(manager().executed.size(), 1u);
        EXPECT_EQ(manager().inquiries.size(), 1u) << "only the one that fetched the mask";
        EXPECT_EQ(ImageOf(g_aspiExecSrb), ImageOf(before));
    } else {
        EXPECT_EQ(next, 0);
        EXPECT_EQ(inquiryResult, 0);
        EXPECT_EQ(manager().executed.size(), 2u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, AspiStuckRequestTest,
    ::testing::Values(
        StuckRequestCase{"AbortHonoured", false, true, 1, {40000, 5000}, 1, 0x02, false},
        StuckRequestCase{"AbortIgnored", false, false, 1, {40000, 5000}, 1, 0x00, true},
        StuckRequestCase{"WaitFailed", true, true, 1, {40000}, 0, 0x00, true}),
    [](const ::testing::TestParamInfo<StuckRequestCase>& info) { return std::string(info.param.name); });

// The mask is the adapter's answer to its inquiry (HA_Unique bytes 0 and 1),
// asked once per adapter through the cache; an adapter that does not answer
// asks for none, and no device is opened for it.
TEST_F(AspiExecuteTest, AlignmentMaskComesFromTheAdapterInquiryThroughTheCache) {
    manager().adapters = {{0x0003, 0}, {0xFFFF, 0}};
    uint8_t data[8] = {};

    for (uint8_t adapter : {0, 1, 2, 0, 1, 2}) {
        drive.adapterId = adapter;
        EXPECT_EQ(AspiExecute(&drive, inquiryCdb, 6, data, sizeof data, DirectionOut, kTimeoutSeconds), 0);
    }

    std::vector<int> asked;
    for (const SRB_HAInquiry& inquiry : manager().inquiries) asked.push_back(inquiry.SRB_HaId);
    EXPECT_EQ(asked, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(os().allocationSizes, (std::vector<size_t>{8 + 3, 8 + 0xFFFF, 8 + 3, 8 + 0xFFFF}));
    EXPECT_TRUE(os().opens.empty());
}

TEST_F(AspiExecuteTest, EveryCommandCreatesAndClosesItsOwnEvent) {
    manager().completesLater = true;
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(AspiExecute(&drive, testUnitReadyCdb, 6, nullptr, 0, DirectionNone, kTimeoutSeconds), 0);
        EXPECT_EQ(os().LiveEventCount(), 0u);
    }
    EXPECT_EQ(os().eventsCreated, 5);
    EXPECT_EQ(os().closedHandles.size(), 5u);
}

}  // namespace
