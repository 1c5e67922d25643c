#pragma once

// The window system's functions that come in an ANSI ("A") and a wide ("W")
// form, chosen once for the whole process. Windows 95, 98 and ME implement
// hardly any W function, so there every window is an ANSI one and the texts
// cross as the program keeps them, Shift-JIS bytes; the NT family gets the
// wide forms and UTF-16, so the Japanese texts read right whatever its ANSI
// code page is. A window made through this table gets its messages in the
// same set, so its loop and every message sent to it go through it too.
//
// Functions that take no text, or only ASCII names of the program's own
// (the main title the second start looks for, window properties, an unnamed
// event, an icon's number), are the A ones on every system: both sets treat
// them alike.

#include <windows.h>

#include <string_view>

#include "app/framework/wide_text.h"
#include "text/text.h"

// Characters as the table's functions take them: UTF-16 or ANSI bytes.
using SystemChars = const void*;

struct WindowTextApi {
    bool ansi;  // Windows 95, 98 or ME
    LRESULT(WINAPI* sendMessage)(HWND, UINT, WPARAM, LPARAM);
    BOOL(WINAPI* peekMessage)(MSG*, HWND, UINT, UINT, UINT);
    BOOL(WINAPI* isDialogMessage)(HWND, MSG*);
    LRESULT(WINAPI* dispatchMessage)(const MSG*);
};

extern const WindowTextApi* const g_windowTextApi;

inline const WindowTextApi& WindowApi() { return *g_windowTextApi; }

// Dialog template `templateId` of `instance`, run modally or made modeless,
// and a menu item, in the table's set.
INT_PTR RunDialog(HINSTANCE instance, int templateId, HWND owner, DLGPROC procedure, LPARAM value);
HWND MakeDialog(HINSTANCE instance, int templateId, HWND owner, DLGPROC procedure, LPARAM value);
BOOL AppendMenuItem(HMENU menu, UINT flags, UINT_PTR id, SystemChars text);

// A Shift-JIS text in the form the table's functions take, for as long as it
// lives.
class SystemText {
public:
    explicit SystemText(const Text& shiftJis);
    SystemChars Chars() const;

private:
    Text narrow_;
    WideText wide_;
};

// Sends a message whose lParam is a text, such as WM_SETTEXT.
LRESULT SendTextMessage(HWND window, UINT message, WPARAM wParam, const Text& shiftJis);

// A window's or control's text, Shift-JIS.
Text WindowShiftJis(HWND window);

// A message box with a Shift-JIS text, the same on every system.
int ShowMessageBox(HWND owner, std::string_view shiftJisText, const WideText& caption, UINT style);

// The executable's path; empty when it cannot be had.
WideText ModuleFileName();
