#include "scsi/aspi_execute.h"

#include <cstring>

#include "scsi/aspi_manager.h"
#include "scsi/buffer_alignment.h"
#include "scsi/result_codes.h"
#include "scsi/status_records.h"
#include "scsi/transport.h"

namespace {

void FillRequest(const DriveEntry& drive, const uint8_t* cdb, uint8_t cdbLength, uint8_t* data,
                 uint32_t transferLength, uint8_t direction, OsHandle event) {
    std::memset(&g_aspiExecSrb, 0, sizeof g_aspiExecSrb);
    g_aspiExecSrb.SRB_Cmd = SC_EXEC_SCSI_CMD;
    g_aspiExecSrb.SRB_HaId = drive.adapterId;
    g_aspiExecSrb.SRB_Flags = static_cast<uint8_t>(direction | SRB_EVENT_NOTIFY);
    g_aspiExecSrb.SRB_Target = drive.targetId;
    g_aspiExecSrb.SRB_Lun = drive.lun;
    g_aspiExecSrb.SRB_BufLen = transferLength;
    g_aspiExecSrb.SRB_BufPointer = data;
    g_aspiExecSrb.SRB_SenseLen = kSenseBytesKept;
    g_aspiExecSrb.SRB_CDBLen = cdbLength;
    g_aspiExecSrb.SRB_PostProc = event;
    if (cdbLength > 0) std::memcpy(g_aspiExecSrb.CDBByte, cdb, cdbLength);
}

// Each later test overrides the earlier ones.
int32_t ReduceOutcome() {
    int32_t result = kResultSuccess;
    const uint8_t status = g_aspiExecSrb.SRB_Status;
    if (status != SS_PENDING && status != SS_COMP) result = kResultRequestStatus;
    const uint8_t hostAdapterStatus = g_aspiExecSrb.SRB_HaStat;
    if (hostAdapterStatus != HASTAT_OK && hostAdapterStatus != HASTAT_DO_DU) {
        result = kResultHostAdapterStatus;
    }
    if (g_aspiExecSrb.SRB_TargStat != 0) {
        // Without sense data a target status is no failure, and a description
        // of a request or adapter failure then shows status 00h.
        if (g_aspiExecSrb.SenseArea[2] != 0) {
            result = kResultCheckCondition;
        } else {
            g_aspiExecSrb.SRB_TargStat = 0;
        }
    }
    return result;
}

uint32_t CompletionLimitMilliseconds(uint32_t timeoutSeconds) {
    // Short of INFINITE, which would take the bound away again.
    constexpr uint64_t kLongestWait = 0xFFFFFFFEu;
    const uint64_t limit = (static_cast<uint64_t>(timeoutSeconds) + kAspiCompletionMarginSeconds) * 1000;
    return static_cast<uint32_t>(limit < kLongestWait ? limit : kLongestWait);
}

// Sends the adapter its inquiry and takes the mask from the answer; an
// adapter that does not answer asks for nothing.
uint32_t InquireAdapterAlignmentMask(uint8_t adapter) {
    SRB_HAInquiry* inquiry = nullptr;
    if (ScsiHostAdapterInquiry(adapter, &inquiry) != 0) return 0;
    return HostAdapterAlignmentMask(*inquiry);
}

// The manager answers an abort within the call; the request it aborts then
// completes through its own event.
void AbortRequest(StatusBlock& request) {
    static SRB_Abort abort;
    abort = SRB_Abort{};
    abort.SRB_Cmd = SC_ABORT_SRB;
    abort.SRB_HaId = request.SRB_HaId;
    abort.SRB_ToAbort = &request;
    g_sendAspi32Command(&abort);
}

// True when the manager signalled the request's event: only then is it done
// with the request, its data buffer and the event.
bool AwaitCompletion(OsHandle event, uint32_t timeoutSeconds) {
    OsWait wait = Os().WaitFor(event, CompletionLimitMilliseconds(timeoutSeconds));
    if (wait == OsWait::TimedOut) {
        AbortRequest(g_aspiExecSrb);
        wait = Os().WaitFor(event, kAspiAbortGraceMilliseconds);
    }
    return wait == OsWait::Signalled;
}

}  // namespace

int32_t AspiExecute(const DriveEntry* drive, const uint8_t* cdb, uint8_t cdbLength, uint8_t* buffer,
                    uint32_t transferLength, uint8_t direction, uint32_t timeout) {
    g_lastStatus = &g_aspiExecSrb;
    // Only an initialised ASPI transport routes here; without the entry
    // nothing can be sent.
    if (g_sendAspi32Command == nullptr) return kResultNoEventOrDevice;
    // The manager still holds a request block: nothing may be sent, and the
    // block keeps what the manager last wrote.
    if (AspiManagerAbandoned()) return kResultRequestStatus;

    const uint8_t lengthSent = CdbLengthSent(*drive, cdbLength);
    const uint32_t mask = CachedAlignmentMask(drive->adapterId, InquireAdapterAlignmentMask);

    const OsHandle event = Os().CreateCompletionEvent();
    if (event == nullptr) return kResultNoEventOrDevice;

    TransferBuffer transfer;
    if (!ObtainTransferBuffer(buffer, transferLength, direction, mask, transfer)) {
        Os().CloseHandle(event);
        return kResultNoMemory;
    }

    FillRequest(*drive, cdb, lengthSent, transfer.data, transferLength, direction, event);
    g_sendAspi32Command(&g_aspiExecSrb);

    if (g_aspiExecSrb.SRB_Status == SS_PENDING && !AwaitCompletion(event, timeout)) {
        // The manager may still complete the request some day: its block,
        // the bounce buffer and the event stay as they are, and the manager
        // is not trusted with another request.
        AbandonAspiManager();
        return kResultRequestStatus;
    }
    const int32_t result = ReduceOutcome();

    FreeAligned(transfer.bounce);
    Os().CloseHandle(event);
    return result;
}
