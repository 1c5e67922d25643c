#pragma once

#include "text/text.h"

// A string-table entry of the executable, Shift-JIS; empty when it is missing.
Text LoadResourceString(unsigned id);
