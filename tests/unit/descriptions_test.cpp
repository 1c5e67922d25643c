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
    const char* const expected[16] = {
        "No Sense", "Recovered Error", "Not Ready", "Medium Error", "Hardware Error",
        "Illegal Request", "Unit Attention", "???", "???", "???", "???", "Aborted Command",
        "???", "???", "???", "???"};
    SetStatus(0x04, 0x00, 0x02);
    for (int key = 0; key < 16; ++key) {
        SetSense(static_cast<uint8_t>(key | 0xE0), 0x00, 0x00);
        char line[64];
        std::snprintf(line, sizeof line, "Sense Key: %02X   %s\n", key | 0xE0, expected[key]);
        EXPECT_NE(Describe(4, 6).find(line), std::string::npos) << "key " << key;
    }
}

struct TargetStatusCase {
    uint8_t status;
    const char* text;
};

class TargetStatusTest : public DescriptionsTest, public ::testing::WithParamInterface<TargetStatusCase> {};

TEST_P(TargetStatusTest, StatusByteIsDescribedByItsBits) {
    SetStatus(0x01, 0x00, GetParam().status);
    char expected[128];
    std::snprintf(expected, sizeof expected,
                  "Scsi Command: 00 00 00 00 00 00\nScsi Target Status: %02X %s\n", GetParam().status,
                  GetParam().text);
    EXPECT_EQ(static_cast<size_t>(DescribeScsiStatus(cdb, 6, sense, message, 0)), std::strlen(expected));
    EXPECT_STREQ(message, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, TargetStatusTest,
    ::testing::Values(TargetStatusCase{0x00, "Status Good"}, TargetStatusCase{0x04, "Condition Met"},
                      TargetStatusCase{0x08, "Busy"}, TargetStatusCase{0x10, "Intermediate"},
                      TargetStatusCase{0x0C, "???"},
                      TargetStatusCase{0x14, "Intermediate-condition met"},
                      TargetStatusCase{0x18, "Reservation conflict"}, TargetStatusCase{0x20, "???"},
                      TargetStatusCase{0x22, "Command Terminated"}, TargetStatusCase{0x24, "???"},
                      TargetStatusCase{0x28, "Queue full"}, TargetStatusCase{0x30, "???"},
                      TargetStatusCase{0x40, "Status Good"}, TargetStatusCase{0x81, "Status Good"},
                      TargetStatusCase{0x3E, "???"}));

TEST_F(DescriptionsTest, CheckConditionBitAmongOthersIsNotACheckCondition) {
    SetStatus(0x01, 0x00, 0x42);  // bit 6 plays no part: index 1
    SetSense(0x06, 0x29, 0x00);
    EXPECT_EQ(Describe(4, 6),
              "Scsi Command: 00 00 00 00 00 00\n"
              "Scsi Target Status: 42 Check Condition\n"
              "Sense Key: 06   Unit Attention\n"
              "ASC/ASCQ : 2900 ??? Unknown Error\n");
}

class CdbLengthTest : public DescriptionsTest, public ::testing::WithParamInterface<int> {};

TEST_P(CdbLengthTest, AnyLengthButSixAndTenPrintsTwelveBytes) {
    for (int i = 0; i < 12; ++i) cdb[i] = static_cast<uint8_t>(0xA0 + i);
    SetStatus(0x01, 0x00, 0x00);
    DescribeScsiStatus(cdb, static_cast<uint8_t>(GetParam()), sense, message, 0);
    EXPECT_STREQ(message,
                 "Scsi Command: A0 A1 A2 A3 A4 A5 A6 A7 A8 A9 AA AB\n"
                 "Scsi Target Status: 00 Status Good\n");
}

INSTANTIATE_TEST_SUITE_P(Lengths, CdbLengthTest, ::testing::Values(0, 1, 5, 7, 11, 12, 16, 255));

TEST_F(DescriptionsTest, SixAndTenByteCdbs) {
    for (int i = 0; i < 12; ++i) cdb[i] = static_cast<uint8_t>(0xA0 + i);
    DescribeScsiStatus(cdb, 6, sense, message, 0);
    EXPECT_STREQ(message, "Scsi Command: A0 A1 A2 A3 A4 A5\nScsi Target Status: 00 Status Good\n");
    DescribeScsiStatus(cdb, 10, sense, message, 0);
    EXPECT_STREQ(message,
                 "Scsi Command: A0 A1 A2 A3 A4 A5 A6 A7 A8 A9\nScsi Target Status: 00 Status Good\n");
}

TEST_F(DescriptionsTest, SystemErrorNumberIsRebuiltFromTheStatusBytes) {
    SetStatus(0x05, 0x00, 0x00);
    EXPECT_EQ(Describe(-3, 6), "Windows System Error : 0005\n");
    SetStatus(0x5D, 0x04, 0x00);  // 1117
    EXPECT_EQ(Describe(-3, 6), "Windows System Error : 1117\n");
    SetStatus(0xFF, 0xFF, 0xFF);
    EXPECT_EQ(Describe(-3, 6), "Windows System Error : 16777215\n");
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
    const char* text;
};

class SrbStatusTest : public DescriptionsTest, public ::testing::WithParamInterface<SrbStatusCase> {};

TEST_P(SrbStatusTest, RequestStatusLine) {
    SetStatus(GetParam().status, 0x00, 0x00);
    char expected[96];
    std::snprintf(expected, sizeof expected, "ASPI SRB Status: %s (%02Xh)\n", GetParam().text,
                  GetParam().status);
    EXPECT_EQ(static_cast<size_t>(DescribeSrbStatus(message)), std::strlen(expected));
    EXPECT_STREQ(message, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, SrbStatusTest,
    ::testing::Values(SrbStatusCase{0x00, "Being processed"}, SrbStatusCase{0x01, "Completed without error"},
                      SrbStatusCase{0x02, "Aborted"}, SrbStatusCase{0x03, "Unable to abort"},
                      SrbStatusCase{0x04, "Completed with error"}, SrbStatusCase{0x05, "???"},
                      SrbStatusCase{0x7F, "???"}, SrbStatusCase{0x80, "Invalid ASPI command"},
                      SrbStatusCase{0x81, "Invalid host adapter number"},
                      SrbStatusCase{0x82, "Device not installed"}, SrbStatusCase{0x83, "???"},
                      SrbStatusCase{0xDF, "???"}, SrbStatusCase{0xE0, "Invalid SRB"},
                      SrbStatusCase{0xE1, "Buffer alignment error"}, SrbStatusCase{0xE2, "Security error"},
                      SrbStatusCase{0xE3, "???"}, SrbStatusCase{0xE4, "Failed init"},
                      SrbStatusCase{0xE5, "???"}, SrbStatusCase{0xE6, "Buffer size too big"},
                      SrbStatusCase{0xE7, "???"}, SrbStatusCase{0xE8, "???"}, SrbStatusCase{0xFF, "???"}));

struct HostAdapterCase {
    uint8_t status;
    const char* text;
};

class HostAdapterStatusTest : public DescriptionsTest,
                              public ::testing::WithParamInterface<HostAdapterCase> {};

TEST_P(HostAdapterStatusTest, RowIsZeroForOkStatusMinusSevenInRangeElsePhaseError) {
    SetStatus(0x01, GetParam().status, 0x00);
    std::strcpy(message, "prefix|");
    char expected[96];
    std::snprintf(expected, sizeof expected, "prefix|Host Adapter Status: %s (%02Xh)\n", GetParam().text,
                  GetParam().status);
    EXPECT_EQ(static_cast<size_t>(DescribeHostAdapterStatus(message, 7)), std::strlen(expected));
    EXPECT_STREQ(message, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, HostAdapterStatusTest,
    ::testing::Values(HostAdapterCase{0x00, "OK"}, HostAdapterCase{0x01, "Phase Error"},
                      HostAdapterCase{0x07, "Phase Error"}, HostAdapterCase{0x08, "Time-Out"},
                      HostAdapterCase{0x09, "???"}, HostAdapterCase{0x0A, "SRB Time-Out"},
                      HostAdapterCase{0x0B, "???"}, HostAdapterCase{0x0C, "Selection Time-Out"},
                      HostAdapterCase{0x0D, "Message Reject"}, HostAdapterCase{0x0E, "Bus Reset"},
                      HostAdapterCase{0x0F, "Parity Error"}, HostAdapterCase{0x10, "Request Sense Failed"},
                      HostAdapterCase{0x11, "Data Over-Run/Under-Run"},
                      HostAdapterCase{0x12, "Unexpected Bus Free"}, HostAdapterCase{0x13, "Phase Error"},
                      HostAdapterCase{0x14, "???"}, HostAdapterCase{0x15, "Phase Error"},
                      HostAdapterCase{0xFF, "Phase Error"}));

TEST_F(DescriptionsTest, PartsReturnTheLengthOfTheWholeText) {
    SetStatus(0x82, 0x00, 0x00);
    const uint16_t first = DescribeSrbStatus(message);
    EXPECT_EQ(static_cast<size_t>(first), std::strlen(message));
    const uint16_t second = DescribeHostAdapterStatus(message, first);
    EXPECT_EQ(static_cast<size_t>(second), std::strlen(message));
    const uint16_t third = DescribeScsiStatus(cdb, 6, sense, message, second);
    EXPECT_EQ(static_cast<size_t>(third), std::strlen(message));
}

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
