#pragma once

// The only door from the transport to the operating system. The product binds
// it to Win32 (app/win32/win32_os.cpp); the unit tests bind it to a scriptable
// fake. The core never includes <windows.h>, so it builds and is tested on
// Linux too.

#include <cstddef>
#include <cstdint>

#include "text/text.h"

using OsHandle = void*;  // kernel object or device handle; nullptr means none
using OsModule = void*;  // loaded library; nullptr means none

constexpr uint32_t kPlatformWin32Nt = 2;  // OSVERSIONINFOA::dwPlatformId of NT-family systems

constexpr uint32_t kGenericRead = 0x80000000u;
constexpr uint32_t kGenericWrite = 0x40000000u;

constexpr uint32_t kDriveRemote = 4;  // DRIVE_REMOTE: a network drive
constexpr uint32_t kDriveCdrom = 5;   // DRIVE_CDROM

// System errors, as LastError() gives them, with which a device refuses a program.
constexpr uint32_t kErrorAccessDenied = 5;
constexpr uint32_t kErrorSharingViolation = 32;
constexpr uint32_t kErrorLockViolation = 33;
constexpr uint32_t kErrorDriveLocked = 108;

enum class OsWait { Signalled, TimedOut, Failed };

class OsSeam {
public:
    virtual ~OsSeam() = default;

    // The platform id that GetVersionExA reports; 0 when the query fails.
    virtual uint32_t PlatformId() = 0;

    // Where system-wide drivers install their DLLs; empty when it cannot be had.
    virtual Text SystemDirectory() = 0;
    // Loads the library at exactly that full path, never searching; nullptr on failure.
    virtual OsModule LoadLibraryAt(const Text& fullPath) = 0;
    // The library's entry of that name; nullptr when it has none.
    virtual void* FindEntry(OsModule module, const char* name) = 0;

    // An unnamed, auto-reset event, initially not signalled; nullptr on failure.
    virtual OsHandle CreateCompletionEvent() = 0;
    // Blocks until the event is signalled or `milliseconds` have passed.
    virtual OsWait WaitFor(OsHandle event, uint32_t milliseconds) = 0;
    // Closes an event or a device; nullptr is ignored.
    virtual void CloseHandle(OsHandle handle) = 0;

    // GetDriveTypeA of the root "c:\\", answered from the system's records: no I/O to drive or server.
    virtual uint32_t DriveType(const Text& rootPath) = 0;
    // Opens a device with read and write sharing, OPEN_EXISTING; nullptr on failure, with LastError() saying why.
    virtual OsHandle OpenDevice(const Text& path, uint32_t access) = 0;
    // A synchronous control request; false on failure, with LastError() saying why.
    virtual bool DeviceIoControl(OsHandle device, uint32_t code, void* in, uint32_t inSize, void* out,
                                 uint32_t outSize) = 0;
    // The calling thread's last system error number.
    virtual uint32_t LastError() = 0;
    // Milliseconds since the system started, wrapping at 2^32; leaves the last error alone.
    virtual uint32_t Milliseconds() = 0;

    // A block of the process heap; nullptr when memory is exhausted.
    virtual void* Allocate(size_t size) = 0;
    // Releases a block that Allocate gave; nullptr is ignored.
    virtual void Free(void* block) = 0;
};

// The binding in force. The product installs its Win32 binding at start-up; a
// test installs its fake for the length of the test.
OsSeam& Os();
void InstallOs(OsSeam* seam);
