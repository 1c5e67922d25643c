#include "tests/e2e/driver_output.h"

#include <windows.h>

#include <cstdio>

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) return {};
    int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &result[0], size, nullptr, nullptr);
    return result;
}

namespace {

std::wstring Convert(UINT codePage, const std::string& bytes) {
    if (bytes.empty()) return {};
    int size = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring result(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), &result[0], size);
    return result;
}

std::wstring Escape(const std::wstring& text) {
    std::wstring escaped;
    for (wchar_t c : text) {
        if (c == L'\\') {
            escaped += L"\\\\";
        } else if (c == L'\n') {
            escaped += L"\\n";
        } else if (c == L'\r') {
            escaped += L"\\r";
        } else if (c == L'\t') {
            escaped += L"\\t";
        } else if (c < 0x20 || c == 0x7F) {
            wchar_t hex[8];
            swprintf(hex, 8, L"\\x%02X", static_cast<unsigned>(c));
            escaped += hex;
        } else {
            escaped += c;
        }
    }
    return escaped;
}

void WriteLine(const std::string& line) {
    // Straight to the handle: the C runtime would translate the UTF-8 bytes.
    HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD written = 0;
    std::string withEnd = line + "\n";
    WriteFile(output, withEnd.data(), static_cast<DWORD>(withEnd.size()), &written, nullptr);
}

}  // namespace

std::wstring FromUtf8(const std::string& text) { return Convert(CP_UTF8, text); }

std::wstring FromAnsi(const std::string& bytes) { return Convert(CP_ACP, bytes); }

void Emit(const std::string& key, const std::wstring& value) { WriteLine(key + "=" + ToUtf8(Escape(value))); }

void EmitRaw(const std::string& key, const std::string& asciiValue) { WriteLine(key + "=" + asciiValue); }
