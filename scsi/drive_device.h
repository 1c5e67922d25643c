#pragma once

// The drive-letter device through which pass-through reaches a drive. Shared by
// the alignment query, pass-through execution and enumeration, which all open
// it the same way.

#include <cstdint>

#include "scsi/os_seam.h"
#include "scsi/text.h"

// "\\.\c:" for index 2: the lower-case letter 'a' + index.
Text DriveDevicePath(uint8_t driveLetter);

// Opens the device for reading and writing, or, where that is refused, for
// reading alone. nullptr when neither is granted.
OsHandle OpenDriveDevice(uint8_t driveLetter);
