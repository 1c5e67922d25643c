#include "scsi/drive_device.h"

#include "text/format.h"

Text DriveDevicePath(uint8_t driveLetter) {
    return FormatText("\\\\.\\%c:", static_cast<char>('a' + driveLetter));
}

uint32_t DriveTypeOf(uint8_t driveLetter) {
    return Os().DriveType(FormatText("%c:\\", static_cast<char>('a' + driveLetter)));
}

bool IsNetworkDriveLetter(uint8_t driveLetter) { return DriveTypeOf(driveLetter) == kDriveRemote; }

OsHandle OpenDriveDevice(uint8_t driveLetter, uint32_t* readWriteRefusal) {
    const Text path = DriveDevicePath(driveLetter);
    OsHandle device = Os().OpenDevice(path, kGenericRead | kGenericWrite);
    if (readWriteRefusal != nullptr) *readWriteRefusal = device == nullptr ? Os().LastError() : 0;
    if (device == nullptr) device = Os().OpenDevice(path, kGenericRead);
    return device;
}
