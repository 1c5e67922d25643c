#pragma once

#include <cstdint>

#include "scsi/device_records.h"

// The drive letters that the system calls CD-ROM drives but whose device
// refused this program at once, for another program's hold on it or for want
// of access: per drive-letter index the system error of the refused open or
// request (5, 32, 33 or 108), 0 for every other letter. A writer behind such
// a letter is missing from the entries without being absent.
struct RefusedLetters {
    uint32_t error[kDriveLetters];
};

// Fills one entry per CD/DVD device that the transport in force reaches, in
// the order found (adapter then target under ASPI, C: to Z: under
// pass-through), up to `maxCount`. Returns the number filled. ScsiInitialize
// must have run first. Under pass-through the letters that refused it go to
// `refused` when one is given.
int32_t ScsiEnumerateDrives(DriveEntry* entries, uint16_t maxCount, RefusedLetters* refused = nullptr);
