#pragma once

// Puts a text on the clipboard as CF_TEXT.

#include <windows.h>

#include "text/text.h"

// The text with its terminating NUL, owned by `owner` on the clipboard. Another
// window may hold the clipboard open for a moment (a clipboard history or a
// remote-desktop clipboard does), so the clipboard is asked for again for
// about a second. False when it could not be had or the text not placed; the
// clipboard then keeps what it held, as far as it was not emptied already.
bool PutTextOnClipboard(HWND owner, const Text& text);
