#include "scsi/pass_through.h"

#include <cstring>

#include "scsi/buffer_alignment.h"
#include "scsi/drive_device.h"
#include "scsi/result_codes.h"
#include "scsi/status_records.h"

OsHandle g_deviceHandle = nullptr;
uint8_t g_deviceLetter = 0;

namespace {

constexpr uint8_t kPassThroughTargetId = 1;
constexpr uint8_t kSenseKeyByte = 2;
// The port driver counts a request's time-out down once a second, so it may
// end the request up to a second before the time-out is over.
constexpr uint64_t kPortTimerMilliseconds = 1000;

// A drive that let a request run out its time-out: the system error that
// request ended with. Every further request would wait as long.
struct SilentDrive {
    bool silent;
    uint32_t error;
};
SilentDrive g_silentDrives[kDriveLetters];

// Windows reports an expired time-out as a failed call, with an error that
// depends on the port driver (ERROR_SEM_TIMEOUT from USB storage, others
// elsewhere); what sets it apart from any other failure is that the call took
// the whole time-out.
bool RanOutItsTimeOut(uint32_t tookMilliseconds, uint32_t timeoutSeconds) {
    return tookMilliseconds + kPortTimerMilliseconds >= static_cast<uint64_t>(timeoutSeconds) * 1000;
}

const SilentDrive* SilenceOf(uint8_t driveLetter) {
    if (driveLetter >= kDriveLetters || !g_silentDrives[driveLetter].silent) return nullptr;
    return &g_silentDrives[driveLetter];
}

void MarkSilent(uint8_t driveLetter, uint32_t error) {
    if (driveLetter < kDriveLetters) g_silentDrives[driveLetter] = {true, error};
}

// What the port driver behind the letter demands; 0 when its device does not
// open or the query fails.
uint32_t InquirePortDriverAlignmentMask(uint8_t driveLetter) {
    OsHandle device = OpenDriveDevice(driveLetter);
    if (device == nullptr) return 0;
    ScsiCapabilities capabilities{};
    if (!Os().DeviceIoControl(device, kIoctlScsiGetCapabilities, nullptr, 0, &capabilities,
                              sizeof capabilities)) {
        capabilities = ScsiCapabilities{};
    }
    Os().CloseHandle(device);
    return capabilities.AlignmentMask;
}

bool SelectDevice(uint8_t driveLetter) {
    if (g_deviceHandle != nullptr && g_deviceLetter == driveLetter) return true;
    PassThroughCloseDevice();
    g_deviceLetter = driveLetter;
    g_deviceHandle = OpenDriveDevice(driveLetter);
    return g_deviceHandle != nullptr;
}

uint8_t DataInFor(uint8_t direction) {
    switch (direction & kDirectionBits) {
        case DirectionIn:
            return kScsiIoctlDataIn;
        case DirectionOut:
            return kScsiIoctlDataOut;
        default:
            return kScsiIoctlDataUnspecified;
    }
}

void RecordOutcome(const PassThroughRequest& request, const uint8_t* cdb, uint8_t cdbLength) {
    g_passThroughStatus.SRB_TargStat = request.ScsiStatus;
    std::memcpy(g_passThroughStatus.SenseArea, request.SenseBuffer, kSenseBytesKept);
    g_passThroughStatus.SRB_SenseLen = kSenseBytesKept;
    g_passThroughStatus.SRB_CDBLen = cdbLength;
    if (cdbLength > 0) std::memcpy(g_passThroughStatus.CDBByte, cdb, cdbLength);
}

int32_t Outcome(const PassThroughRequest& request, bool succeeded, uint32_t error) {
    if (request.ScsiStatus == 0 && succeeded) return kResultSuccess;
    if (request.SenseBuffer[kSenseKeyByte] != 0) {
        PassThroughCloseDevice();
        return kResultCheckCondition;
    }
    if (!succeeded) {
        StoreSystemError(g_passThroughStatus, error);
        PassThroughCloseDevice();
        return kResultSystemError;
    }
    // A target status without sense data after a completed request.
    return kResultSuccess;
}

}  // namespace

void ForgetSilentDrives() {
    for (SilentDrive& drive : g_silentDrives) drive = SilentDrive{};
}

bool IsSilentDrive(uint8_t driveLetter) { return SilenceOf(driveLetter) != nullptr; }

void PassThroughCloseDevice() {
    if (g_deviceHandle != nullptr) Os().CloseHandle(g_deviceHandle);
    g_deviceHandle = nullptr;
}

int32_t PassThroughExecute(const DriveEntry* drive, const uint8_t* cdb, uint8_t cdbLength,
                           uint8_t* buffer, uint32_t transferLength, uint8_t direction,
                           uint32_t timeout) {
    g_lastStatus = &g_passThroughStatus;
    const uint8_t driveLetter = drive->driveLetter;
    // Nothing more goes to a drive that let a request run out its time-out;
    // the caller learns the failure that request ended with, and as after any
    // failure no device stays open.
    if (const SilentDrive* silence = SilenceOf(driveLetter)) {
        StoreSystemError(g_passThroughStatus, silence->error);
        PassThroughCloseDevice();
        return kResultSystemError;
    }
    cdbLength = CdbLengthSent(*drive, cdbLength);
    const uint32_t mask = CachedAlignmentMask(driveLetter, InquirePortDriverAlignmentMask);
    if (!SelectDevice(driveLetter)) {
        // Why the device did not open: it may have gone away since it was found.
        StoreSystemError(g_passThroughStatus, Os().LastError());
        return kResultNoEventOrDevice;
    }

    PassThroughRequest request{};
    request.Length = kScsiPassThroughDirectLength;
    request.TargetId = kPassThroughTargetId;
    request.CdbLength = cdbLength;
    request.SenseInfoLength = kPassThroughSenseLength;
    request.DataIn = DataInFor(direction);
    request.DataTransferLength = transferLength;
    request.TimeOutValue = timeout;
    request.SenseInfoOffset = offsetof(PassThroughRequest, SenseBuffer);

    // Only data out needs an aligned copy; data in goes straight to the caller.
    TransferBuffer transfer;
    if (!ObtainTransferBuffer(buffer, transferLength, direction, mask, transfer)) {
        PassThroughCloseDevice();
        return kResultNoMemory;
    }
    request.DataBuffer = transfer.data;
    if (cdbLength > 0) std::memcpy(request.Cdb, cdb, cdbLength);

    const uint32_t sentAt = Os().Milliseconds();
    const bool succeeded = Os().DeviceIoControl(g_deviceHandle, kIoctlScsiPassThroughDirect, &request,
                                                sizeof request, &request, sizeof request);
    const uint32_t error = succeeded ? 0 : Os().LastError();
    if (!succeeded && RanOutItsTimeOut(Os().Milliseconds() - sentAt, timeout)) MarkSilent(driveLetter, error);
    RecordOutcome(request, cdb, cdbLength);
    const int32_t result = Outcome(request, succeeded, error);
    FreeAligned(transfer.bounce);
    return result;
}
