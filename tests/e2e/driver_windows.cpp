#include "tests/e2e/driver_windows.h"

namespace {

constexpr UINT kSendTimeoutMs = 10000;

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

}  // namespace

std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> windows;
    EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

LRESULT SendWithTimeout(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result)) return 0;
    return static_cast<LRESULT>(result);
}

std::wstring WindowText(HWND window) {
    LRESULT length = SendWithTimeout(window, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    LRESULT copied = SendWithTimeout(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(static_cast<size_t>(copied));
    return text;
}

DWORD ProcessOf(HWND window) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    return owner;
}

std::wstring ClassName(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return name;
}

bool HasControl(HWND window, int id) { return GetDlgItem(window, id) != nullptr; }

std::wstring ComboItemText(HWND combo, int index) {
    LRESULT length = SendWithTimeout(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR) return L"<error>";
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    LRESULT copied = SendWithTimeout(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(copied == CB_ERR ? 0 : static_cast<size_t>(copied));
    return text;
}

bool WaitPainted(HWND window, DWORD timeoutMs) {
    const bool painted = WaitUntil([&] { return !IsWindow(window) || !GetUpdateRect(window, nullptr, FALSE); }, timeoutMs);
    if (!painted || !IsWindow(window)) return false;
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, timeoutMs, &ignored) != 0;
}

// The limit is one the control does not hold yet: each step runs in a driver
// process of its own, so a counter of this process alone would repeat the
// limit an earlier process left, and the wait would end before the program
// took anything. A sent message is answered before the posted ones wait.
bool WaitPostedMessagesDone(HWND marker, DWORD timeoutMs) {
    constexpr UINT kFirstLimit = 0x7F000000;
    constexpr UINT kLastLimit = 0x7FFFFF00;
    const UINT held = static_cast<UINT>(SendWithTimeout(marker, EM_GETLIMITTEXT, 0, 0));
    const UINT limit = held >= kFirstLimit && held < kLastLimit ? held + 1 : kFirstLimit;
    if (!PostMessageW(marker, EM_SETLIMITTEXT, limit, 0)) return !IsWindow(marker);
    return WaitUntil(
        [&] { return !IsWindow(marker) || static_cast<UINT>(SendWithTimeout(marker, EM_GETLIMITTEXT, 0, 0)) == limit; },
        timeoutMs);
}
