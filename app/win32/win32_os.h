#pragma once

// The core's operating-system seam bound to Win32.

#include "scsi/os_seam.h"

class Win32Os : public OsSeam {
public:
    uint32_t PlatformId() override;
    Text SystemDirectory() override;
    OsModule LoadLibraryAt(const Text& fullPath) override;
    void* FindEntry(OsModule module, const char* name) override;
    OsHandle CreateCompletionEvent() override;
    OsWait WaitFor(OsHandle event, uint32_t milliseconds) override;
    void CloseHandle(OsHandle handle) override;
    uint32_t DriveType(const Text& rootPath) override;
    OsHandle OpenDevice(const Text& path, uint32_t access) override;
    bool DeviceIoControl(OsHandle device, uint32_t code, void* in, uint32_t inSize, void* out,
                         uint32_t outSize) override;
    uint32_t LastError() override;
    uint32_t Milliseconds() override;
    void* Allocate(size_t size) override;
    void Free(void* block) override;
};
