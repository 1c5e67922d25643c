#pragma once

// The drive-letter device through which pass-through reaches a drive. Shared by
// the alignment query, pass-through execution and enumeration, which all open
// it the same way.

#include <cstdint>

#include "scsi/os_seam.h"
#include "text/text.h"

// "\\.\c:" for index 2: the lower-case letter 'a' + index.
Text DriveDevicePath(uint8_t driveLetter);

// GetDriveType of the letter's root, from the system's records.
uint32_t DriveTypeOf(uint8_t driveLetter);

// True for a network drive. Checked before the device is ever opened: an open
// goes to the network redirector, which first tries to reconnect a remembered
// mapping whose server is away, for tens of seconds each time.
bool IsNetworkDriveLetter(uint8_t driveLetter);

// Opens the device for reading and writing, or, where that is refused, for
// reading alone. nullptr when neither is granted; Os().LastError() then says
// why the second open was refused. `readWriteRefusal`, when given, receives
// the error of a refused read-write open, 0 when it was granted.
OsHandle OpenDriveDevice(uint8_t driveLetter, uint32_t* readWriteRefusal = nullptr);
