#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "scsi/buffer_alignment.h"
#include "scsi/drive_device.h"
#include "scsi/pass_through.h"
#include "scsi/result_codes.h"
#include "scsi/status_records.h"
#include "scsi/transport.h"
#include "tests/fakes/fake_os.h"
#include "tests/fakes/scsi_state.h"

namespace {

constexpr uint32_t kPassThroughCode = 0x4D014;
constexpr uint32_t kGetCapabilities = 0x41010;
constexpr uint8_t kDriveC = 2;
constexpr uint8_t kDriveD = 3;

void Put32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t Get32(const uint8_t* bytes) {
    return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

// The request as the pass-through driver expects it, written out byte by byte.
std::vector<uint8_t> ExpectedRequest(uint8_t cdbLength, uint8_t dataIn, uint32_t transferLength,
                                     uint32_t timeout, const void* data, const uint8_t* cdb) {
    std::vector<uint8_t> bytes(80, 0);
    bytes[0] = 44;
    bytes[4] = 1;
    bytes[6] = cdbLength;
    bytes[7] = 32;
    bytes[8] = dataIn;
    Put32(bytes, 12, transferLength);
    Put32(bytes, 16, timeout);
    Put32(bytes, 20, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(data)));
    Put32(bytes, 24, 48);
    std::memcpy(&bytes[28], cdb, cdbLength);
    return bytes;
}

// How the scripted drive answers the next pass-through request.
struct DriveAnswer {
    uint8_t scsiStatus = 0;
    uint8_t sense[32] = {};
    bool succeeded = true;
    uint32_t error = 0;
    std::vector<uint8_t> dataIn;
};

class PassThrough : public ::testing::Test {
protected:
    void SetUp() override {
        ResetScsiState();
        g_usePassThrough = 1;
        fake.os.devices[DriveDevicePath(kDriveC)] = FakeDevice{};
        fake.os.devices[DriveDevicePath(kDriveD)] = FakeDevice{};
        fake.os.ioctlHandler = [this](const FakeIoctl& call, uint8_t* out, uint32_t& error) {
            if (call.code == kGetCapabilities) {
                std::memset(out, 0xEE, call.outSize);  // what a half-done call might leave
                std::memcpy(out + 16, &portMask, sizeof portMask);
                return capabilitiesAnswer;
            }
            auto* data = reinterpret_cast<uint8_t*>(static_cast<uintptr_t>(Get32(out + 20)));
            const uint32_t length = Get32(out + 12);
            if (out[8] == 0) dataOut.assign(data, data + length);
            const size_t replied = std::min<size_t>(length, answer.dataIn.size());
            if (out[8] == 1 && replied > 0) std::memcpy(data, answer.dataIn.data(), replied);
            out[2] = answer.scsiStatus;
            std::memcpy(out + 48, answer.sense, sizeof answer.sense);
            error = answer.error;
            return answer.succeeded;
        };
    }

    DriveEntry Drive(uint8_t letter) {
        DriveEntry drive{};
        drive.targetId = letter;
        drive.driveLetter = letter;
        return drive;
    }

    // Keeps the alignment query out of the record of opens and requests.
    void AlignmentAlreadyKnown(uint8_t letter, uint32_t mask) { RememberAlignmentMask(letter, mask); }

    int32_t TestUnitReady(const DriveEntry& drive) {
        return PassThroughExecute(&drive, kTestUnitReady, 6, nullptr, 0, DirectionNone, 30);
    }

    std::vector<FakeIoctl> Commands() const {
        std::vector<FakeIoctl> commands;
        for (const FakeIoctl& call : fake.os.ioctls)
            if (call.code == kPassThroughCode) commands.push_back(call);
        return commands;
    }

