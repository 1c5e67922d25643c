#pragma once

// SCSI commands through the ASPI for Win32 manager. The request block is
// g_aspiExecSrb, which is at the same time the ASPI transport's status record.
// A manager has no time-out of its own worth relying on, and the survey runs
// before the window exists, so every wait for a request is bounded here.

#include <cstdint>

#include "scsi/device_records.h"

// 1 once a request was given up while the manager may still write it: its
// block, data buffer and event then belong to the manager for good, and
// nothing more is sent through the manager in this process.
extern int32_t g_aspiRequestOutstanding;

// What the manager is given beyond the command's own time-out to end a request
// the drive does not answer: time to notice the time-out, reset the bus and
// complete the request with an error.
constexpr uint32_t kAspiCompletionMarginSeconds = 10;
// How long an aborted request may take to complete.
constexpr uint32_t kAspiAbortGraceMilliseconds = 5000;

// Runs one command on the drive at adapterId:targetId:lun and waits for the
// manager to finish it, at most `timeout` seconds and the margin; a request
// still pending then is aborted. Returns 0, 1 (request status, also for a
// request that had to be aborted or given up, and for every request once one
// was given up), 2 (host-adapter status), 4 (check condition with sense data),
// -1 (no completion event, or no manager entry) or -10 (no memory for the
// bounce buffer). The CDB goes out with CdbLengthSent's length.
int32_t AspiExecute(const DriveEntry* drive, const uint8_t* cdb, uint8_t cdbLength, uint8_t* buffer,
                    uint32_t transferLength, uint8_t direction, uint32_t timeout);
