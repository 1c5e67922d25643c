#pragma once

#include <cstdint>

#include "scsi/device_records.h"

// Fills one entry per CD/DVD device that the transport in force reaches, in
// the order found (adapter then target under ASPI, C: to Z: under
// pass-through), up to `maxCount`. Returns the number filled. ScsiInitialize
// must have run first.
int32_t ScsiEnumerateDrives(DriveEntry* entries, uint16_t maxCount);
