#pragma once

// What tells the running copy's windows from any other program's window with
// the same title and class: a window property only this program sets. A
// second start reads it without sending the running copy anything.

#include <windows.h>

// Marks one of the program's own top-level windows; Unmark before it is destroyed.
void MarkAsRunningCopy(HWND window);
void UnmarkRunningCopy(HWND window);
bool IsRunningCopyWindow(HWND window);
// As the process is ended from any thread: no window of it is found as the running copy's any more.
void UnmarkEveryRunningCopyWindow();
