#include "app/code_page.h"

#include <windows.h>

namespace {
constexpr UINT kShiftJisCodePage = 932;
}

WideText WideFromShiftJis(std::string_view text) {
    if (text.empty()) return WideText();
    const int byteCount = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(kShiftJisCodePage, 0, text.data(), byteCount, nullptr, 0);
    if (length <= 0) return WideText();
    WideText wide(static_cast<size_t>(length));
    if (wide.empty()) return wide;
    MultiByteToWideChar(kShiftJisCodePage, 0, text.data(), byteCount, wide.data(), length);
    return wide;
}

Text ShiftJisFromWide(const WideText& text) {
    if (text.empty()) return Text();
    const int charCount = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(kShiftJisCodePage, 0, text.c_str(), charCount, nullptr, 0,
                                           nullptr, nullptr);
    if (length <= 0) return Text();
    Text narrow(static_cast<size_t>(length), '\0');
    char* characters = narrow.WritableData();
    if (characters == nullptr) return narrow;
    WideCharToMultiByte(kShiftJisCodePage, 0, text.c_str(), charCount, characters, length, nullptr,
                        nullptr);
    return narrow;
}
