#pragma once

// The user-interface texts are Shift-JIS whatever the system's ANSI code page
// is; they cross into and out of the window system only through these, so
// they read the same on a Japanese, English or German Windows.

#include <string_view>

#include "app/framework/wide_text.h"
#include "text/text.h"

WideText WideFromShiftJis(std::string_view text);
Text ShiftJisFromWide(const WideText& text);
