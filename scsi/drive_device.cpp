#include "scsi/drive_device.h"

#include <cstdio>

std::string DriveDevicePath(uint8_t driveLetter) {
    char path[8];
    std::snprintf(path, sizeof path, "\\\\.\\%c:", static_cast<char>('a' + driveLetter));
    return path;
}

OsHandle OpenDriveDevice(uint8_t driveLetter) {
    const std::string path = DriveDevicePath(driveLetter);
    OsHandle device = Os().OpenDevice(path, kGenericRead | kGenericWrite);
    if (device == nullptr) device = Os().OpenDevice(path, kGenericRead);
    return device;
}
