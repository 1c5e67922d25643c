#pragma once

// The SCSI core's process-wide state as the tests see it: set back to what a
// fresh process finds, and what the alignment cache knows, asked the way a
// transport asks it.

#include <cstdint>
#include <optional>

#include "scsi/buffer_alignment.h"
#include "scsi/pass_through.h"
#include "scsi/status_records.h"
#include "scsi/transport.h"

// Each file's own reset where it has one; the shared records and the cached
// device are plain globals. The device a previous test left open belonged to
// that test's fake, gone by now, so it is forgotten, not closed.
inline void ResetScsiState() {
    ResetTransportState();
    ForgetAlignmentMasks();
    ForgetSilentDrives();
    g_deviceHandle = nullptr;
    g_deviceLetter = 0;
    g_aspiExecSrb = StatusBlock{};
    g_passThroughStatus = StatusBlock{};
    g_lastStatus = nullptr;
}

// The mask the cache holds for `index`, or nothing when it would have to be
// fetched; the asking then leaves the index known, with mask 0, as a fetch
// that fails would.
inline std::optional<uint32_t> KnownAlignmentMask(uint8_t index) {
    static bool fetched;
    fetched = false;
    const uint32_t mask = CachedAlignmentMask(index, [](uint8_t) -> uint32_t {
        fetched = true;
        return 0;
    });
    if (fetched) return std::nullopt;
    return mask;
}