    static constexpr uint8_t kTestUnitReady[16] = {0x00, 0, 0, 0, 0, 0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6};
    ScopedFakeOs fake;
    uint32_t portMask = 0;
    bool capabilitiesAnswer = true;
    DriveAnswer answer;
    std::vector<uint8_t> dataOut;
};

TEST_F(PassThrough, DataInRequestGoesStraightToTheCallersBuffer) {
    const DriveEntry drive = Drive(kDriveC);
    const uint8_t inquiry[6] = {0x12, 0, 0, 0, 0x28, 0};
    uint8_t reply[40] = {};
    answer.dataIn = {0x05, 0x80, 0x00, 0x32};

    EXPECT_EQ(PassThroughExecute(&drive, inquiry, 6, reply, sizeof reply, DirectionIn, 30), 0);

    ASSERT_EQ(Commands().size(), 1u);
    const FakeIoctl sent = Commands()[0];
    EXPECT_EQ(sent.path, "\\\\.\\c:");
    EXPECT_EQ(sent.input, ExpectedRequest(6, 1, 40, 30, reply, inquiry));
    EXPECT_EQ(sent.outSize, 80u);
    EXPECT_EQ(reply[3], 0x32);
    EXPECT_TRUE(fake.os.allocationSizes.empty());
}

TEST_F(PassThrough, DataOutWithoutMaskSendsTheCallersBuffer) {
    const DriveEntry drive = Drive(kDriveC);
    const uint8_t cdb[10] = {0x2A, 0, 0, 0, 0, 1, 0, 0, 1, 0};
    uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};

    EXPECT_EQ(PassThroughExecute(&drive, cdb, 10, data, sizeof data, DirectionOut, 45), 0);

    EXPECT_EQ(Commands()[0].input, ExpectedRequest(10, 0, 8, 45, data, cdb));
    EXPECT_TRUE(fake.os.allocationSizes.empty());
}

TEST_F(PassThrough, DataOutWithMaskGoesThroughAnAlignedCopy) {
    portMask = 3;
    fake.os.allocationMisalignment = 1;
    const DriveEntry drive = Drive(kDriveC);
    const uint8_t cdb[10] = {0x2A};
    uint8_t data[8] = {1, 2, 3, 4, 5, 6, 7, 8};

    EXPECT_EQ(PassThroughExecute(&drive, cdb, 10, data, sizeof data, DirectionOut, 30), 0);

    const FakeIoctl sent = Commands()[0];
    const uint32_t sentAddress = Get32(&sent.input[20]);
    EXPECT_EQ(sentAddress & 3, 0u);
    EXPECT_NE(sentAddress, reinterpret_cast<uintptr_t>(data));
    std::vector<uint8_t> request = ExpectedRequest(10, 0, 8, 30, nullptr, cdb);
    Put32(request, 20, sentAddress);
    EXPECT_EQ(sent.input, request);
    EXPECT_EQ(dataOut, std::vector<uint8_t>(data, data + 8));
    EXPECT_EQ(fake.os.allocationSizes, std::vector<size_t>{8 + 3});
    ASSERT_EQ(fake.os.freedBlocks.size(), 1u);
    EXPECT_NE(reinterpret_cast<uintptr_t>(fake.os.freedBlocks[0]), sentAddress);
    EXPECT_EQ(fake.os.LiveAllocationCount(), 0u);
}

TEST_F(PassThrough, DataInNeverUsesABounceBuffer) {
    portMask = 3;
    fake.os.allocationMisalignment = 1;
    const DriveEntry drive = Drive(kDriveC);
    const uint8_t cdb[10] = {0xF1};
    uint8_t reply[128];

    EXPECT_EQ(PassThroughExecute(&drive, cdb, 10, reply, sizeof reply, DirectionIn, 30), 0);
    EXPECT_EQ(Get32(&Commands()[0].input[20]), reinterpret_cast<uintptr_t>(reply));
    EXPECT_TRUE(fake.os.allocationSizes.empty());
}

TEST_F(PassThrough, NoDataRequest) {
    const DriveEntry drive = Drive(kDriveC);
    EXPECT_EQ(TestUnitReady(drive), 0);
    EXPECT_EQ(Commands()[0].input, ExpectedRequest(6, 2, 0, 30, nullptr, kTestUnitReady));
}

