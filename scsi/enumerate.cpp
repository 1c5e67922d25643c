#include "scsi/enumerate.h"

#include <cstring>

#include "scsi/buffer_alignment.h"
#include "scsi/commands.h"
#include "scsi/drive_device.h"
#include "scsi/result_codes.h"
#include "scsi/status_records.h"
#include "scsi/transport.h"

namespace {

constexpr uint8_t kInquiryLength = 40;
constexpr uint8_t kPeripheralCdDvd = 0x05;  // device type 05h, qualifier 0
constexpr size_t kIdentificationOffset = 8;  // INQUIRY bytes 8..38
constexpr uint8_t kAtapiVersionBits = 0xF0;  // INQUIRY byte 3
constexpr uint8_t kFirstProbedLetter = 2;     // a: and b: are never tried
constexpr uint8_t kDriveLetterTargets = kDriveLetters - kFirstProbedLetter;  // c: to z:

// A device that is there but refuses this program: another program holds it,
// the system denies this program access, or it is not ready yet.
bool IsRefusal(FailureCategory category) {
    return category == FailureCategory::InUse || category == FailureCategory::Denied ||
           category == FailureCategory::NotReady;
}

// Only a CD-ROM letter can be a missing writer: Windows refuses a standard
// user every fixed volume such as C:.
void NoteRefusal(RefusedLetters* refused, uint8_t driveLetter, const FailureOutcome& outcome) {
    if (refused == nullptr) return;
    const FailureCategory category = ClassifyFailure(outcome).category;
    if (IsRefusal(category) && DriveTypeOf(driveLetter) == kDriveCdrom) refused->category[driveLetter] = category;
}

// The letter exists when its device opens; the probes open it again
// themselves. A network drive is never a SCSI device and is not opened at
// all. A device that refuses the program is noted; so is the error with
// which it refused to open for writing, which tells another program's hold
// from a denial.
bool DriveLetterExists(uint8_t driveLetter, RefusedLetters* refused, uint32_t& readWriteRefusal) {
    if (IsNetworkDriveLetter(driveLetter)) return false;
    OsHandle device = OpenDriveDevice(driveLetter, &readWriteRefusal);
    if (device == nullptr) {
        NoteRefusal(refused, driveLetter,
                    FailureOutcome{kResultSystemError, 0, 0, 0, 0, 0, Os().LastError(), readWriteRefusal, false});
        return false;
    }
    Os().CloseHandle(device);
    return true;
}

void AcceptIdentification(DriveEntry& slot, const uint8_t* inquiry) {
    // vendorId, productId, productRevision and vendorSpecific are one run.
    auto* run = reinterpret_cast<uint8_t*>(&slot) + offsetof(DriveEntry, vendorId);
    std::memcpy(run, inquiry + kIdentificationOffset, kIdentificationRunLength);
    slot.twelveByteCdb = (inquiry[3] & kAtapiVersionBits) != 0 ? 1 : 0;
}

// The commands of one enumeration and the caller's array they fill. The slot
// under test is always the entry after the drives found so far.
class Probe {
public:
    Probe(DriveEntry* entries, uint16_t maxCount) : entries_(entries), maxCount_(maxCount) {
        inquiry_.buffer = inquiryData_;
        inquiry_.transferLength = kInquiryLength;
    }

    DriveEntry& Slot() { return entries_[found_]; }
    int32_t Found() const { return found_; }
    const CInquiryCmd& Inquiry() const { return inquiry_; }

    // Probes the slot at this address and keeps it when a CD/DVD device
    // answers. True when the walk ends here: the caller's array is full, or
    // the ASPI manager was abandoned (the INQUIRY buffer may still be the
    // manager's).
    bool AtAddress(uint8_t adapter, uint8_t targetId) {
        if (AspiManagerAbandoned()) return true;
        DriveEntry& slot = Slot();
        slot.targetId = targetId;
        slot.adapterId = adapter;
        slot.lun = 0;
        slot.twelveByteCdb = 0;

        testUnitReady_.device = &slot;
        testUnitReady_.Execute();  // only wakes the drive; its outcome does not matter

        inquiry_.device = &slot;
        inquiry_.Reset();
        inquiry_.SetAllocationLength();
        if (inquiry_.Execute() != 0 || inquiryData_[0] != kPeripheralCdDvd) return false;

        AcceptIdentification(slot, inquiryData_);
        return ++found_ >= maxCount_;
    }

private:
    DriveEntry* entries_;
    uint16_t maxCount_;
    int32_t found_ = 0;
    CTestUnitReadyCmd testUnitReady_;
    CInquiryCmd inquiry_;
    alignas(kDataBufferAlignment) static uint8_t inquiryData_[kInquiryLength];
};

alignas(kDataBufferAlignment) uint8_t Probe::inquiryData_[kInquiryLength];

// C: to Z:, each letter that exists, as target id of adapter 0. A letter
// whose INQUIRY is refused at once is noted too.
void WalkDriveLetters(Probe& probe, RefusedLetters* refused) {
    for (uint8_t i = 0; i < kDriveLetterTargets; ++i) {
        const uint8_t driveLetter = static_cast<uint8_t>(i + kFirstProbedLetter);
        probe.Slot().driveLetter = driveLetter;
        uint32_t readWriteRefusal = 0;
        if (!DriveLetterExists(driveLetter, refused, readWriteRefusal)) continue;
        if (probe.AtAddress(0, driveLetter)) return;
        if (probe.Inquiry().result == kResultSystemError) {
            FailureOutcome outcome = OutcomeOf(probe.Inquiry());
            outcome.readWriteRefusal = readWriteRefusal;
            NoteRefusal(refused, driveLetter, outcome);
        }
    }
}

// Every target id of every adapter that answers its inquiry.
void WalkAdapters(Probe& probe) {
    for (uint8_t adapter = 0; adapter < g_adapterScanCount; ++adapter) {
        SRB_HAInquiry* answer = nullptr;
        if (ScsiHostAdapterInquiry(adapter, &answer) != 0) continue;
        // Adapter ids past the tables fetch their mask per command instead.
        RememberAlignmentMask(adapter, HostAdapterAlignmentMask(*answer));
        const uint8_t targetCount = HostAdapterTargetCount(*answer);
        for (uint8_t targetId = 0; targetId < targetCount; ++targetId) {
            if (probe.AtAddress(adapter, targetId)) return;
        }
    }
}

}  // namespace

int32_t ScsiEnumerateDrives(DriveEntry* entries, uint16_t maxCount, RefusedLetters* refused) {
    if (maxCount == 0) return 0;  // not even the first slot may be written

    Probe probe(entries, maxCount);
    if (g_usePassThrough != 0) {
        g_adapterScanCount = 1;
        WalkDriveLetters(probe, refused);
    } else {
        WalkAdapters(probe);
    }
    return probe.Found();
}
