#pragma once

// The only door from the core to the operating system. The product binds it to
// Win32 (app/win32_os.cpp); the unit tests bind it to a scriptable fake. The
// core never includes <windows.h>, so it builds and is tested on Linux too.

#include <cstddef>
#include <cstdint>

#include "scsi/text.h"

using OsHandle = void*;  // kernel object or device handle; nullptr means none
using OsModule = void*;  // loaded library; nullptr means none
using OsWindow = void*;  // window handle, opaque to the core

constexpr uint32_t kPlatformWin32Nt = 2;  // OSVERSIONINFOA::dwPlatformId of NT-family systems

constexpr uint32_t kGenericRead = 0x80000000u;
constexpr uint32_t kGenericWrite = 0x40000000u;

constexpr int kDialogCancel = 2;  // IDCANCEL

constexpr uint32_t kDriveRemote = 4;  // DRIVE_REMOTE: a network drive

class OsSeam {
public:
    virtual ~OsSeam() = default;

    // Version query: the platform id that GetVersionExA reports.
    virtual uint32_t PlatformId() = 0;

    // Library loading. SystemDirectory is where system-wide drivers install
    // their DLLs (empty when it cannot be had); LoadLibraryAt takes a full path
    // and never searches.
    virtual Text SystemDirectory() = 0;
    virtual OsModule LoadLibraryAt(const Text& fullPath) = 0;
    virtual void* FindEntry(OsModule module, const char* name) = 0;

    // Events: unnamed, auto-reset, initially not signalled.
    virtual OsHandle CreateCompletionEvent() = 0;
    // Blocks without a time-out; true when the event was signalled.
    virtual bool WaitForever(OsHandle event) = 0;
    virtual void ResetEvent(OsHandle event) = 0;
    virtual void CloseHandle(OsHandle handle) = 0;

    // The type of the drive whose root is `rootPath` ("c:\\"), as GetDriveTypeA
    // reports it; the system answers from its own records of the letter,
    // without any I/O to the drive or to a network server.
    virtual uint32_t DriveType(const Text& rootPath) = 0;
    // Device files: opened with read and write sharing, OPEN_EXISTING, no
    // attributes. nullptr when the open fails.
    virtual OsHandle OpenDevice(const Text& path, uint32_t access) = 0;
    virtual bool DeviceIoControl(OsHandle device, uint32_t code, void* in, uint32_t inSize,
                                 void* out, uint32_t outSize, uint32_t* returned) = 0;
    virtual uint32_t LastError() = 0;

    // Process heap. Allocate returns nullptr when memory is exhausted.
    virtual void* Allocate(size_t size) = 0;
    virtual void Free(void* block) = 0;

    // What the survey does to the user and the process.
    virtual void WriteStdout(const char* text) = 0;
    // An OK-only message box without icon. Texts are Shift-JIS; a null caption
    // shows the application's name.
    virtual void ShowMessage(OsWindow owner, const char* text, const char* caption) = 0;
    virtual void EndDialog(OsWindow dialog, int result) = 0;
    // Ends the process through the runtime's normal exit. The fake records the
    // call and returns, so callers return right after it.
    virtual void ExitProcess(int status) = 0;
};

// The binding in force. The product installs its Win32 binding at start-up; a
// test installs its fake for the length of the test.
OsSeam& Os();
void InstallOs(OsSeam* seam);
