#pragma once

// The device and status records shared by the transports, the command objects
// and the survey. Both are wire layouts of 32-bit Windows (ASPI for Win32 and the SCSI pass-through
// driver read them byte for byte), so every build is 32-bit and the layouts
// are checked at compile time.

#include <cstddef>
#include <cstdint>

#include "scsi/os_seam.h"

constexpr uint8_t DirectionNone = 0x00;
constexpr uint8_t DirectionIn = 0x08;
constexpr uint8_t DirectionOut = 0x10;
constexpr uint8_t kDirectionBits = DirectionIn | DirectionOut;  // all a transport looks at

constexpr uint8_t kTwelveByteCdbLength = 12;
constexpr uint8_t kMaxCdbLength = 16;   // what either transport's request holds
constexpr uint8_t kSenseBytesKept = 14;  // sense bytes a command's status record keeps

constexpr size_t kIdentificationLength = 24;  // vendorId followed by productId
// vendorId to vendorSpecific: the bytes one copy of INQUIRY bytes 8..38 fills.
constexpr size_t kIdentificationRunLength = 31;

constexpr uint8_t kDriveLetters = 26;  // a to z: DriveEntry::driveLetter 0 to 25

// One found CD/DVD device.
struct DriveEntry {
    uint8_t targetId;     // ASPI target id; pass-through: the drive-letter index again
    uint8_t adapterId;    // ASPI host adapter; pass-through: 0
    uint8_t lun;
    uint8_t driveLetter;  // pass-through only: 0 for a ... 25 for z
    char vendorId[8];     // INQUIRY bytes 8..15, blank-padded, no NUL
    char productId[16];   // INQUIRY bytes 16..31
    char productRevision[4];
    uint8_t vendorSpecific[3];
    int32_t twelveByteCdb;  // non-zero: the drive takes 12-byte CDBs (TakesTwelveByteCdbs)
};

// Whatever length a command was built with, such a drive gets twelve CDB bytes.
constexpr bool TakesTwelveByteCdbs(const DriveEntry& drive) { return drive.twelveByteCdb != 0; }

// The CDB length sent: twelve bytes to a drive that takes twelve-byte CDBs,
// whatever the caller gave; otherwise the caller's, at most what a request holds.
constexpr uint8_t CdbLengthSent(const DriveEntry& drive, uint8_t cdbLength) {
    if (TakesTwelveByteCdbs(drive)) return kTwelveByteCdbLength;
    return cdbLength > kMaxCdbLength ? kMaxCdbLength : cdbLength;
}

// Command status in the layout of the ASPI for Win32 SRB_ExecSCSICmd request.
struct StatusBlock {
    uint8_t SRB_Cmd;
    uint8_t SRB_Status;
    uint8_t SRB_HaId;
    uint8_t SRB_Flags;
    uint32_t SRB_Hdr_Rsvd;
    uint8_t SRB_Target;
    uint8_t SRB_Lun;
    uint16_t SRB_Rsvd1;
    uint32_t SRB_BufLen;
    uint8_t* SRB_BufPointer;
    uint8_t SRB_SenseLen;
    uint8_t SRB_CDBLen;
    uint8_t SRB_HaStat;
    uint8_t SRB_TargStat;
    OsHandle SRB_PostProc;
    uint8_t SRB_Rsvd2[20];
    uint8_t CDBByte[kMaxCdbLength];
    uint8_t SenseArea[16];
};

// After a failed pass-through control request the three status bytes carry
// bits 0-23 of the system error number, low byte first; the failure
// description reads the number back from them.
inline void StoreSystemError(StatusBlock& status, uint32_t error) {
    status.SRB_Status = static_cast<uint8_t>(error);
    status.SRB_HaStat = static_cast<uint8_t>(error >> 8);
    status.SRB_TargStat = static_cast<uint8_t>(error >> 16);
}

inline uint32_t StoredSystemError(const StatusBlock& status) {
    return static_cast<uint32_t>(status.SRB_TargStat) << 16 | static_cast<uint32_t>(status.SRB_HaStat) << 8 |
           status.SRB_Status;
}

static_assert(sizeof(void*) == 4, "the records are 32-bit wire layouts: build for a 32-bit target");

static_assert(offsetof(DriveEntry, targetId) == 0);
static_assert(offsetof(DriveEntry, adapterId) == 1);
static_assert(offsetof(DriveEntry, lun) == 2);
static_assert(offsetof(DriveEntry, driveLetter) == 3);
static_assert(offsetof(DriveEntry, vendorId) == 4);
static_assert(offsetof(DriveEntry, productId) == offsetof(DriveEntry, vendorId) + 8);
static_assert(offsetof(DriveEntry, productRevision) == offsetof(DriveEntry, productId) + 16);
static_assert(offsetof(DriveEntry, vendorSpecific) == offsetof(DriveEntry, productRevision) + 4);
static_assert(offsetof(DriveEntry, vendorSpecific) + 3 - offsetof(DriveEntry, vendorId) == kIdentificationRunLength,
              "the identification is one run, filled by one copy of INQUIRY bytes 8..38");
static_assert(offsetof(DriveEntry, twelveByteCdb) == 36);

static_assert(sizeof(StatusBlock) == 80);
static_assert(offsetof(StatusBlock, SRB_Cmd) == 0x00);
static_assert(offsetof(StatusBlock, SRB_Status) == 0x01);
static_assert(offsetof(StatusBlock, SRB_HaId) == 0x02);
static_assert(offsetof(StatusBlock, SRB_Flags) == 0x03);
static_assert(offsetof(StatusBlock, SRB_Hdr_Rsvd) == 0x04);
static_assert(offsetof(StatusBlock, SRB_Target) == 0x08);
static_assert(offsetof(StatusBlock, SRB_Lun) == 0x09);
static_assert(offsetof(StatusBlock, SRB_Rsvd1) == 0x0A);
static_assert(offsetof(StatusBlock, SRB_BufLen) == 0x0C);
static_assert(offsetof(StatusBlock, SRB_BufPointer) == 0x10);
static_assert(offsetof(StatusBlock, SRB_SenseLen) == 0x14);
static_assert(offsetof(StatusBlock, SRB_CDBLen) == 0x15);
static_assert(offsetof(StatusBlock, SRB_HaStat) == 0x16);
static_assert(offsetof(StatusBlock, SRB_TargStat) == 0x17);
static_assert(offsetof(StatusBlock, SRB_PostProc) == 0x18);
static_assert(offsetof(StatusBlock, SRB_Rsvd2) == 0x1C);
static_assert(offsetof(StatusBlock, CDBByte) == 0x30);
static_assert(offsetof(StatusBlock, SenseArea) == 0x40);
