#include "app/running_copy_mark.h"

namespace {
const char kRunningCopyProperty[] = "KorvSerial.RunningCopy";
// The main dialog and the progress window, marked in that order on their own threads.
HWND g_markedWindows[2];
volatile LONG g_marks = 0;
}  // namespace

void MarkAsRunningCopy(HWND window) {
    SetPropA(window, kRunningCopyProperty, reinterpret_cast<HANDLE>(1));
    g_markedWindows[InterlockedIncrement(&g_marks) & 1] = window;
}

// A window already gone has no property left to remove, and the call fails harmlessly.
void UnmarkEveryRunningCopyWindow() {
    for (HWND window : g_markedWindows) UnmarkRunningCopy(window);
}

void UnmarkRunningCopy(HWND window) { RemovePropA(window, kRunningCopyProperty); }

bool IsRunningCopyWindow(HWND window) { return GetPropA(window, kRunningCopyProperty) != nullptr; }
