#pragma once

#include <windows.h>

// The application icon's image for one of the system's icon sizes, e.g.
// SM_CXICON and SM_CYICON. The process is DPI-aware, so on a high-DPI screen
// these are the scaled sizes, for which the icon holds images of their own
// (up to 200 %) rather than leaving Windows to stretch a smaller one. Each
// size is an icon of its own, not shared: a shared icon is one per resource,
// whatever size is asked for, and would leave the small one a scaled copy of
// the large. The caller destroys it.
HICON LoadApplicationIcon(int widthMetric, int heightMetric);
