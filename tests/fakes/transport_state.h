#pragma once

// Puts the transport's process-wide state back to how a fresh process finds
// it, so that each test starts from the same ground.

#include <cstring>

#include "scsi/aspi_execute.h"
#include "scsi/pass_through.h"
#include "scsi/status_records.h"
#include "scsi/transport.h"

inline void ResetTransportState() {
    g_usePassThrough = 0;
    g_adapterScanCount = 1;
    std::memset(g_alignmentKnown, 0, sizeof g_alignmentKnown);
    std::memset(g_alignmentMask, 0, sizeof g_alignmentMask);
    g_aspiModule = nullptr;
    g_sendAspi32Command = nullptr;
    g_getAspi32SupportInfo = nullptr;
    g_haInquirySrb = SRB_HAInquiry{};
    g_deviceHandle = nullptr;
    g_deviceLetter = 0;
    g_aspiExecSrb = StatusBlock{};
    g_passThroughStatus = StatusBlock{};
    g_lastStatus = nullptr;
    g_aspiRequestOutstanding = 0;
}
