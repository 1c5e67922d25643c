#pragma once

// Which Windows the program runs on, asked of the system in this one place.
// One executable serves Windows 98 and ME and the NT family from XP on, so a
// value that the systems define differently is chosen here, at run time.

#include <windows.h>

// Windows 95, 98 or ME, where hardly any wide-character function works and a
// driver may write into the process's memory after it has been ended.
bool IsWindows9x();

// Every kind of message that may wake a thread serving its windows, as the
// running system documents QS_ALLINPUT: a bit a system never defined may make
// it refuse the whole wait.
DWORD AllInputWakeMask();
