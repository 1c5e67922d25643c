#pragma once

// Reading and seeding the clipboard for the end-to-end driver.

// Prints clip-text (CF_TEXT read in the ANSI code page), clip-text-hex (its
// bytes) and clip-unicode (CF_UNICODETEXT). False when the clipboard cannot
// be opened.
bool EmitClipboard();

// Replaces the clipboard content with a marker text, so that a later read
// shows whether the program under test wrote anything.
bool SeedClipboard(const wchar_t* marker);
