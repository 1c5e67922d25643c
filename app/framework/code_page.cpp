#include "app/framework/code_page.h"

#include <windows.h>

namespace {

constexpr UINT kShiftJisCodePage = 932;

// A Windows without the East Asian language files has no code page 932, and
// every conversion through it fails. The texts then go as the ANSI functions
// would take them, with the system's own code page: the ASCII texts (drive
// names, serials, the English lines) stay right and the Japanese bytes show
// as that code page shows them, instead of every text coming out empty.
UINT TextCodePage() { return IsValidCodePage(kShiftJisCodePage) ? kShiftJisCodePage : CP_ACP; }

}  // namespace

WideText WideFromShiftJis(std::string_view text) {
    if (text.empty()) return WideText();
    const int byteCount = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(TextCodePage(), 0, text.data(), byteCount, nullptr, 0);
    if (length <= 0) return WideText();
    WideText wide(static_cast<size_t>(length));
    if (wide.empty()) return wide;
    MultiByteToWideChar(TextCodePage(), 0, text.data(), byteCount, wide.data(), length);
    return wide;
}

Text ShiftJisFromWide(const WideText& text) {
    if (text.empty()) return Text();
    const int charCount = static_cast<int>(text.size());
    const int length = WideCharToMultiByte(TextCodePage(), 0, text.c_str(), charCount, nullptr, 0,
                                           nullptr, nullptr);
    if (length <= 0) return Text();
    Text narrow(static_cast<size_t>(length), '\0');
    char* characters = narrow.WritableData();
    if (characters == nullptr) return narrow;
    WideCharToMultiByte(TextCodePage(), 0, text.c_str(), charCount, characters, length, nullptr,
                        nullptr);
    return narrow;
}
