#include "scsi/descriptions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

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

// A whole description as DescribeFailure composes it from the record, the
// sense bytes and the CDB.
struct DescriptionCase {
    const char* name;
    int32_t result;
    std::vector<uint8_t> cdb;  // zeros after these
    uint8_t cdbLength;
    uint8_t requestStatus;
    uint8_t hostAdapterStatus;
    uint8_t targetStatus;
    uint8_t senseKeyByte;
    uint8_t asc;
    uint8_t ascq;
    std::string text;
    const char* before = "";  // what the message held
    bool withRecord = true;   // g_lastStatus points at the record, else null
};

void PrintTo(const DescriptionCase& row, std::ostream* out) { *out << row.name; }

class Description : public DescriptionsTest, public ::testing::WithParamInterface<DescriptionCase> {};

TEST_P(Description, IsTheWholeText) {
    const DescriptionCase& row = GetParam();
    std::copy(row.cdb.begin(), row.cdb.end(), cdb);
    SetStatus(row.requestStatus, row.hostAdapterStatus, row.targetStatus);
    SetSense(row.senseKeyByte, row.asc, row.ascq);
    std::strcpy(message, row.before);
    if (!row.withRecord) g_lastStatus = nullptr;

    EXPECT_EQ(Describe(row.result, row.cdbLength), row.text);
}

const std::string kTestUnitReadyGood =
    "Scsi Command: 00 00 00 00 00 00\nScsi Target Status: 00 Status Good\n";
const std::string kTestUnitReadyCheck =
    "Scsi Command: 00 00 00 00 00 00\nScsi Target Status: 02 Check Condition\n";
const std::string kNoAdditionalSense = "ASC/ASCQ : 0000 No additional sense information\n";
const char* const kLeftOver = "left over from an earlier failure, long enough to show through";

