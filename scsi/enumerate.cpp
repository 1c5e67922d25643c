#include "scsi/enumerate.h"

#include <cstring>

#include "scsi/commands.h"
#include "scsi/drive_device.h"
#include "scsi/transport.h"

namespace {

constexpr uint8_t kInquiryLength = 40;
constexpr uint8_t kPeripheralCdDvd = 0x05;  // device type 05h, qualifier 0
constexpr size_t kIdentificationOffset = 8;  // INQUIRY bytes 8..38
constexpr size_t kIdentificationRun = 31;
constexpr uint8_t kAtapiVersionBits = 0xF0;  // INQUIRY byte 3
constexpr uint8_t kDriveLetterTargets = 24;   // c: to z:
constexpr uint8_t kFirstProbedLetter = 2;     // a: and b: are never tried

// The letter exists when its device opens; the probes open it again themselves.
// A network drive is never a SCSI device and is not opened at all.
bool DriveLetterExists(uint8_t driveLetter) {
    if (IsNetworkDriveLetter(driveLetter)) return false;
    OsHandle device = OpenDriveDevice(driveLetter);
    if (device == nullptr) return false;
    Os().CloseHandle(device);
    return true;
}

void AcceptIdentification(DriveEntry& slot, const uint8_t* inquiry) {
    // vendorId, productId, productRevision and vendorSpecific are one run.
    auto* run = reinterpret_cast<uint8_t*>(&slot) + offsetof(DriveEntry, vendorId);
    std::memcpy(run, inquiry + kIdentificationOffset, kIdentificationRun);
    slot.twelveByteCdb = (inquiry[3] & kAtapiVersionBits) != 0 ? 1 : 0;
}

}  // namespace

int32_t ScsiEnumerateDrives(DriveEntry* entries, uint16_t maxCount) {
    if (maxCount == 0) return 0;  // not even the first slot may be written

    CTestUnitReadyCmd testUnitReady;
    CInquiryCmd inquiry;
    alignas(kDataBufferAlignment) static uint8_t inquiryData[kInquiryLength];
    inquiry.buffer = inquiryData;
    inquiry.transferLength = kInquiryLength;

    const bool passThrough = g_usePassThrough != 0;
    uint8_t targetCount = 0;
    if (passThrough) {
        g_adapterScanCount = 1;
        targetCount = kDriveLetterTargets;
    }

    int32_t found = 0;
    for (uint8_t adapter = 0; adapter < g_adapterScanCount; ++adapter) {
        if (!passThrough) {
            SRB_HAInquiry* answer = nullptr;
            if (ScsiHostAdapterInquiry(adapter, &answer) != 0) continue;
            // Adapter ids past the tables fetch their mask per command instead.
            RememberAlignmentMask(adapter, HostAdapterAlignmentMask(*answer));
            targetCount = HostAdapterTargetCount(*answer);
        }

        for (uint8_t i = 0; i < targetCount; ++i) {
            DriveEntry& slot = entries[found];
            uint8_t targetId = i;
            if (passThrough) {
                const uint8_t driveLetter = static_cast<uint8_t>(i + kFirstProbedLetter);
                slot.driveLetter = driveLetter;
                if (!DriveLetterExists(driveLetter)) continue;
                targetId = driveLetter;
            }
            slot.targetId = targetId;
            slot.adapterId = adapter;
            slot.lun = 0;
            slot.twelveByteCdb = 0;

            testUnitReady.device = &slot;
            testUnitReady.Execute();  // only wakes the drive; its outcome does not matter

            inquiry.device = &slot;
            inquiry.Reset();
            inquiry.SetAllocationLength();
            if (inquiry.Execute() != 0 || inquiryData[0] != kPeripheralCdDvd) continue;

            AcceptIdentification(slot, inquiryData);
            if (++found >= maxCount) return found;
        }
    }
    return found;
}
