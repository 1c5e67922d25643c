#pragma once

// Output of the end-to-end driver: one "key=value" line per fact, UTF-8, with
// line breaks and other control characters escaped so that every value stays
// on its line and shell scripts can match it with grep.

#include <string>

std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);
// Bytes in the ANSI code page of the process, as UTF-16.
std::wstring FromAnsi(const std::string& bytes);

void Emit(const std::string& key, const std::wstring& value);
void EmitRaw(const std::string& key, const std::string& asciiValue);