struct DirectionCase {
    uint8_t direction;
    uint8_t dataIn;
};

class PassThroughDirection : public PassThrough, public ::testing::WithParamInterface<DirectionCase> {};

TEST_P(PassThroughDirection, MapsTheDirectionBits) {
    const DriveEntry drive = Drive(kDriveC);
    uint8_t data[4] = {};
    PassThroughExecute(&drive, kTestUnitReady, 6, data, sizeof data, GetParam().direction, 30);
    EXPECT_EQ(Commands()[0].input[8], GetParam().dataIn);
    EXPECT_EQ(Get32(&Commands()[0].input[20]), reinterpret_cast<uintptr_t>(data));
}

INSTANTIATE_TEST_SUITE_P(Table, PassThroughDirection,
                         ::testing::Values(DirectionCase{0x08, 1}, DirectionCase{0x10, 0},
                                           DirectionCase{0x00, 2}, DirectionCase{0x18, 2},
                                           DirectionCase{0x48, 1}, DirectionCase{0x50, 0},
                                           DirectionCase{0xE7, 2}));

TEST_F(PassThrough, TwelveByteCdbDriveGetsTwelveBytes) {
    DriveEntry drive = Drive(kDriveC);
    drive.twelveByteCdb = 1;

    EXPECT_EQ(TestUnitReady(drive), 0);

    EXPECT_EQ(Commands()[0].input, ExpectedRequest(12, 2, 0, 30, nullptr, kTestUnitReady));
    EXPECT_EQ(g_passThroughStatus.SRB_CDBLen, 12);
    EXPECT_EQ(0, std::memcmp(g_passThroughStatus.CDBByte, kTestUnitReady, 12));
}

TEST_F(PassThrough, StatusRecordReceivesOnlyTheOutcomeFields) {
    const DriveEntry drive = Drive(kDriveC);
    g_passThroughStatus.SRB_Status = 0xA1;
    g_passThroughStatus.SRB_HaStat = 0xA2;
    g_passThroughStatus.SenseArea[14] = 0xEE;
    g_passThroughStatus.SenseArea[15] = 0xEF;
    answer.scsiStatus = 0x02;
    for (int i = 0; i < 32; ++i) answer.sense[i] = static_cast<uint8_t>(0x70 + i);

    EXPECT_EQ(TestUnitReady(drive), kResultCheckCondition);

    EXPECT_EQ(g_lastStatus, &g_passThroughStatus);
    StatusBlock expected{};
    expected.SRB_Status = 0xA1;
    expected.SRB_HaStat = 0xA2;
    expected.SRB_TargStat = 0x02;
    expected.SRB_SenseLen = 14;
    expected.SRB_CDBLen = 6;
    std::memcpy(expected.CDBByte, kTestUnitReady, 6);
    std::memcpy(expected.SenseArea, answer.sense, 14);
    expected.SenseArea[14] = 0xEE;
    expected.SenseArea[15] = 0xEF;
    EXPECT_EQ(0, std::memcmp(&g_passThroughStatus, &expected, sizeof expected));
}

struct OutcomeCase {
    const char* name;
    uint8_t scsiStatus;
    bool succeeded;
    uint8_t senseKeyByte;
    uint32_t error;
    int32_t expectedResult;
    bool staysOpen;
    uint8_t expectedStatus;  // SRB_Status, 0xA1 when untouched
    uint8_t expectedHaStat;  // SRB_HaStat, 0xA2 when untouched
    uint8_t expectedTargStat;
};

class PassThroughOutcome : public PassThrough, public ::testing::WithParamInterface<OutcomeCase> {};

