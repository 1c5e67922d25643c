#pragma once

// SCSI commands through the ASPI for Win32 manager. The request block is
// g_aspiExecSrb, which is at the same time the ASPI transport's status record.
// A manager has no time-out of its own worth relying on, and the main window
// shows only once the survey is done, so every wait for a request is bounded
// here.
//
// A request given up is never taken back: the manager may still complete it
// at any time, writing its block and its data buffer and signalling its
// event. Every caller therefore hands the manager only data buffers that
// outlive the process's last request to it (the survey's and the
// enumeration's are static), and after the first request given up the
// manager is abandoned (AspiManagerAbandoned) and sent nothing more.

#include <cstdint>

#include "scsi/device_records.h"

// What the manager is given beyond the command's own time-out to end a request
// the drive does not answer: time to notice the time-out, reset the bus and
// complete the request with an error.
constexpr uint32_t kAspiCompletionMarginSeconds = 10;
// How long an aborted request may take to complete.
constexpr uint32_t kAspiAbortGraceMilliseconds = 5000;

// Runs one command on the drive at adapterId:targetId:lun and waits for the
// manager to finish it, at most `timeout` seconds and the margin; a request
// still pending then is aborted, and given up when the abort does not end it
// within its grace. A wait that fails gives the request up at once, without
// an abort. Returns 0, 1 (request status, also for a request that had to be
// aborted or given up, and for every request once one was given up), 2
// (host-adapter status), 4 (check condition with sense data), -1 (no
// completion event, or no manager entry) or -10 (no memory for the bounce
// buffer). The CDB goes out with CdbLengthSent's length.
int32_t AspiExecute(const DriveEntry* drive, const uint8_t* cdb, uint8_t cdbLength, uint8_t* buffer,
                    uint32_t transferLength, uint8_t direction, uint32_t timeout);
