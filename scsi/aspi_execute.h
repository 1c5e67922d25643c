#pragma once

// SCSI commands through the ASPI for Win32 manager. The request block is
// g_aspiExecSrb, which is at the same time the ASPI transport's status record.

#include <cstdint>

#include "scsi/device_records.h"

// Runs one command on the drive at adapterId:targetId:lun and waits, without a
// time-out, for the manager to finish it. Returns 0, 1 (request status), 2
// (host-adapter status), 4 (check condition with sense data), -1 (no
// completion event, or no manager entry) or -10 (no memory for the bounce
// buffer). A cdbLength above 16 is sent as 16; with the drive's twelveByteCdb
// set, twelve bytes are sent whatever cdbLength says.
int32_t AspiExecute(const DriveEntry* drive, const uint8_t* cdb, uint8_t cdbLength, uint8_t* buffer,
                    uint32_t transferLength, uint8_t direction);
