#pragma once

// The user-interface texts are Shift-JIS whatever the system's ANSI code page
// is; they cross into and out of the wide window functions only through
// these, so they read the same on a Japanese, English or German Windows.

#include <cstddef>
#include <string_view>

#include "app/framework/wide_text.h"
#include "text/text.h"

WideText WideFromShiftJis(std::string_view text);
Text ShiftJisFromWide(const wchar_t* text, size_t length);

// A text of the given code page (CP_ACP for the system's own) in UTF-16.
WideText WideFromCodePage(unsigned codePage, std::string_view text);
