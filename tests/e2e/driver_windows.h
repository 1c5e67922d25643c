#pragma once

// Finding and reading the windows of the program under test from another
// process. Everything goes through messages: under a bare X server there is
// no window manager, so nothing may depend on the foreground window.

#include <windows.h>

#include <string>
#include <vector>

std::vector<HWND> TopLevelWindows();
std::wstring WindowText(HWND window);
std::wstring ClassName(HWND window);
bool HasControl(HWND window, int id);
// The id of the process that made `window`; 0 for no window.
DWORD ProcessOf(HWND window);

// Polls every 20 ms until `done` holds; false when `timeoutMs` passed first.
template <typename Condition>
bool WaitUntil(Condition done, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(20);
    }
    return true;
}

// Waits until `accept` names a top-level window; nullptr after `timeoutMs`.
template <typename Accept>
HWND WaitForWindow(Accept accept, DWORD timeoutMs) {
    HWND found = nullptr;
    WaitUntil(
        [&] {
            for (HWND window : TopLevelWindows()) {
                if (accept(window)) {
                    found = window;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

// Sends with a time-out so that a hung program fails the step instead of the
// whole run; the result is the message's own result, 0 after a time-out.
LRESULT SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

std::wstring ComboItemText(HWND combo, int index);

// Waits until `window` has painted: its update region is empty (the paint
// has begun) and a message sent after that has been answered (the paint has
// ended). False when that does not happen within `timeoutMs`.
bool WaitPainted(HWND window, DWORD timeoutMs);

// Waits until the messages posted so far to the thread of `marker`, a hidden
// edit control, have been dispatched: a text limit posted to it behind them
// takes effect only then. True also when the window has gone meanwhile.
bool WaitPostedMessagesDone(HWND marker, DWORD timeoutMs);
