#include "tests/sim_drives/aspi_request.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "scsi/aspi_manager.h"

void PackAdapterUnique(uint16_t alignmentMask, uint8_t maxTargets, uint8_t (&unique)[16]) {
    std::memset(unique, 0, sizeof unique);
    unique[0] = static_cast<uint8_t>(alignmentMask & 0xFF);
    unique[1] = static_cast<uint8_t>(alignmentMask >> 8);
    unique[3] = maxTargets;
}

bool AbortIfPending(StatusBlock& request) {
    constexpr uint8_t kAborted = 0x02;  // SS_ABORTED
    if (request.SRB_Status != SS_PENDING) return false;
    request.SRB_Status = kAborted;
    return true;
}

void DeliverOutcome(StatusBlock& request, const SimOutcome& outcome) {
    if (request.SRB_BufPointer != nullptr && !outcome.data.empty()) {
        std::memcpy(request.SRB_BufPointer, outcome.data.data(), outcome.data.size());
    }
    std::memcpy(request.SenseArea, outcome.sense, std::min<size_t>(request.SRB_SenseLen, sizeof outcome.sense));
    request.SRB_HaStat = outcome.adapterStatus;
    request.SRB_TargStat = outcome.targetStatus;
    std::atomic_thread_fence(std::memory_order_seq_cst);
    request.SRB_Status = outcome.requestStatus;
}