TEST_P(PassThroughOutcome, DecidesTheResult) {
    const OutcomeCase& row = GetParam();
    const DriveEntry drive = Drive(kDriveC);
    AlignmentAlreadyKnown(kDriveC, 0);
    g_passThroughStatus.SRB_Status = 0xA1;
    g_passThroughStatus.SRB_HaStat = 0xA2;
    answer.scsiStatus = row.scsiStatus;
    answer.succeeded = row.succeeded;
    answer.sense[2] = row.senseKeyByte;
    answer.error = row.error;

    EXPECT_EQ(TestUnitReady(drive), row.expectedResult);

    EXPECT_EQ(g_passThroughStatus.SRB_Status, row.expectedStatus);
    EXPECT_EQ(g_passThroughStatus.SRB_HaStat, row.expectedHaStat);
    EXPECT_EQ(g_passThroughStatus.SRB_TargStat, row.expectedTargStat);
    EXPECT_EQ(g_passThroughStatus.SenseArea[2], row.senseKeyByte);
    EXPECT_EQ(g_deviceHandle != nullptr, row.staysOpen);
    EXPECT_EQ(fake.os.OpenDeviceCount(), row.staysOpen ? 1u : 0u);
}

const OutcomeCase kOutcomeCases[] = {
    {"Good", 0x00, true, 0x00, 0, 0, true, 0xA1, 0xA2, 0x00},
    {"GoodWinsOverSense", 0x00, true, 0x06, 0, 0, true, 0xA1, 0xA2, 0x00},
    {"CheckConditionWithSense", 0x02, true, 0x02, 0, 4, false, 0xA1, 0xA2, 0x02},
    {"IncorrectLengthBitCountsAsSense", 0x02, true, 0x20, 0, 4, false, 0xA1, 0xA2, 0x02},
    {"StatusWithoutSenseIsSuccess", 0x02, true, 0x00, 0, 0, true, 0xA1, 0xA2, 0x02},
    {"FailedWithSenseIsCheckCondition", 0x00, false, 0x05, 1117, 4, false, 0xA1, 0xA2, 0x00},
    {"FailedWithStatusAndSense", 0x02, false, 0x03, 1117, 4, false, 0xA1, 0xA2, 0x02},
    {"IoDeviceError", 0x00, false, 0x00, 1117, -3, false, 0x5D, 0x04, 0x00},
};

