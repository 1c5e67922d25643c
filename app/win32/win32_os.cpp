#include "app/win32/win32_os.h"

#include <windows.h>

#include <winioctl.h>
#include <ntddscsi.h>

#include "app/win32/leaving.h"
#include "app/win32/system_family.h"
#include "scsi/pass_through.h"

// The core writes the port driver's records and control codes without the
// system's headers; this binding is where both meet, so the two are held
// against each other here.
#define KORV_SAME_FIELD(ours, theirs, field) static_assert(offsetof(ours, field) == offsetof(theirs, field))
static_assert(kIoctlScsiPassThroughDirect == IOCTL_SCSI_PASS_THROUGH_DIRECT);
static_assert(kIoctlScsiGetCapabilities == IOCTL_SCSI_GET_CAPABILITIES);
static_assert(kScsiPassThroughDirectLength == sizeof(SCSI_PASS_THROUGH_DIRECT));
KORV_SAME_FIELD(PassThroughRequest, SCSI_PASS_THROUGH_DIRECT, ScsiStatus);
KORV_SAME_FIELD(PassThroughRequest, SCSI_PASS_THROUGH_DIRECT, PathId);
KORV_SAME_FIELD(PassThroughRequest, SCSI_PASS_THROUGH_DIRECT, TargetId);
KORV_SAME_FIELD(PassThroughRequest, SCSI_PASS_THROUGH_DIRECT, Lun);
KORV_SAME_FIELD(PassThroughRequest, SCSI_PASS_THROUGH_DIRECT, CdbLength);
KORV_SAME_FIELD(PassThroughRequest, SCSI_PASS_THROUGH_DIRECT, SenseInfoLength);
KORV_SAME_FIELD(PassThroughRequest, SCSI_PASS_THROUGH_DIRECT, DataIn);
KORV_SAME_FIELD(PassThroughRequest, SCSI_PASS_THROUGH_DIRECT, DataTransferLength);
KORV_SAME_FIELD(PassThroughRequest, SCSI_PASS_THROUGH_DIRECT, TimeOutValue);
KORV_SAME_FIELD(PassThroughRequest, SCSI_PASS_THROUGH_DIRECT, DataBuffer);
KORV_SAME_FIELD(PassThroughRequest, SCSI_PASS_THROUGH_DIRECT, SenseInfoOffset);
KORV_SAME_FIELD(PassThroughRequest, SCSI_PASS_THROUGH_DIRECT, Cdb);
static_assert(sizeof(PassThroughRequest::Cdb) == sizeof(SCSI_PASS_THROUGH_DIRECT::Cdb));
static_assert(sizeof(ScsiCapabilities) == sizeof(IO_SCSI_CAPABILITIES));
KORV_SAME_FIELD(ScsiCapabilities, IO_SCSI_CAPABILITIES, AlignmentMask);
#undef KORV_SAME_FIELD
static_assert(kDriveRemote == DRIVE_REMOTE);
static_assert(kDriveCdrom == DRIVE_CDROM);
static_assert(kErrorAccessDenied == ERROR_ACCESS_DENIED && kErrorSharingViolation == ERROR_SHARING_VIOLATION);
static_assert(kErrorLockViolation == ERROR_LOCK_VIOLATION && kErrorDriveLocked == ERROR_DRIVE_LOCKED);

uint32_t Win32Os::PlatformId() { return IsWindows9x() ? VER_PLATFORM_WIN32_WINDOWS : VER_PLATFORM_WIN32_NT; }

Text Win32Os::SystemDirectory() {
    char directory[MAX_PATH];
    const UINT length = GetSystemDirectoryA(directory, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return Text();
    return Text(directory, length);
}

OsModule Win32Os::LoadLibraryAt(const Text& fullPath) {
    return LoadLibraryExA(fullPath.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

void* Win32Os::FindEntry(OsModule module, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

OsHandle Win32Os::CreateCompletionEvent() { return CreateEventA(nullptr, FALSE, FALSE, nullptr); }

// A signalled event is an ASPI request's end: the manager is done with our
// memory, so a user who asked to leave meanwhile may go now.
OsWait Win32Os::WaitFor(OsHandle event, uint32_t milliseconds) {
    switch (WaitForSingleObject(event, milliseconds)) {
        case WAIT_OBJECT_0:
            LeaveIfAsked();
            return OsWait::Signalled;
        case WAIT_TIMEOUT:
            return OsWait::TimedOut;
        default:
            return OsWait::Failed;
    }
}

void Win32Os::CloseHandle(OsHandle handle) {
    if (handle != nullptr) ::CloseHandle(handle);
}

uint32_t Win32Os::DriveType(const Text& rootPath) { return GetDriveTypeA(rootPath.c_str()); }

OsHandle Win32Os::OpenDevice(const Text& path, uint32_t access) {
    HANDLE device = CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    return device == INVALID_HANDLE_VALUE ? nullptr : device;
}

// Without an overlapped structure the system requires a byte counter, which
// no caller reads.
bool Win32Os::DeviceIoControl(OsHandle device, uint32_t code, void* in, uint32_t inSize, void* out,
                              uint32_t outSize) {
    DWORD count = 0;
    return ::DeviceIoControl(device, code, in, inSize, out, outSize, &count, nullptr) != FALSE;
}

uint32_t Win32Os::LastError() { return GetLastError(); }

namespace {

// From Windows 7 on, the interrupt time without the time the machine slept:
// a request cut short by sleep and resume must not look like one that ran
// out its time-out. Earlier systems lack it, and the image must load there,
// so it is looked up rather than imported, once as the program starts: a
// failed look-up sets the last error, which no seam call may change.
using UnbiasedTime = BOOL(WINAPI*)(PULONGLONG);
const UnbiasedTime g_unbiasedTime = reinterpret_cast<UnbiasedTime>(
    reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "QueryUnbiasedInterruptTime")));

}  // namespace

// Systems without the unbiased time count with GetTickCount. Callers
// subtract, so the wrap after 49 days does no harm.
uint32_t Win32Os::Milliseconds() {
    ULONGLONG hundredNanoseconds = 0;
    if (g_unbiasedTime == nullptr || !g_unbiasedTime(&hundredNanoseconds)) return GetTickCount();
    return static_cast<uint32_t>(hundredNanoseconds / 10000);
}

void* Win32Os::Allocate(size_t size) { return HeapAlloc(GetProcessHeap(), 0, size); }

void Win32Os::Free(void* block) {
    if (block != nullptr) HeapFree(GetProcessHeap(), 0, block);
}