const DescriptionCase kDescriptionCases[] = {
    {"RequestFailureHasThreeParts", 1, {}, 6, 0x82, 0x00, 0x00, 0, 0, 0,
     "ASPI SRB Status: Device not installed (82h)\nHost Adapter Status: OK (00h)\n" + kTestUnitReadyGood},
    {"HostAdapterFailureStartsAtTheBeginning", 2, {0x12, 0, 0, 0, 0x28, 0}, 6, 0x04, 0x11, 0x00, 0, 0, 0,
     "Host Adapter Status: Selection Time-Out (11h)\n"
     "Scsi Command: 12 00 00 00 28 00\nScsi Target Status: 00 Status Good\n",
     kLeftOver},
    {"CheckConditionOnTenByteCdb", 4, {0xF1, 0x01, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xEE, 0xEE}, 10, 0x04, 0x00, 0x02,
     0x05, 0x24, 0x00,
     "Scsi Command: F1 01 00 00 00 00 00 00 00 80\nScsi Target Status: 02 Check Condition\n"
     "Sense Key: 05   Illegal Request\nASC/ASCQ : 2400 ??? Unknown Error\n"},
    // The sense key byte is printed whole and described by its low four bits.
    {"SenseKeyByteWhole", 4, {}, 6, 0x04, 0x00, 0x02, 0x25, 0x3A, 0x00,
     kTestUnitReadyCheck + "Sense Key: 25   Illegal Request\nASC/ASCQ : 3A00 Medium not present\n"},
    {"FinalTableEntryForFFFF", 4, {}, 6, 0x04, 0x00, 0x02, 0x02, 0xFF, 0xFF,
     kTestUnitReadyCheck + "Sense Key: 02   Not Ready\nASC/ASCQ : FFFF ??? Unknown Error\n"},
    {"SenseKeyE0", 4, {}, 6, 0x04, 0x00, 0x02, 0xE0, 0, 0,
     kTestUnitReadyCheck + "Sense Key: E0   No Sense\n" + kNoAdditionalSense},
    {"SenseKeyE1", 4, {}, 6, 0x04, 0x00, 0x02, 0xE1, 0, 0,
     kTestUnitReadyCheck + "Sense Key: E1   Recovered Error\n" + kNoAdditionalSense},
    {"SenseKeyE2", 4, {}, 6, 0x04, 0x00, 0x02, 0xE2, 0, 0,
     kTestUnitReadyCheck + "Sense Key: E2   Not Ready\n" + kNoAdditionalSense},
    {"SenseKeyE3", 4, {}, 6, 0x04, 0x00, 0x02, 0xE3, 0, 0,
     kTestUnitReadyCheck + "Sense Key: E3   Medium Error\n" + kNoAdditionalSense},
    {"SenseKeyE4", 4, {}, 6, 0x04, 0x00, 0x02, 0xE4, 0, 0,
     kTestUnitReadyCheck + "Sense Key: E4   Hardware Error\n" + kNoAdditionalSense},
    {"SenseKeyE5", 4, {}, 6, 0x04, 0x00, 0x02, 0xE5, 0, 0,
     kTestUnitReadyCheck + "Sense Key: E5   Illegal Request\n" + kNoAdditionalSense},
    {"SenseKeyE6", 4, {}, 6, 0x04, 0x00, 0x02, 0xE6, 0, 0,
     kTestUnitReadyCheck + "Sense Key: E6   Unit Attention\n" + kNoAdditionalSense},
    {"SenseKeyE7", 4, {}, 6, 0x04, 0x00, 0x02, 0xE7, 0, 0,
     kTestUnitReadyCheck + "Sense Key: E7   ???\n" + kNoAdditionalSense},
    {"SenseKeyE8", 4, {}, 6, 0x04, 0x00, 0x02, 0xE8, 0, 0,
     kTestUnitReadyCheck + "Sense Key: E8   ???\n" + kNoAdditionalSense},
    {"SenseKeyE9", 4, {}, 6, 0x04, 0x00, 0x02, 0xE9, 0, 0,
     kTestUnitReadyCheck + "Sense Key: E9   ???\n" + kNoAdditionalSense},
    {"SenseKeyEA", 4, {}, 6, 0x04, 0x00, 0x02, 0xEA, 0, 0,
     kTestUnitReadyCheck + "Sense Key: EA   ???\n" + kNoAdditionalSense},
    {"SenseKeyEB", 4, {}, 6, 0x04, 0x00, 0x02, 0xEB, 0, 0,
     kTestUnitReadyCheck + "Sense Key: EB   Aborted Command\n" + kNoAdditionalSense},
    {"SenseKeyEC", 4, {}, 6, 0x04, 0x00, 0x02, 0xEC, 0, 0,
     kTestUnitReadyCheck + "Sense Key: EC   ???\n" + kNoAdditionalSense},
    {"SenseKeyED", 4, {}, 6, 0x04, 0x00, 0x02, 0xED, 0, 0,
     kTestUnitReadyCheck + "Sense Key: ED   ???\n" + kNoAdditionalSense},
    {"SenseKeyEE", 4, {}, 6, 0x04, 0x00, 0x02, 0xEE, 0, 0,
     kTestUnitReadyCheck + "Sense Key: EE   ???\n" + kNoAdditionalSense},
    {"SenseKeyEF", 4, {}, 6, 0x04, 0x00, 0x02, 0xEF, 0, 0,
     kTestUnitReadyCheck + "Sense Key: EF   ???\n" + kNoAdditionalSense},
    // Bit 6 plays no part in the status: index 1, a check condition.
    {"CheckConditionBitAmongOthers", 4, {}, 6, 0x01, 0x00, 0x42, 0x06, 0x29, 0x00,
     "Scsi Command: 00 00 00 00 00 00\nScsi Target Status: 42 Check Condition\n"
     "Sense Key: 06   Unit Attention\nASC/ASCQ : 2900 ??? Unknown Error\n"},
    // Pass-through reports sense data without a target status.
    {"CheckConditionWithoutTargetStatus", 4, {}, 6, 0x00, 0x00, 0x00, 0x05, 0x20, 0x00, kTestUnitReadyGood},
    // The system error number comes back from the three status bytes.
    {"SystemError5", -3, {}, 6, 0x05, 0x00, 0x00, 0, 0, 0, "Windows System Error : 0005\n"},
    {"SystemError1117", -3, {}, 6, 0x5D, 0x04, 0x00, 0, 0, 0, "Windows System Error : 1117\n"},
    // Failures before the device are described without reading a record.
    {"NoEventOrDevice", -1, {}, 6, 0, 0, 0, 0, 0, 0, "Aspi Completion Event Error!\n", "", false},
    {"NoMemory", -10, {}, 6, 0, 0, 0, 0, 0, 0, "Memory Allocation Error!\n", "", false},
    // The class is the low three bits of the result; a result without one
    // leaves the message as it was.
    {"ClassOfTen", 10, {}, 6, 0x04, 0x11, 0x00, 0, 0, 0,
     "Host Adapter Status: Selection Time-Out (11h)\n" + kTestUnitReadyGood},
    {"ClassOfNine", 9, {}, 6, 0x04, 0x00, 0x00, 0, 0, 0,
     "ASPI SRB Status: Completed with error (04h)\nHost Adapter Status: OK (00h)\n" + kTestUnitReadyGood},
    {"NoClassThree", 3, {}, 6, 0x04, 0x11, 0x02, 0x05, 0, 0, "untouched", "untouched"},
    {"NoClassZero", 0, {}, 6, 0x04, 0x11, 0x02, 0x05, 0, 0, "untouched", "untouched"},
    {"NoClassFive", 5, {}, 6, 0x04, 0x11, 0x02, 0x05, 0, 0, "untouched", "untouched"},
    {"NoClassEight", 8, {}, 6, 0x04, 0x11, 0x02, 0x05, 0, 0, "untouched", "untouched"},
    {"NoClassMinusTwo", -2, {}, 6, 0x04, 0x11, 0x02, 0x05, 0, 0, "untouched", "untouched"},
};

