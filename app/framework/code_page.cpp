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

WideText WideFromCodePage(unsigned codePage, std::string_view text) {
    if (text.empty()) return WideText();
    const int byteCount = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(codePage, 0, text.data(), byteCount, nullptr, 0);
    if (length <= 0) return WideText();
    WideText wide(static_cast<size_t>(length));
    if (wide.empty()) return wide;
    MultiByteToWideChar(codePage, 0, text.data(), byteCount, wide.data(), length);
    return wide;
}

WideText WideFromShiftJis(std::string_view text) { return WideFromCodePage(TextCodePage(), text); }

Text ShiftJisFromWide(const wchar_t* text, size_t length) {
    if (length == 0) return Text();
    const int charCount = static_cast<int>(length);
    const int byteCount = WideCharToMultiByte(TextCodePage(), 0, text, charCount, nullptr, 0, nullptr, nullptr);
    if (byteCount <= 0) return Text();
    Text narrow(static_cast<size_t>(byteCount), '\0');
    char* characters = narrow.WritableData();
    if (characters == nullptr) return narrow;
    WideCharToMultiByte(TextCodePage(), 0, text, charCount, characters, byteCount, nullptr, nullptr);
    return narrow;
}
