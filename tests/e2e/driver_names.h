#pragma once

// What a screen reader calls a window and its controls: their names through
// the accessibility interface (Microsoft Active Accessibility), read from
// another process as a screen reader reads them.

#include <windows.h>

// Prints title-name, the window's own name, and one line per child control in
// z-order (the template's order, the order the label rule walks):
//   name<n>=<class>|<visible or hidden>|<name, or <none>>|<source>
// The source is "oleacc" for the name oleacc gave, "label rule" where the
// driver applied the documented rule itself (see driver_names.cpp). False,
// after printing error=..., when oleacc gives no object for a window.
bool EmitAccessibleNames(HWND window);
