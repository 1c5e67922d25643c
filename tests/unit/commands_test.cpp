#include "scsi/commands.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "scsi/buffer_alignment.h"
#include "scsi/drive_device.h"
#include "scsi/pass_through.h"
#include "scsi/status_records.h"
#include "scsi/transport.h"
#include "tests/fakes/scoped_aspi_transport.h"
#include "tests/fakes/scsi_state.h"

namespace {

std::vector<uint8_t> CdbOf(const CScsiCmd& command) {
    return std::vector<uint8_t>(command.cdb, command.cdb + kCdbSize);
}

std::vector<uint8_t> Bytes(std::initializer_list<uint8_t> bytes) { return bytes; }

TEST(CommandObjects, NewTestUnitReady) {
    CTestUnitReadyCmd command;
    EXPECT_EQ(CdbOf(command), std::vector<uint8_t>(12, 0));
    EXPECT_EQ(command.cdbLength, 6);
    EXPECT_EQ(command.direction, DirectionNone);
    EXPECT_EQ(command.timeout, 30u);
    EXPECT_EQ(command.result, 0);
    EXPECT_STREQ(command.message, "");
    EXPECT_EQ(command.device, nullptr);
    EXPECT_EQ(command.buffer, nullptr);
    EXPECT_EQ(command.transferLength, 0u);
    EXPECT_EQ(std::vector<uint8_t>(command.sense, command.sense + kSenseSize),
              std::vector<uint8_t>(kSenseSize, 0));
}

TEST(CommandObjects, NewInquiryAndSerialInfo) {
    CInquiryCmd inquiry;
    EXPECT_EQ(inquiry.cdb[0], 0x12);
    EXPECT_EQ(inquiry.cdbLength, 6);
    EXPECT_EQ(inquiry.direction, DirectionIn);

    CSerialInfoCmd serial;
    EXPECT_EQ(CdbOf(serial), Bytes({0xF1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(serial.cdbLength, 10);
    EXPECT_EQ(serial.direction, DirectionIn);
    EXPECT_EQ(serial.timeout, 30u);
    EXPECT_EQ(serial.paramByte, 0);
    EXPECT_EQ(serial.paramLong, 0u);
    EXPECT_EQ(serial.paramWord, 0);
    EXPECT_EQ(serial.allocationLength, 0);
}

TEST(CommandObjects, InquiryResetClearsTheBufferThenAllocationLengthGoesIn) {
    uint8_t buffer[40];
    std::memset(buffer, 0xCC, sizeof buffer);
    CInquiryCmd inquiry;
    inquiry.buffer = buffer;
    inquiry.transferLength = sizeof buffer;
    inquiry.cdb[4] = 0x99;
    inquiry.cdb[11] = 0x99;

    inquiry.Reset();
    EXPECT_EQ(std::vector<uint8_t>(buffer, buffer + 40), std::vector<uint8_t>(40, 0));
    EXPECT_EQ(CdbOf(inquiry), Bytes({0x12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));

    inquiry.SetAllocationLength();
    EXPECT_EQ(CdbOf(inquiry), Bytes({0x12, 0, 0, 0, 0x28, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(CommandObjects, AllocationLengthIsTheLowByteOfTheTransferLength) {
    CInquiryCmd inquiry;
    inquiry.transferLength = 300;
    inquiry.SetAllocationLength();
    EXPECT_EQ(inquiry.cdb[4], 0x2C);
}

TEST(CommandObjects, PackCdbWritesTheParametersMostSignificantByteFirst) {
    CSerialInfoCmd serial;
    serial.paramByte = 1;
    serial.paramLong = 1;
    serial.paramWord = 2;
    serial.allocationLength = 128;
    serial.cdb[10] = 0x5A;
    serial.cdb[11] = 0xA5;
    serial.PackCdb();
    EXPECT_EQ(CdbOf(serial), Bytes({0xF1, 0x01, 0, 0, 0, 0x01, 0, 0x02, 0, 0x80, 0x5A, 0xA5}));

    serial.paramLong = 0x11223344;
    serial.paramWord = 0x5566;
    serial.allocationLength = 0x7788;
    serial.PackCdb();
    EXPECT_EQ(CdbOf(serial), Bytes({0xF1, 0x01, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x5A, 0xA5}));
}

TEST(CommandObjects, ResetRaisesTheLengthForTwelveByteDrivesAndNeverLowersIt) {
    DriveEntry twelve{};
    twelve.twelveByteCdb = 1;
    DriveEntry six{};
    CTestUnitReadyCmd command;

    command.device = &twelve;
    command.Reset();
    EXPECT_EQ(command.cdbLength, 12);

    command.device = &six;
    command.Reset();
    EXPECT_EQ(command.cdbLength, 12);
}

// A command with a length but no data buffer: Reset must not write through the
// null address (that would end the run) and still clears everything else.
TEST(CommandObjects, ResetWithoutABufferClearsEverythingElse) {
    CInquiryCmd inquiry;
    inquiry.buffer = nullptr;
    inquiry.transferLength = 40;
    inquiry.cdb[4] = 0x28;
    std::memset(inquiry.sense, 0x44, sizeof inquiry.sense);
    std::strcpy(inquiry.message, "old");
    inquiry.result = 4;

    inquiry.Reset();

    EXPECT_EQ(CdbOf(inquiry), Bytes({0x12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(std::vector<uint8_t>(inquiry.sense, inquiry.sense + kSenseSize), std::vector<uint8_t>(kSenseSize, 0));
    EXPECT_STREQ(inquiry.message, "");
    EXPECT_EQ(inquiry.result, 0);
}

TEST(CommandObjects, SerialInfoResetClearsItsParametersAndKeepsOpcodeAndLength) {
    CSerialInfoCmd serial;
    serial.paramByte = 1;
    serial.paramLong = 7;
    serial.paramWord = 8;
    serial.allocationLength = 128;
    serial.PackCdb();

    serial.Reset();
    EXPECT_EQ(serial.paramByte, 0);
    EXPECT_EQ(serial.paramLong, 0u);
    EXPECT_EQ(serial.paramWord, 0);
    EXPECT_EQ(serial.allocationLength, 0);
    EXPECT_EQ(CdbOf(serial), Bytes({0xF1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(serial.cdbLength, 10);
}

class CommandExecuteTest : public ::testing::Test {
protected:
    FakeAspiManager& manager() { return aspi.manager; }

    ScopedAspiTransport aspi;
    DriveEntry drive{};
};

TEST_F(CommandExecuteTest, SerialInfoGoesOutAsBuiltAndItsDataComesBack) {
    uint8_t reply[128] = {};
    CSerialInfoCmd serial;
    serial.device = &drive;
    serial.buffer = reply;
    serial.transferLength = sizeof reply;
    serial.paramByte = 1;
    serial.allocationLength = 128;
    serial.PackCdb();
    manager().device = [](StatusBlock& request) { request.SRB_BufPointer[127] = 0x42; };

    EXPECT_EQ(serial.Execute(), 0);

    ASSERT_EQ(manager().executed.size(), 1u);
    const StatusBlock& sent = manager().executed[0];
    EXPECT_EQ(sent.SRB_CDBLen, 10);
    EXPECT_EQ(std::vector<uint8_t>(sent.CDBByte, sent.CDBByte + 16),
              Bytes({0xF1, 0x01, 0, 0, 0, 0, 0, 0, 0, 0x80, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(sent.SRB_Flags, 0x48);
    EXPECT_EQ(sent.SRB_BufLen, 128u);
    EXPECT_EQ(reply[127], 0x42);
    EXPECT_EQ(serial.result, 0);
}

TEST_F(CommandExecuteTest, FailedExecuteCopiesTheSenseLengthAndKeepsTheRest) {
    manager().device = [](StatusBlock& request) {
        request.SRB_Status = 0x04;
        request.SRB_TargStat = 0x02;
        for (uint8_t i = 0; i < 16; ++i) request.SenseArea[i] = static_cast<uint8_t>(0x70 + i);
        request.SenseArea[2] = 0x05;
        request.SenseArea[12] = 0x24;
        request.SenseArea[13] = 0x00;
    };
    CTestUnitReadyCmd command;
    command.device = &drive;
    std::memset(command.sense, 0xEE, sizeof command.sense);

    EXPECT_EQ(command.Execute(), 4);

    EXPECT_EQ(command.result, 4);
    EXPECT_EQ(command.sense[0], 0x70);
    EXPECT_EQ(command.sense[2], 0x05);
    EXPECT_EQ(command.sense[13], 0x00);
    for (size_t i = 14; i < kSenseSize; ++i) EXPECT_EQ(command.sense[i], 0xEE) << "byte " << i;
    EXPECT_STREQ(command.message,
                 "Scsi Command: 00 00 00 00 00 00\n"
                 "Scsi Target Status: 02 Check Condition\n"
                 "Sense Key: 05   Illegal Request\n"
                 "ASC/ASCQ : 2400 ??? Unknown Error\n");
}

TEST_F(CommandExecuteTest, SenseLengthBeyondTheSenseAreaIsCut) {
    manager().device = [](StatusBlock& request) {
        request.SRB_Status = 0x04;
        request.SRB_TargStat = 0x02;
        request.SRB_SenseLen = 200;
        std::memset(request.SenseArea, 0x33, sizeof request.SenseArea);
    };
    CTestUnitReadyCmd command;
    command.device = &drive;
    std::memset(command.sense, 0xEE, sizeof command.sense);

    EXPECT_EQ(command.Execute(), 4);

    for (size_t i = 0; i < 16; ++i) EXPECT_EQ(command.sense[i], 0x33) << "byte " << i;
    for (size_t i = 16; i < kSenseSize; ++i) EXPECT_EQ(command.sense[i], 0xEE) << "byte " << i;
}

TEST_F(CommandExecuteTest, SuccessLeavesSenseAndMessage) {
    CTestUnitReadyCmd command;
    command.device = &drive;
    std::memset(command.sense, 0x11, sizeof command.sense);
    std::strcpy(command.message, "from before");

    EXPECT_EQ(command.Execute(), 0);

    EXPECT_EQ(command.sense[31], 0x11);
    EXPECT_STREQ(command.message, "from before");
}

TEST_F(CommandExecuteTest, RequestFailureIsDescribedInThreeParts) {
    manager().device = [](StatusBlock& request) { request.SRB_Status = 0x82; };
    CTestUnitReadyCmd command;
    command.device = &drive;

    EXPECT_EQ(command.Execute(), 1);

    EXPECT_STREQ(command.message,
                 "ASPI SRB Status: Device not installed (82h)\n"
                 "Host Adapter Status: OK (00h)\n"
                 "Scsi Command: 00 00 00 00 00 00\n"
                 "Scsi Target Status: 00 Status Good\n");
}

TEST_F(CommandExecuteTest, FailureBeforeTheDeviceCopiesWhatThePreviousCommandLeft) {
    manager().device = [](StatusBlock& request) {
        request.SRB_Status = 0x04;
        request.SRB_TargStat = 0x02;
        request.SenseArea[2] = 0x06;
    };
    CTestUnitReadyCmd first;
    first.device = &drive;
    ASSERT_EQ(first.Execute(), 4);

    aspi.fake.os.eventCreationFails = true;
    CTestUnitReadyCmd second;
    second.device = &drive;
    EXPECT_EQ(second.Execute(), -1);

    EXPECT_EQ(second.sense[2], 0x06);
    EXPECT_STREQ(second.message, "Aspi Completion Event Error!\n");
}

TEST_F(CommandExecuteTest, CdbLengthPastTheCdbIsCutToTwelve) {
    CTestUnitReadyCmd command;
    command.device = &drive;
    command.cdbLength = 16;

    EXPECT_EQ(command.Execute(), 0);

    ASSERT_EQ(manager().executed.size(), 1u);
    EXPECT_EQ(manager().executed[0].SRB_CDBLen, 12);
}

// No ASPI request carries a time-out: it bounds the wait, with the margin.
TEST_F(CommandExecuteTest, AspiTimeOutBoundsTheWaitAndIsNotSent) {
    manager().completesLater = true;
    CTestUnitReadyCmd command;
    command.device = &drive;
    command.timeout = 1;
    EXPECT_EQ(command.Execute(), 0);
    command.timeout = 999;
    EXPECT_EQ(command.Execute(), 0);

    EXPECT_EQ(aspi.fake.os.waitLimits, (std::vector<uint32_t>{11000, 1009000}));
    ASSERT_EQ(manager().executed.size(), 2u);
    EXPECT_TRUE(aspi.fake.os.ioctls.empty());
    // Each command has its own event; everything else is the same.
    StatusBlock first = manager().executed[0];
    StatusBlock second = manager().executed[1];
    first.SRB_PostProc = second.SRB_PostProc = nullptr;
    EXPECT_EQ(std::memcmp(&first, &second, sizeof(StatusBlock)), 0);
}

class PassThroughDispatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetScsiState();
        g_usePassThrough = 1;
        drive.driveLetter = 3;
        drive.targetId = 3;
        RememberAlignmentMask(3, 0);
        fake.os.devices[DriveDevicePath(3)] = FakeDevice{};
        fake.os.ioctlHandler = [](const FakeIoctl&, uint8_t*, uint32_t&) { return true; };
    }
    void TearDown() override { ResetScsiState(); }

    ScopedFakeOs fake;
    DriveEntry drive{};
};

TEST_F(PassThroughDispatchTest, TimeOutIsPassedOnUnchanged) {
    CInquiryCmd inquiry;
    uint8_t reply[40];
    inquiry.device = &drive;
    inquiry.buffer = reply;
    inquiry.transferLength = sizeof reply;
    inquiry.timeout = 77;
    inquiry.Reset();
    inquiry.SetAllocationLength();

    EXPECT_EQ(inquiry.Execute(), 0);

    ASSERT_EQ(fake.os.ioctls.size(), 1u);
    const FakeIoctl& call = fake.os.ioctls[0];
    EXPECT_EQ(call.code, kIoctlScsiPassThroughDirect);
    ASSERT_EQ(call.input.size(), sizeof(PassThroughRequest));
    PassThroughRequest sent;
    std::memcpy(&sent, call.input.data(), sizeof sent);
    EXPECT_EQ(sent.TimeOutValue, 77u);
    EXPECT_EQ(sent.CdbLength, 6);
    EXPECT_EQ(std::vector<uint8_t>(sent.Cdb, sent.Cdb + 6), Bytes({0x12, 0, 0, 0, 0x28, 0}));
    EXPECT_EQ(g_lastStatus, &g_passThroughStatus);
}

TEST_F(PassThroughDispatchTest, SystemErrorIsDescribedFromThePassThroughRecord) {
    fake.os.ioctlHandler = [](const FakeIoctl&, uint8_t*, uint32_t& error) {
        error = 1117;
        return false;
    };
    CTestUnitReadyCmd command;
    command.device = &drive;

    EXPECT_EQ(command.Execute(), -3);

    EXPECT_STREQ(command.message, "Windows System Error : 1117\n");
}

}  // namespace
