#include "app/code_page.h"

#include <windows.h>

namespace {
constexpr UINT kShiftJisCodePage = 932;
}

std::wstring WideFromShiftJis(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int byteCount = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(kShiftJisCodePage, 0, text.data(), byteCount, nullptr, 0);
    if (length <= 0) return std::wstring();
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(kShiftJisCodePage, 0, text.data(), byteCount, &wide[0], length);
    return wide;
}

std::string ShiftJisFromWide(const std::wstring& text) {
    if (text.empty()) return std::string();
    const int charCount = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(kShiftJisCodePage, 0, text.data(), charCount, nullptr, 0,
                                           nullptr, nullptr);
    if (length <= 0) return std::string();
    std::string narrow(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(kShiftJisCodePage, 0, text.data(), charCount, &narrow[0], length, nullptr,
                        nullptr);
    return narrow;
}