INSTANTIATE_TEST_SUITE_P(Table, Description, ::testing::ValuesIn(kDescriptionCases),
                         [](const auto& info) { return std::string(info.param.name); });

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

TEST_P(HostAdapterStatusTest, EachCodeHasItsOwnTextAndEveryOtherIsUnknown) {
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
        HostAdapterCase{0x01, "Host Adapter Status: ??? (01h)\n"},
        HostAdapterCase{0x08, "Host Adapter Status: ??? (08h)\n"},
        HostAdapterCase{0x09, "Host Adapter Status: Time-Out (09h)\n"},
        HostAdapterCase{0x0A, "Host Adapter Status: ??? (0Ah)\n"},
        HostAdapterCase{0x0B, "Host Adapter Status: SRB Time-Out (0Bh)\n"},
        HostAdapterCase{0x0C, "Host Adapter Status: ??? (0Ch)\n"},
        HostAdapterCase{0x0D, "Host Adapter Status: Message Reject (0Dh)\n"},
        HostAdapterCase{0x0E, "Host Adapter Status: Bus Reset (0Eh)\n"},
        HostAdapterCase{0x0F, "Host Adapter Status: Parity Error (0Fh)\n"},
        HostAdapterCase{0x10, "Host Adapter Status: Request Sense Failed (10h)\n"},
        HostAdapterCase{0x11, "Host Adapter Status: Selection Time-Out (11h)\n"},
        HostAdapterCase{0x12, "Host Adapter Status: Data Over-Run/Under-Run (12h)\n"},
        HostAdapterCase{0x13, "Host Adapter Status: Unexpected Bus Free (13h)\n"},
        HostAdapterCase{0x14, "Host Adapter Status: Phase Error (14h)\n"},
        HostAdapterCase{0x15, "Host Adapter Status: ??? (15h)\n"},
        HostAdapterCase{0xFF, "Host Adapter Status: ??? (FFh)\n"}));

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
