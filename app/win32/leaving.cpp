#include "app/win32/leaving.h"

#include <windows.h>

namespace {

volatile LONG g_leaveAsked = 0;

bool PendingIoEndsWithTheProcess() {
    constexpr DWORD kNotNtFamily = 0x80000000;  // GetVersion's top bit on Windows 95, 98 and ME
    return (GetVersion() & kNotNtFamily) == 0;
}

void EndProcess() { TerminateProcess(GetCurrentProcess(), 0); }

}  // namespace

bool LeaveNowOrOnceRequestEnds() {
    if (PendingIoEndsWithTheProcess()) {
        EndProcess();
        return true;
    }
    InterlockedExchange(&g_leaveAsked, 1);
    return false;
}

void LeaveIfAsked() {
    if (InterlockedCompareExchange(&g_leaveAsked, 0, 0) != 0) EndProcess();
}
