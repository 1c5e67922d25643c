#include "scsi/failure_reasons.h"

#include <iterator>

#include "scsi/os_seam.h"
#include "scsi/pass_through.h"
#include "scsi/result_codes.h"
#include "scsi/status_records.h"
#include "text/format.h"

namespace {

using Category = FailureCategory;

struct CodeCategory {
    uint32_t code;
    Category category;
};

// Sense key in the high byte, ASC in the low byte; every ASCQ of the ASC.
const CodeCategory kSenseCategories[] = {
    {0x0204, Category::NotReady},        // logical unit not ready: becoming ready, in progress
    {0x0520, Category::RefusedCommand},  // invalid command operation code
    {0x0524, Category::RefusedCommand},  // invalid field in the CDB
};

const CodeCategory kHostAdapterCategories[] = {
    {0x09, Category::NoAnswer},  // time-out
    {0x0B, Category::NoAnswer},  // command time-out
    {0x11, Category::NoAnswer},  // selection time-out: no device answered at the address
};

const CodeCategory kRequestStatusCategories[] = {
    {0x00, Category::NoAnswer},      // still pending: the manager never completed it
    {0x02, Category::NoAnswer},      // aborted once its time-out had passed
    {0x82, Category::Disconnected},  // no device installed at the address any more
};

// Access denied is another program's hold unless the device refused this
// program both ways (ClassifyFailure): the CD-ROM class driver fails other
// handles' requests so while a program holds exclusive access, and a locked
// volume refuses new opens so.
const CodeCategory kSystemErrorCategories[] = {
    {2, Category::Disconnected},     // file not found: the device is gone at a reopen
    {kErrorAccessDenied, Category::InUse},
    {21, Category::NotReady},        // not ready; also a locked or dismounted volume
    {kErrorSharingViolation, Category::InUse},
    {kErrorLockViolation, Category::InUse},
    {55, Category::Disconnected},    // the network resource or device is no longer available
    {kErrorDriveLocked, Category::InUse},
    {121, Category::NoAnswer},       // the semaphore time-out: USB storage gave up on the request
    {170, Category::InUse},          // busy
    {433, Category::Disconnected},   // a device that does not exist was specified
    {1167, Category::Disconnected},  // the device is not connected
};

template <size_t N>
Category CategoryOf(const CodeCategory (&table)[N], uint32_t code) {
    for (const CodeCategory& row : table) {
        if (row.code == code) return row.category;
    }
    return Category::Other;
}

bool NamesSystemError(int32_t result) { return result == kResultSystemError || result == kResultNoEventOrDevice; }

}  // namespace

FailureReason ClassifyFailure(const FailureOutcome& outcome) {
    FailureReason reason{Category::Other, {}};
    char* code = reason.code;
    switch (outcome.result) {
        case kResultSuccess:
            reason.category = Category::None;
            break;
        case kResultCheckCondition:
            reason.category = CategoryOf(kSenseCategories, static_cast<uint32_t>(outcome.senseKey << 8 | outcome.asc));
            FormatInto(code, kFailureCodeSize, "%02X/%02X/%02X", outcome.senseKey, outcome.asc, outcome.ascq);
            break;
        case kResultHostAdapterStatus:
            reason.category = CategoryOf(kHostAdapterCategories, outcome.hostAdapterStatus);
            FormatInto(code, kFailureCodeSize, "HA %02Xh", outcome.hostAdapterStatus);
            break;
        case kResultRequestStatus:
            reason.category = CategoryOf(kRequestStatusCategories, outcome.requestStatus);
            FormatInto(code, kFailureCodeSize, "SRB %02Xh", outcome.requestStatus);
            break;
        default:
            if (NamesSystemError(outcome.result) && outcome.systemError != 0) {
                const bool refusedBothWays = outcome.systemError == kErrorAccessDenied &&
                                             outcome.readWriteRefusal == kErrorAccessDenied;
                reason.category = outcome.timedOut  ? Category::NoAnswer
                                  : refusedBothWays ? Category::Denied
                                                    : CategoryOf(kSystemErrorCategories, outcome.systemError);
                FormatInto(code, kFailureCodeSize, "Windows %d", static_cast<int>(outcome.systemError));
            } else {
                FormatInto(code, kFailureCodeSize, "%d", outcome.result);
            }
            break;
    }
    return reason;
}

// Pass-through keeps the system error of a request it could not make, and of
// a device it could not open; the ASPI record holds an earlier outcome then.
FailureOutcome OutcomeOf(const CScsiCmd& command) {
    static const StatusBlock none{};
    const StatusBlock& status = g_lastStatus != nullptr ? *g_lastStatus : none;
    const bool passThrough = g_lastStatus == &g_passThroughStatus;
    const bool keepsSystemError =
        command.result == kResultSystemError || (command.result == kResultNoEventOrDevice && passThrough);
    return FailureOutcome{command.result,
                          status.SRB_Status,
                          status.SRB_HaStat,
                          static_cast<uint8_t>(command.sense[2] & 0x0F),
                          command.sense[12],
                          command.sense[13],
                          keepsSystemError ? StoredSystemError(status) : 0,
                          0,
                          passThrough && command.device != nullptr && IsSilentDrive(command.device->driveLetter)};
}

const char* CategoryName(FailureCategory category) {
    static const char* const kNames[] = {
        "read",  "not ready", "refused the command", "no answer", "in use by another program",
        "denied", "disconnected", "other",
    };
    static_assert(std::size(kNames) == static_cast<size_t>(Category::Other) + 1);
    return kNames[static_cast<size_t>(category)];
}
