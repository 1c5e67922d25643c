#pragma once

// Leaving while the drives are read. The user-interface thread may then be
// blocked inside a device request, so the process is ended from another
// thread without running anyone's clean-up: ExitProcess would run the DLLs'
// detach code, which may wait for a lock that the blocked thread holds.
// TerminateProcess runs none, and the NT family lets the process go only
// once its pending I/O has completed or been cancelled, so no driver writes
// into its memory afterwards. Windows 98 and ME promise nothing of the kind:
// their ASPI manager's driver writes a request's results into the process's
// memory until it signals the request's event. There the process ends only
// once no request is in flight.

#include <windows.h>

// The single-instance marker and what takes the marks off the program's
// windows: both given up as the process is ended here.
void KeepRunningMarker(HANDLE marker, void (*unmarkWindows)());

// Ends the process with status 0 now, where that is safe. Otherwise it is
// ended as soon as the request in flight has ended, and this returns false.
bool LeaveNowOrOnceRequestEnds();

// Called where no device request is in flight: ends the process with status
// 0 if the user asked to leave.
void LeaveIfAsked();
