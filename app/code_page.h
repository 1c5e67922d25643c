#pragma once

// The user-interface texts are Shift-JIS whatever the system's ANSI code page
// is; they cross into and out of the window system only through these, so
// they read the same on a Japanese, English or German Windows.

#include <string>

std::wstring WideFromShiftJis(const std::string& text);
std::string ShiftJisFromWide(const std::wstring& text);
