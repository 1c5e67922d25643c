#include "scsi/descriptions.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "scsi/status_records.h"

namespace {

class DescriptionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedLastStatus_ = g_lastStatus;
        g_lastStatus = &status;
        std::memset(message, 0, sizeof message);
    }
    void TearDown() override { g_lastStatus = savedLastStatus_; }

    void SetStatus(uint8_t requestStatus, uint8_t hostAdapterStatus, uint8_t targetStatus) {
        status.SRB_Status = requestStatus;
        status.SRB_HaStat = hostAdapterStatus;
        status.SRB_TargStat = targetStatus;
    }
    void SetSense(uint8_t keyByte, uint8_t asc, uint8_t ascq) {
        sense[2] = keyByte;
        sense[12] = asc;
        sense[13] = ascq;
    }
    std::string Describe(int32_t result, uint8_t cdbLength) {
        DescribeFailure(result, cdb, cdbLength, sense, message);
        return message;
    }

    StatusBlock status{};
    uint8_t cdb[12] = {};
    uint8_t sense[32] = {};
    char message[kMessageSize];

private:
    StatusBlock* savedLastStatus_ = nullptr;
};

TEST_F(DescriptionsTest, RequestFailureOnTestUnitReadyHasThreeParts) {
    SetStatus(0x82, 0x00, 0x00);
    EXPECT_EQ(Describe(1, 6),
              "ASPI SRB Status: Device not installed (82h)\n"
              "Host Adapter Status: OK (00h)\n"
              "Scsi Command: 00 00 00 00 00 00\n"
              "Scsi Target Status: 00 Status Good\n");
}

TEST_F(DescriptionsTest, HostAdapterFailureStartsAtTheBeginning) {
    std::strcpy(message, "left over from an earlier failure, long enough to show through");
    SetStatus(0x04, 0x11, 0x00);
    const uint8_t inquiry[12] = {0x12, 0, 0, 0, 0x28, 0};
    std::memcpy(cdb, inquiry, sizeof inquiry);
    EXPECT_EQ(Describe(2, 6),
              "Host Adapter Status: Data Over-Run/Under-Run (11h)\n"
              "Scsi Command: 12 00 00 00 28 00\n"
              "Scsi Target Status: 00 Status Good\n");
}

TEST_F(DescriptionsTest, CheckConditionOnTenByteCdbGivesFourLines) {
    const uint8_t serialInfo[12] = {0xF1, 0x01, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xEE, 0xEE};
    std::memcpy(cdb, serialInfo, sizeof serialInfo);
    SetStatus(0x04, 0x00, 0x02);
    SetSense(0x05, 0x24, 0x00);
    EXPECT_EQ(Describe(4, 10),
              "Scsi Command: F1 01 00 00 00 00 00 00 00 80\n"
              "Scsi Target Status: 02 Check Condition\n"
              "Sense Key: 05   Illegal Request\n"
              "ASC/ASCQ : 2400 ??? Unknown Error\n");
}

TEST_F(DescriptionsTest, SenseKeyByteIsPrintedWholeAndDescribedByItsLowFourBits) {
    SetStatus(0x04, 0x00, 0x02);
    SetSense(0x25, 0x3A, 0x00);
    EXPECT_EQ(Describe(4, 6),
              "Scsi Command: 00 00 00 00 00 00\n"
              "Scsi Target Status: 02 Check Condition\n"
              "Sense Key: 25   Illegal Request\n"
              "ASC/ASCQ : 3A00 Medium not present\n");
}

TEST_F(DescriptionsTest, FinalTableEntryIsFoundForFFFF) {
    SetStatus(0x04, 0x00, 0x02);
    SetSense(0x02, 0xFF, 0xFF);
    EXPECT_EQ(Describe(4, 6),
              "Scsi Command: 00 00 00 00 00 00\n"
              "Scsi Target Status: 02 Check Condition\n"
              "Sense Key: 02   Not Ready\n"
              "ASC/ASCQ : FFFF ??? Unknown Error\n");
}

struct SenseCase {
    uint8_t asc;
    uint8_t ascq;
    const char* line;
};

class AdditionalSenseTest : public DescriptionsTest, public ::testing::WithParamInterface<SenseCase> {};

