#pragma once

// The request log of the simulated manager: one line per request, appended to
// the file named by KORV_SIM_LOG (nothing is written when it is not set), so
// that tests can assert on exactly what the program sent.

#include <string>

void SimLog(const std::string& line);

// Appends one line to the file at `path`; nothing happens when it cannot be opened.
void AppendLine(const char* path, const std::string& line);

std::string HexByte(unsigned value);
std::string HexBytes(const unsigned char* bytes, unsigned count);
