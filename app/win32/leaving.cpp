#include "app/win32/leaving.h"

#include <windows.h>

#include "app/win32/system_family.h"

namespace {

volatile LONG g_leaveAsked = 0;
HANDLE g_runningMarker = nullptr;
void (*g_unmarkWindows)() = nullptr;

// A request at a drive that has stopped answering may keep the process alive,
// windowless, until the request's time-out after TerminateProcess. A start
// made meanwhile must find nothing of it: neither the marker, which is
// destroyed with its one handle whichever thread owns it, nor a marked window.
// The drive's device stays as it is: it was opened for synchronous requests,
// so closing it would wait, holding this thread, for the very request that
// keeps the process alive.
void EndProcess() {
    if (g_unmarkWindows != nullptr) g_unmarkWindows();
    CloseHandle(g_runningMarker);
    TerminateProcess(GetCurrentProcess(), 0);
}

}  // namespace

void KeepRunningMarker(HANDLE marker, void (*unmarkWindows)()) {
    g_runningMarker = marker;
    g_unmarkWindows = unmarkWindows;
}

bool LeaveNowOrOnceRequestEnds() {
    if (!IsWindows9x()) {
        EndProcess();
        return true;
    }
    InterlockedExchange(&g_leaveAsked, 1);
    return false;
}

void LeaveIfAsked() {
    if (InterlockedCompareExchange(&g_leaveAsked, 0, 0) != 0) EndProcess();
}
