#include "app/framework/resource_strings.h"

#include <windows.h>

#include "app/framework/application.h"

WideText LoadResourceString(unsigned id) {
    // With a zero buffer size LoadStringW hands out a pointer into the
    // read-only resource itself, so no length limit applies.
    const wchar_t* text = nullptr;
    const int length = LoadStringW(CurrentApplication().Instance(), id,
                                   reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || text == nullptr) return WideText();
    return WideText(text, static_cast<size_t>(length));
}
