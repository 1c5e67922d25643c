#pragma once

#include <cstdint>

#include "scsi/device_records.h"
#include "scsi/failure_reasons.h"

// The drive letters that the system calls CD-ROM drives but whose device
// refused this program at once: per drive-letter index why (another
// program's hold, no access, not ready yet), None for every other letter. A
// writer behind such a letter is missing from the entries without being
// absent.
struct RefusedLetters {
    FailureCategory category[kDriveLetters];
};

// Fills one entry per CD/DVD device that the transport in force reaches, in
// the order found (adapter then target under ASPI, C: to Z: under
// pass-through), up to `maxCount`. Returns the number filled. ScsiInitialize
// must have run first. Under pass-through the letters that refused it go to
// `refused` when one is given.
int32_t ScsiEnumerateDrives(DriveEntry* entries, uint16_t maxCount, RefusedLetters* refused = nullptr);