INSTANTIATE_TEST_SUITE_P(Table, PassThroughOutcome, ::testing::ValuesIn(kOutcomeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PassThrough, TwoCommandsOnOneDriveOpenItOnce) {
    AlignmentAlreadyKnown(kDriveC, 0);
    const DriveEntry drive = Drive(kDriveC);
    EXPECT_EQ(TestUnitReady(drive), 0);
    EXPECT_EQ(TestUnitReady(drive), 0);
    EXPECT_EQ(fake.os.opens.size(), 1u);
    EXPECT_TRUE(fake.os.closedHandles.empty());
    EXPECT_EQ(Commands().size(), 2u);
    EXPECT_EQ(g_deviceLetter, kDriveC);
}

TEST_F(PassThrough, AnotherDriveClosesTheCachedDevice) {
    AlignmentAlreadyKnown(kDriveC, 0);
    AlignmentAlreadyKnown(kDriveD, 0);
    EXPECT_EQ(TestUnitReady(Drive(kDriveC)), 0);
    OsHandle driveC = g_deviceHandle;
    EXPECT_EQ(TestUnitReady(Drive(kDriveD)), 0);

    EXPECT_EQ(fake.os.closedHandles, std::vector<OsHandle>{driveC});
    ASSERT_EQ(fake.os.opens.size(), 2u);
    EXPECT_EQ(fake.os.opens[1].path, "\\\\.\\d:");
    EXPECT_EQ(Commands()[1].path, "\\\\.\\d:");
    EXPECT_EQ(g_deviceLetter, kDriveD);
    EXPECT_EQ(fake.os.OpenDeviceCount(), 1u);
}

TEST_F(PassThrough, FailedCommandsReopenTheDeviceNextTime) {
    AlignmentAlreadyKnown(kDriveC, 0);
    const DriveEntry drive = Drive(kDriveC);
    answer.scsiStatus = 2;
    answer.sense[2] = 2;
    EXPECT_EQ(TestUnitReady(drive), 4);
    answer = DriveAnswer{};
    answer.succeeded = false;
    answer.error = 21;
    EXPECT_EQ(TestUnitReady(drive), -3);
    answer = DriveAnswer{};
    EXPECT_EQ(TestUnitReady(drive), 0);
    EXPECT_EQ(fake.os.opens.size(), 3u);
    EXPECT_EQ(fake.os.closedHandles.size(), 2u);
}

TEST_F(PassThrough, UnopenableDeviceGivesMinusOneAndKeepsNoHandle) {
    AlignmentAlreadyKnown(kDriveC, 0);
    fake.os.devices.clear();
    EXPECT_EQ(TestUnitReady(Drive(kDriveC)), kResultNoEventOrDevice);
    EXPECT_EQ(g_deviceHandle, nullptr);
    EXPECT_EQ(g_lastStatus, &g_passThroughStatus);
    EXPECT_EQ(StoredSystemError(g_passThroughStatus), 2u) << "why the device did not open";
    EXPECT_EQ(g_passThroughStatus.SRB_SenseLen, 0);
    EXPECT_TRUE(Commands().empty());

    EXPECT_EQ(TestUnitReady(Drive(kDriveC)), kResultNoEventOrDevice);
    EXPECT_EQ(fake.os.opens.size(), 4u) << "read-write and read-only, twice";
}

TEST_F(PassThrough, UnopenableDeviceAfterAnotherClosesTheOther) {
    AlignmentAlreadyKnown(kDriveC, 0);
    AlignmentAlreadyKnown(kDriveD, 0);
    fake.os.devices.erase(DriveDevicePath(kDriveD));
    EXPECT_EQ(TestUnitReady(Drive(kDriveC)), 0);
    EXPECT_EQ(TestUnitReady(Drive(kDriveD)), -1);
    EXPECT_EQ(fake.os.OpenDeviceCount(), 0u);
    EXPECT_EQ(g_deviceHandle, nullptr);
}

// The request needs a handle with write access: opened for reading only, the
// device is reached but the system refuses the request (access denied).
TEST_F(PassThrough, ReadOnlyDeviceIsOpenedButRefusesTheRequest) {
    AlignmentAlreadyKnown(kDriveC, 0);
    fake.os.devices[DriveDevicePath(kDriveC)].grantsReadWrite = false;

    EXPECT_EQ(TestUnitReady(Drive(kDriveC)), -3);

    ASSERT_EQ(fake.os.opens.size(), 2u);
    EXPECT_EQ(fake.os.opens[0].access, kGenericRead | kGenericWrite);
    EXPECT_FALSE(fake.os.opens[0].succeeded);
    EXPECT_EQ(fake.os.opens[1].access, kGenericRead);
    EXPECT_TRUE(fake.os.opens[1].succeeded);
    EXPECT_EQ(Commands().size(), 1u) << "sent once, refused by the system";
    EXPECT_EQ(g_passThroughStatus.SRB_Status, 0x05);
    EXPECT_EQ(g_deviceHandle, nullptr);
}

TEST_F(PassThrough, NoMemoryForBounceBufferClosesTheDevice) {
    AlignmentAlreadyKnown(kDriveC, 3);
    const DriveEntry drive = Drive(kDriveC);
    EXPECT_EQ(TestUnitReady(drive), 0);
    fake.os.allocationFails = true;
    const uint8_t cdb[10] = {0x2A};
    uint8_t data[8] = {};

    EXPECT_EQ(PassThroughExecute(&drive, cdb, 10, data, sizeof data, DirectionOut, 30), kResultNoMemory);

    EXPECT_EQ(g_deviceHandle, nullptr);
    EXPECT_EQ(fake.os.OpenDeviceCount(), 0u);
    EXPECT_EQ(Commands().size(), 1u) << "nothing sent after the failed allocation";
}

// The port driver's mask reaches the aligned copy through the cache, kept
// under the drive-letter index.
TEST_F(PassThrough, AlignmentComesFromThePortDriverThroughTheCache) {
    portMask = 0x1FF;
    fake.os.allocationMisalignment = 1;
    const DriveEntry drive = Drive(kDriveD);
    const uint8_t cdb[10] = {0x2A};
    uint8_t data[8] = {};

    EXPECT_EQ(PassThroughExecute(&drive, cdb, 10, data, sizeof data, DirectionOut, 30), 0);
    EXPECT_EQ(PassThroughExecute(&drive, cdb, 10, data, sizeof data, DirectionOut, 30), 0);

    size_t capabilityQueries = 0;
    for (const FakeIoctl& call : fake.os.ioctls) capabilityQueries += call.code == kGetCapabilities;
    EXPECT_EQ(capabilityQueries, 1u);
    EXPECT_EQ(fake.os.allocationSizes, (std::vector<size_t>{8 + 0x1FF, 8 + 0x1FF}));
    EXPECT_EQ(KnownAlignmentMask(kDriveD), 0x1FFu);
}

// The mask is asked for on a device of its own, opened as the command's is
// and closed again; whatever fails gives no mask, and data out then goes
// from the caller's buffer.
struct PortMaskCase {
    const char* name;
    FakeDevice device;
    bool capabilitiesAnswer;
    std::vector<uint32_t> queryOpens;  // the access of each open the query tries
    bool queried;
    std::vector<size_t> allocations;  // for 8 bytes out
};

class PortDriverMask : public PassThrough, public ::testing::WithParamInterface<PortMaskCase> {};

TEST_P(PortDriverMask, IsAskedOfTheDriveLettersDevice) {
    const PortMaskCase& row = GetParam();
    fake.os.devices[DriveDevicePath(kDriveC)] = row.device;
    capabilitiesAnswer = row.capabilitiesAnswer;
    portMask = 7;
    const DriveEntry drive = Drive(kDriveC);
    const uint8_t cdb[10] = {0x2A};
    uint8_t data[8] = {};

    PassThroughExecute(&drive, cdb, 10, data, sizeof data, DirectionOut, 30);

    ASSERT_GE(fake.os.opens.size(), row.queryOpens.size());
    for (size_t i = 0; i < row.queryOpens.size(); ++i) {
        EXPECT_EQ(fake.os.opens[i].path, "\\\\.\\c:") << "open " << i;
        EXPECT_EQ(fake.os.opens[i].access, row.queryOpens[i]) << "open " << i;
    }
    ASSERT_EQ(!fake.os.ioctls.empty() && fake.os.ioctls[0].code == kGetCapabilities, row.queried);
    if (row.queried) {
        EXPECT_TRUE(fake.os.ioctls[0].input.empty());
        EXPECT_EQ(fake.os.ioctls[0].outSize, 24u);
    }
    EXPECT_EQ(fake.os.allocationSizes, row.allocations);
    PassThroughCloseDevice();
    EXPECT_EQ(fake.os.OpenDeviceCount(), 0u) << "the query's device is closed";
}

constexpr uint32_t kReadWrite = kGenericRead | kGenericWrite;

INSTANTIATE_TEST_SUITE_P(
    Table, PortDriverMask,
    ::testing::Values(PortMaskCase{"ReadWrite", {true, true}, true, {kReadWrite}, true, {8 + 7}},
                      PortMaskCase{"FailedQuery", {true, true}, false, {kReadWrite}, true, {}},
                      PortMaskCase{"ReadOnly", {false, true}, true, {kReadWrite, kGenericRead}, true, {8 + 7}},
                      PortMaskCase{"Unopenable", {false, false}, true, {kReadWrite, kGenericRead}, false, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DriveDevicePath, LowerCaseLetterFromTheIndex) {
    EXPECT_EQ(DriveDevicePath(0), "\\\\.\\a:");
    EXPECT_EQ(DriveDevicePath(2), "\\\\.\\c:");
    EXPECT_EQ(DriveDevicePath(25), "\\\\.\\z:");
    EXPECT_EQ(DriveDevicePath(2).size(), 6u);
}

}  // namespace
