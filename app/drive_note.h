#pragma once

// The lines on drives that could not be read or found and on drive letters
// that refused the program, shown in the main dialog below all its own
// texts, which none of them covers.

#include <windows.h>

// Fills the dialog's line area with `lines` (Shift-JIS) and sizes the dialog
// downwards until every line shows, wrapped at the dialog's width; empty
// lines take the area away again.
void ShowDriveNote(HWND dialog, const char* lines);
