#include "scsi/aspi_execute.h"

#include <cstring>

#include "scsi/aspi_manager.h"
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

// Each later test overrides the earlier ones. A request that never finished
// (the wait on its event failed) counts as a failed request: it must not pass
// for a completed one.
int32_t ReduceOutcome(bool finished) {
    int32_t result = kResultSuccess;
    const uint8_t status = g_aspiExecSrb.SRB_Status;
    if (!finished || (status != SS_PENDING && status != SS_COMP)) result = kResultRequestStatus;
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

}  // namespace

int32_t AspiExecute(const DriveEntry* drive, const uint8_t* cdb, uint8_t cdbLength, uint8_t* buffer,
                    uint32_t transferLength, uint8_t direction) {
    g_lastStatus = &g_aspiExecSrb;
    // Only an initialised ASPI transport routes here; without the entry
    // nothing can be sent.
    if (g_sendAspi32Command == nullptr) return kResultNoEventOrDevice;

    const uint8_t lengthSent = CdbLengthSent(*drive, cdbLength);
    const uint32_t mask = CachedAlignmentMask(drive->adapterId, 0);

    const OsHandle event = Os().CreateCompletionEvent();
    if (event == nullptr) return kResultNoEventOrDevice;

    TransferBuffer transfer;
    if (!ObtainTransferBuffer(buffer, transferLength, direction, mask, transfer)) {
        Os().CloseHandle(event);
        return kResultNoMemory;
    }

    FillRequest(*drive, cdb, lengthSent, transfer.data, transferLength, direction, event);
    g_sendAspi32Command(&g_aspiExecSrb);

    bool finished = true;
    if (g_aspiExecSrb.SRB_Status == SS_PENDING) {
        finished = Os().WaitForever(event);
        if (finished) Os().ResetEvent(event);
    }
    const int32_t result = ReduceOutcome(finished);

    FreeAligned(transfer.bounce);
    Os().CloseHandle(event);
    return result;
}
