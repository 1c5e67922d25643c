#pragma once

#include <string>

// A string-table entry of the executable; empty when it is missing.
std::wstring LoadResourceString(unsigned id);
