#include "app/running_copy_mark.h"

namespace {
const char kRunningCopyProperty[] = "KorvSerial.RunningCopy";
}  // namespace

void MarkAsRunningCopy(HWND window) { SetPropA(window, kRunningCopyProperty, reinterpret_cast<HANDLE>(1)); }

void UnmarkRunningCopy(HWND window) { RemovePropA(window, kRunningCopyProperty); }

bool IsRunningCopyWindow(HWND window) { return GetPropA(window, kRunningCopyProperty) != nullptr; }
