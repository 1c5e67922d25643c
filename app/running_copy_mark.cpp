#include "app/running_copy_mark.h"

namespace {
const wchar_t kRunningCopyProperty[] = L"KorvSerial.RunningCopy";
}  // namespace

void MarkAsRunningCopy(HWND window) { SetPropW(window, kRunningCopyProperty, reinterpret_cast<HANDLE>(1)); }

void UnmarkRunningCopy(HWND window) { RemovePropW(window, kRunningCopyProperty); }

bool IsRunningCopyWindow(HWND window) { return GetPropW(window, kRunningCopyProperty) != nullptr; }
