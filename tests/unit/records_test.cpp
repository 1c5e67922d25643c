#include "scsi/device_records.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/unit/cdb_length_cases.h"

namespace {

struct SystemErrorCase {
    uint32_t error;
    uint8_t status;  // SRB_Status
    uint8_t hostAdapterStatus;
    uint8_t targetStatus;
    uint32_t readBack;
};

const SystemErrorCase kSystemErrorCases[] = {
    {0, 0x00, 0x00, 0x00, 0},
    {5, 0x05, 0x00, 0x00, 5},
    {1117, 0x5D, 0x04, 0x00, 1117},
    {0x00ABCDEF, 0xEF, 0xCD, 0xAB, 0x00ABCDEF},
    {0x00FFFFFF, 0xFF, 0xFF, 0xFF, 16777215},
    {0x12345678, 0x78, 0x56, 0x34, 0x00345678},  // the top byte is lost
};

TEST(StatusBlockRecord, SystemErrorIsSpreadOverTheStatusBytesAndReadBack) {
    for (const SystemErrorCase& row : kSystemErrorCases) {
        StatusBlock status{};
        status.SRB_SenseLen = 0x5E;
        StoreSystemError(status, row.error);

        StatusBlock expected{};
        expected.SRB_SenseLen = 0x5E;
        expected.SRB_Status = row.status;
        expected.SRB_HaStat = row.hostAdapterStatus;
        expected.SRB_TargStat = row.targetStatus;
        EXPECT_EQ(0, std::memcmp(&status, &expected, sizeof status)) << "error " << row.error;
        EXPECT_EQ(StoredSystemError(status), row.readBack) << "error " << row.error;
    }
}

TEST(DriveEntryRecord, TwelveByteDrivesGetTwelveCdbBytesOthersTheirOwnUpToSixteen) {
    for (const CdbLengthCase& row : kCdbLengthCases) {
        DriveEntry drive{};
        drive.twelveByteCdb = row.twelveByteCdb;
        EXPECT_EQ(CdbLengthSent(drive, row.cdbLength), row.sent)
            << "twelveByteCdb " << row.twelveByteCdb << ", length " << int{row.cdbLength};
    }
}

}  // namespace