TEST_P(AdditionalSenseTest, CodeIsLookedUpFromTheFirstEntry) {
    SetStatus(0x04, 0x00, 0x02);
    SetSense(0x03, GetParam().asc, GetParam().ascq);
    const std::string text = Describe(4, 6);
    const std::string lastLine = text.substr(text.rfind("ASC/ASCQ"));
    EXPECT_EQ(lastLine, GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    Table, AdditionalSenseTest,
    ::testing::Values(SenseCase{0x00, 0x00, "ASC/ASCQ : 0000 No additional sense information\n"},
                      SenseCase{0x18, 0x03, "ASC/ASCQ : 1803 Recovered data with crc\n"},
                      SenseCase{0x18, 0x04, "ASC/ASCQ : 1804 Recovered data with L-EC\n"},
                      SenseCase{0x04, 0x00, "ASC/ASCQ : 0400 Logical unit not ready, cause not reportable\n"},
                      SenseCase{0x3A, 0x01, "ASC/ASCQ : 3A01 Medium not present try close\n"},
                      SenseCase{0x3A, 0x02, "ASC/ASCQ : 3A02 Medium not present try open\n"},
                      SenseCase{0x57, 0x00, "ASC/ASCQ : 5700 Unable to recover Table-Of-Contents\n"},
                      SenseCase{0x53, 0x00, "ASC/ASCQ : 5300 Media load/eject failed\n"},
                      SenseCase{0x04, 0x01, "ASC/ASCQ : 0401 Table-Of-Contents read in progress\n"},
                      SenseCase{0x02, 0x00, "ASC/ASCQ : 0200 No seek complete\n"},
                      SenseCase{0x02, 0x80, "ASC/ASCQ : 0280 Servo seek error\n"},
                      SenseCase{0x02, 0x81, "ASC/ASCQ : 0281 Servo seek error, Sync error\n"},
                      SenseCase{0x02, 0x82, "ASC/ASCQ : 0282 Servo seek error, Header error\n"},
                      SenseCase{0x02, 0x83, "ASC/ASCQ : 0283 Servo seek error, Target not met\n"},
                      SenseCase{0x11, 0x05, "ASC/ASCQ : 1105 L-EC uncorrectable error\n"},
                      SenseCase{0x11, 0x06, "ASC/ASCQ : 1106 CIRC unrecovered error\n"},
                      SenseCase{0x00, 0x14, "ASC/ASCQ : 0014 Audio play operation stopped due to error\n"},
                      SenseCase{0x06, 0x00, "ASC/ASCQ : 0600 No reference position found\n"},
                      SenseCase{0x14, 0x00, "ASC/ASCQ : 1400 ??? Unknown Error\n"}));

TEST_F(DescriptionsTest, SenseKeyTextsByKey) {
    const char* const keyLines[16] = {
        "Sense Key: E0   No Sense\n",
        "Sense Key: E1   Recovered Error\n",
        "Sense Key: E2   Not Ready\n",
        "Sense Key: E3   Medium Error\n",
        "Sense Key: E4   Hardware Error\n",
        "Sense Key: E5   Illegal Request\n",
        "Sense Key: E6   Unit Attention\n",
        "Sense Key: E7   ???\n",
        "Sense Key: E8   ???\n",
        "Sense Key: E9   ???\n",
        "Sense Key: EA   ???\n",
        "Sense Key: EB   Aborted Command\n",
        "Sense Key: EC   ???\n",
        "Sense Key: ED   ???\n",
        "Sense Key: EE   ???\n",
        "Sense Key: EF   ???\n",
    };
    SetStatus(0x04, 0x00, 0x02);
    for (int key = 0; key < 16; ++key) {
        SetSense(static_cast<uint8_t>(0xE0 | key), 0x00, 0x00);
        EXPECT_EQ(Describe(4, 6), std::string("Scsi Command: 00 00 00 00 00 00\n"
                                              "Scsi Target Status: 02 Check Condition\n") +
                                      keyLines[key] + "ASC/ASCQ : 0000 No additional sense information\n")
            << "key " << key;
    }
}

struct TargetStatusCase {
    uint8_t status;
    const char* line;
};

class TargetStatusTest : public DescriptionsTest, public ::testing::WithParamInterface<TargetStatusCase> {};

TEST_P(TargetStatusTest, StatusByteIsDescribedByItsBits) {
    SetStatus(0x01, 0x00, GetParam().status);
    std::strcpy(message, "prefix|");
    const std::string expected = std::string("prefix|Scsi Command: 00 00 00 00 00 00\n") + GetParam().line;
    EXPECT_EQ(static_cast<size_t>(DescribeScsiStatus(cdb, 6, sense, message, 7)), expected.size());
    EXPECT_EQ(std::string(message), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, TargetStatusTest,
    ::testing::Values(
        TargetStatusCase{0x00, "Scsi Target Status: 00 Status Good\n"},
        TargetStatusCase{0x04, "Scsi Target Status: 04 Condition Met\n"},
        TargetStatusCase{0x08, "Scsi Target Status: 08 Busy\n"},
        TargetStatusCase{0x10, "Scsi Target Status: 10 Intermediate\n"},
        TargetStatusCase{0x0C, "Scsi Target Status: 0C ???\n"},
        TargetStatusCase{0x14, "Scsi Target Status: 14 Intermediate-condition met\n"},
        TargetStatusCase{0x18, "Scsi Target Status: 18 Reservation conflict\n"},
        TargetStatusCase{0x20, "Scsi Target Status: 20 ???\n"},
        TargetStatusCase{0x22, "Scsi Target Status: 22 Command Terminated\n"},
        TargetStatusCase{0x24, "Scsi Target Status: 24 ???\n"},
        TargetStatusCase{0x28, "Scsi Target Status: 28 Queue full\n"},
        TargetStatusCase{0x30, "Scsi Target Status: 30 ???\n"},
        TargetStatusCase{0x40, "Scsi Target Status: 40 Status Good\n"},
        TargetStatusCase{0x81, "Scsi Target Status: 81 Status Good\n"},
        TargetStatusCase{0x3E, "Scsi Target Status: 3E ???\n"}));

TEST_F(DescriptionsTest, CheckConditionBitAmongOthersIsNotACheckCondition) {
    SetStatus(0x01, 0x00, 0x42);  // bit 6 plays no part: index 1
    SetSense(0x06, 0x29, 0x00);
    EXPECT_EQ(Describe(4, 6),
              "Scsi Command: 00 00 00 00 00 00\n"
              "Scsi Target Status: 42 Check Condition\n"
              "Sense Key: 06   Unit Attention\n"
              "ASC/ASCQ : 2900 ??? Unknown Error\n");
}

struct CdbLengthCase {
    uint8_t cdbLength;
    const char* commandLine;
};

class CdbLengthTest : public DescriptionsTest, public ::testing::WithParamInterface<CdbLengthCase> {};

TEST_P(CdbLengthTest, SixAndTenPrintThemselvesAnyOtherLengthTwelveBytes) {
    for (int i = 0; i < 12; ++i) cdb[i] = static_cast<uint8_t>(0xA0 + i);
    SetStatus(0x01, 0x00, 0x00);
    DescribeScsiStatus(cdb, GetParam().cdbLength, sense, message, 0);
    EXPECT_EQ(std::string(message), std::string(GetParam().commandLine) + "Scsi Target Status: 00 Status Good\n");
}

INSTANTIATE_TEST_SUITE_P(
    Lengths, CdbLengthTest,
    ::testing::Values(CdbLengthCase{6, "Scsi Command: A0 A1 A2 A3 A4 A5\n"},
                      CdbLengthCase{10, "Scsi Command: A0 A1 A2 A3 A4 A5 A6 A7 A8 A9\n"},
                      CdbLengthCase{0, "Scsi Command: A0 A1 A2 A3 A4 A5 A6 A7 A8 A9 AA AB\n"},
                      CdbLengthCase{1, "Scsi Command: A0 A1 A2 A3 A4 A5 A6 A7 A8 A9 AA AB\n"},
                      CdbLengthCase{5, "Scsi Command: A0 A1 A2 A3 A4 A5 A6 A7 A8 A9 AA AB\n"},
                      CdbLengthCase{7, "Scsi Command: A0 A1 A2 A3 A4 A5 A6 A7 A8 A9 AA AB\n"},
                      CdbLengthCase{11, "Scsi Command: A0 A1 A2 A3 A4 A5 A6 A7 A8 A9 AA AB\n"},
                      CdbLengthCase{12, "Scsi Command: A0 A1 A2 A3 A4 A5 A6 A7 A8 A9 AA AB\n"},
                      CdbLengthCase{16, "Scsi Command: A0 A1 A2 A3 A4 A5 A6 A7 A8 A9 AA AB\n"},
                      CdbLengthCase{255, "Scsi Command: A0 A1 A2 A3 A4 A5 A6 A7 A8 A9 AA AB\n"}));

TEST_F(DescriptionsTest, SystemErrorNumberIsRebuiltFromTheStatusBytes) {
    SetStatus(0x05, 0x00, 0x00);
    EXPECT_EQ(Describe(-3, 6), "Windows System Error : 0005\n");
    SetStatus(0x5D, 0x04, 0x00);  // 1117
    EXPECT_EQ(Describe(-3, 6), "Windows System Error : 1117\n");
}

TEST_F(DescriptionsTest, TransportFailuresBeforeTheDeviceReadNoStatus) {
    g_lastStatus = nullptr;
    EXPECT_EQ(Describe(-1, 6), "Aspi Completion Event Error!\n");
    EXPECT_EQ(Describe(-10, 6), "Memory Allocation Error!\n");
}

TEST_F(DescriptionsTest, ResultWithoutAClassLeavesTheMessage) {
    for (int32_t result : {3, 0, 5, 8, -2}) {
        std::strcpy(message, "untouched");
        EXPECT_EQ(Describe(result, 6), "untouched") << "result " << result;
    }
}

TEST_F(DescriptionsTest, ClassIsTakenFromTheLowThreeBits) {
    SetStatus(0x04, 0x11, 0x00);
    EXPECT_EQ(Describe(10, 6).rfind("Host Adapter Status: ", 0), 0u);
    SetStatus(0x04, 0x00, 0x00);
    EXPECT_EQ(Describe(9, 6).rfind("ASPI SRB Status: ", 0), 0u);
}

TEST_F(DescriptionsTest, PassThroughCheckConditionWithoutTargetStatus) {
    SetStatus(0x00, 0x00, 0x00);
    SetSense(0x05, 0x20, 0x00);
    EXPECT_EQ(Describe(4, 6), "Scsi Command: 00 00 00 00 00 00\nScsi Target Status: 00 Status Good\n");
}

struct SrbStatusCase {
    uint8_t status;
    const char* line;
};

class SrbStatusTest : public DescriptionsTest, public ::testing::WithParamInterface<SrbStatusCase> {};

TEST_P(SrbStatusTest, RequestStatusLine) {
    SetStatus(GetParam().status, 0x00, 0x00);
    EXPECT_EQ(static_cast<size_t>(DescribeSrbStatus(message)), std::strlen(GetParam().line));
    EXPECT_STREQ(message, GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, SrbStatusTest,
    ::testing::Values(
        SrbStatusCase{0x00, "ASPI SRB Status: Being processed (00h)\n"},
        SrbStatusCase{0x01, "ASPI SRB Status: Completed without error (01h)\n"},
        SrbStatusCase{0x02, "ASPI SRB Status: Aborted (02h)\n"},
        SrbStatusCase{0x03, "ASPI SRB Status: Unable to abort (03h)\n"},
        SrbStatusCase{0x04, "ASPI SRB Status: Completed with error (04h)\n"},
        SrbStatusCase{0x05, "ASPI SRB Status: ??? (05h)\n"},
        SrbStatusCase{0x7F, "ASPI SRB Status: ??? (7Fh)\n"},
        SrbStatusCase{0x80, "ASPI SRB Status: Invalid ASPI command (80h)\n"},
        SrbStatusCase{0x81, "ASPI SRB Status: Invalid host adapter number (81h)\n"},
        SrbStatusCase{0x82, "ASPI SRB Status: Device not installed (82h)\n"},
        SrbStatusCase{0x83, "ASPI SRB Status: ??? (83h)\n"},
        SrbStatusCase{0xDF, "ASPI SRB Status: ??? (DFh)\n"},
        SrbStatusCase{0xE0, "ASPI SRB Status: Invalid SRB (E0h)\n"},
        SrbStatusCase{0xE1, "ASPI SRB Status: Buffer alignment error (E1h)\n"},
        SrbStatusCase{0xE2, "ASPI SRB Status: Security error (E2h)\n"},
        SrbStatusCase{0xE3, "ASPI SRB Status: ??? (E3h)\n"},
        SrbStatusCase{0xE4, "ASPI SRB Status: Failed init (E4h)\n"},
        SrbStatusCase{0xE5, "ASPI SRB Status: ??? (E5h)\n"},
        SrbStatusCase{0xE6, "ASPI SRB Status: Buffer size too big (E6h)\n"},
        SrbStatusCase{0xE7, "ASPI SRB Status: ??? (E7h)\n"},
        SrbStatusCase{0xE8, "ASPI SRB Status: ??? (E8h)\n"},
        SrbStatusCase{0xFF, "ASPI SRB Status: ??? (FFh)\n"}));

struct HostAdapterCase {
    uint8_t status;
    const char* line;
};

class HostAdapterStatusTest : public DescriptionsTest,
                              public ::testing::WithParamInterface<HostAdapterCase> {};

TEST_P(HostAdapterStatusTest, RowIsZeroForOkStatusMinusSevenInRangeElsePhaseError) {
    SetStatus(0x01, GetParam().status, 0x00);
    std::strcpy(message, "prefix|");
    const std::string expected = std::string("prefix|") + GetParam().line;
    EXPECT_EQ(static_cast<size_t>(DescribeHostAdapterStatus(message, 7)), expected.size());
    EXPECT_EQ(std::string(message), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, HostAdapterStatusTest,
    ::testing::Values(
        HostAdapterCase{0x00, "Host Adapter Status: OK (00h)\n"},
        HostAdapterCase{0x01, "Host Adapter Status: Phase Error (01h)\n"},
        HostAdapterCase{0x07, "Host Adapter Status: Phase Error (07h)\n"},
        HostAdapterCase{0x08, "Host Adapter Status: Time-Out (08h)\n"},
        HostAdapterCase{0x09, "Host Adapter Status: ??? (09h)\n"},
        HostAdapterCase{0x0A, "Host Adapter Status: SRB Time-Out (0Ah)\n"},
        HostAdapterCase{0x0B, "Host Adapter Status: ??? (0Bh)\n"},
        HostAdapterCase{0x0C, "Host Adapter Status: Selection Time-Out (0Ch)\n"},
        HostAdapterCase{0x0D, "Host Adapter Status: Message Reject (0Dh)\n"},
        HostAdapterCase{0x0E, "Host Adapter Status: Bus Reset (0Eh)\n"},
        HostAdapterCase{0x0F, "Host Adapter Status: Parity Error (0Fh)\n"},
        HostAdapterCase{0x10, "Host Adapter Status: Request Sense Failed (10h)\n"},
        HostAdapterCase{0x11, "Host Adapter Status: Data Over-Run/Under-Run (11h)\n"},
        HostAdapterCase{0x12, "Host Adapter Status: Unexpected Bus Free (12h)\n"},
        HostAdapterCase{0x13, "Host Adapter Status: Phase Error (13h)\n"},
        HostAdapterCase{0x14, "Host Adapter Status: ??? (14h)\n"},
        HostAdapterCase{0x15, "Host Adapter Status: Phase Error (15h)\n"},
        HostAdapterCase{0xFF, "Host Adapter Status: Phase Error (FFh)\n"}));

TEST_F(DescriptionsTest, TextThatWouldRunPastTheBufferIsCutAtItsEnd) {
    SetStatus(0x82, 0x00, 0x02);
    SetSense(0x05, 0x04, 0x00);
    std::memset(message, 'x', sizeof message);
    EXPECT_EQ(static_cast<size_t>(DescribeScsiStatus(cdb, 12, sense, message, 500)), kMessageSize - 1);
    EXPECT_EQ(message[kMessageSize - 1], '\0');
    EXPECT_EQ(std::string(message + 500), "Scsi Comman");
    EXPECT_EQ(DescribeHostAdapterStatus(message, 600), 600) << "an offset past the buffer writes nothing";
    EXPECT_EQ(message[kMessageSize - 1], '\0');
}

}  // namespace
