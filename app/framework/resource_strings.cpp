#include "app/framework/resource_strings.h"

#include <windows.h>

#include "app/framework/application.h"
#include "app/framework/code_page.h"
#include "app/framework/window_text_api.h"

namespace {
// The string table's texts are short menu items and titles.
constexpr int kLongestAnsiString = 256;
}  // namespace

Text LoadResourceString(unsigned id) {
    HINSTANCE instance = CurrentApplication().Instance();
    if (WindowApi().ansi) {
        // The system turns the stored UTF-16 into its ANSI code page, as its
        // windows show it.
        char text[kLongestAnsiString];
        const int length = LoadStringA(instance, id, text, kLongestAnsiString);
        return length > 0 ? Text(text, static_cast<size_t>(length)) : Text();
    }
    // With a zero buffer size LoadStringW hands out a pointer into the
    // read-only resource itself, so no length limit applies.
    const wchar_t* text = nullptr;
    const int length = LoadStringW(instance, id, reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || text == nullptr) return Text();
    return ShiftJisFromWide(text, static_cast<size_t>(length));
}
