#pragma once

#include "app/framework/wide_text.h"

// A string-table entry of the executable; empty when it is missing.
WideText LoadResourceString(unsigned id);
