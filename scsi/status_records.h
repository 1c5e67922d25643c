#pragma once

// The process-wide status records of the two transports: each command leaves
// its outcome in its transport's record, where the command objects and the
// failure descriptions read it.

#include "scsi/device_records.h"

// The ASPI transport's request block, handed to the manager itself.
extern StatusBlock g_aspiExecSrb;
// The pass-through transport's outcome record.
extern StatusBlock g_passThroughStatus;
// The record of the latest command of either transport; null before the first.
extern StatusBlock* g_lastStatus;
