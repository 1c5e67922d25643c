#pragma once

// SCSI commands through the operating system's pass-through interface on the
// drive-letter devices. The device of the drive used last stays open, so that
// a run of commands to one drive needs a single open.

#include <cstddef>
#include <cstdint>

#include "scsi/device_records.h"
#include "scsi/os_seam.h"

// Both control codes of the port driver. The pass-through request demands a
// handle opened for reading and writing; the capabilities query any handle.
constexpr uint32_t kIoctlScsiPassThroughDirect = 0x0004D014;
constexpr uint32_t kIoctlScsiGetCapabilities = 0x00041010;
constexpr uint8_t kPassThroughSenseLength = 32;

// PassThroughRequest::DataIn values.
constexpr uint8_t kScsiIoctlDataOut = 0;
constexpr uint8_t kScsiIoctlDataIn = 1;
constexpr uint8_t kScsiIoctlDataUnspecified = 2;

// SCSI_PASS_THROUGH_DIRECT in its 32-bit layout, followed by the sense buffer
// that SenseInfoOffset points at. The same bytes go in and come back.
struct PassThroughRequest {
    uint16_t Length;
    uint8_t ScsiStatus;
    uint8_t PathId;
    uint8_t TargetId;
    uint8_t Lun;
    uint8_t CdbLength;
    uint8_t SenseInfoLength;
    uint8_t DataIn;
    uint8_t Padding1[3];
    uint32_t DataTransferLength;
    uint32_t TimeOutValue;
    void* DataBuffer;
    uint32_t SenseInfoOffset;
    uint8_t Cdb[kMaxCdbLength];
    uint32_t Padding2;
    uint8_t SenseBuffer[kPassThroughSenseLength];
};

constexpr uint16_t kScsiPassThroughDirectLength = 44;

// The system's part, field by field, is held against the system's header in
// the Win32 binding; here what the request adds to it.
static_assert(sizeof(PassThroughRequest) == 80);
static_assert(offsetof(PassThroughRequest, Padding2) == kScsiPassThroughDirectLength);
static_assert(offsetof(PassThroughRequest, SenseBuffer) == 48);

// IO_SCSI_CAPABILITIES as the port driver fills it (32-bit layout).
struct ScsiCapabilities {
    uint32_t Length;
    uint32_t MaximumTransferLength;
    uint32_t MaximumPhysicalPages;
    uint32_t SupportedAsynchronousEvents;
    uint32_t AlignmentMask;
    uint8_t TaggedQueuing;
    uint8_t AdapterScansDown;
    uint8_t AdapterUsesPio;
    uint8_t Reserved;
};
static_assert(sizeof(ScsiCapabilities) == 24);
static_assert(offsetof(ScsiCapabilities, AlignmentMask) == 16);

// The cached device: nullptr means none.
extern OsHandle g_deviceHandle;
extern uint8_t g_deviceLetter;  // drive-letter index g_deviceHandle was opened for

// Closes the cached device, if any.
void PassThroughCloseDevice();

// Every drive answers again until one lets a request run out its time-out.
void ForgetSilentDrives();
// True once a request to the letter's drive ran out its time-out.
bool IsSilentDrive(uint8_t driveLetter);

// Runs one command on the drive's letter device and leaves its outcome in
// g_passThroughStatus. Returns 0, 4 (check condition with sense data), -1 (no
// device), -3 (control request failed without sense data) or -10 (no memory).
// The CDB goes out with CdbLengthSent's length. Once a request to a drive has
// failed after taking its whole time-out, the drive is sent nothing more: each
// later command returns -3 at once with that request's system error.
int32_t PassThroughExecute(const DriveEntry* drive, const uint8_t* cdb, uint8_t cdbLength,
                           uint8_t* buffer, uint32_t transferLength, uint8_t direction,
                           uint32_t timeout);
