#include "app/framework/window_text_api.h"

#include "app/framework/code_page.h"
#include "app/win32/system_family.h"

namespace {

const WindowTextApi kWideApi = {
    false,
    SendMessageW,
    PeekMessageW,
    IsDialogMessageW,
    DispatchMessageW,
};

const WindowTextApi kAnsiApi = {
    true,
    SendMessageA,
    PeekMessageA,
    IsDialogMessageA,
    DispatchMessageA,
};

}  // namespace

const WindowTextApi* const g_windowTextApi = IsWindows9x() ? &kAnsiApi : &kWideApi;

INT_PTR RunDialog(HINSTANCE instance, int templateId, HWND owner, DLGPROC procedure, LPARAM value) {
    if (WindowApi().ansi) return DialogBoxParamA(instance, MAKEINTRESOURCEA(templateId), owner, procedure, value);
    return DialogBoxParamW(instance, MAKEINTRESOURCEW(templateId), owner, procedure, value);
}

HWND MakeDialog(HINSTANCE instance, int templateId, HWND owner, DLGPROC procedure, LPARAM value) {
    if (WindowApi().ansi) return CreateDialogParamA(instance, MAKEINTRESOURCEA(templateId), owner, procedure, value);
    return CreateDialogParamW(instance, MAKEINTRESOURCEW(templateId), owner, procedure, value);
}

BOOL AppendMenuItem(HMENU menu, UINT flags, UINT_PTR id, SystemChars text) {
    if (WindowApi().ansi) return AppendMenuA(menu, flags, id, static_cast<LPCSTR>(text));
    return AppendMenuW(menu, flags, id, static_cast<LPCWSTR>(text));
}

SystemText::SystemText(const Text& shiftJis)
    : narrow_(WindowApi().ansi ? shiftJis : Text()), wide_(WindowApi().ansi ? WideText() : WideFromShiftJis(shiftJis)) {}

SystemChars SystemText::Chars() const {
    if (WindowApi().ansi) return narrow_.c_str();
    return wide_.c_str();
}

LRESULT SendTextMessage(HWND window, UINT message, WPARAM wParam, const Text& shiftJis) {
    return WindowApi().sendMessage(window, message, wParam,
                                   reinterpret_cast<LPARAM>(SystemText(shiftJis).Chars()));
}

Text WindowShiftJis(HWND window) {
    const WindowTextApi& api = WindowApi();
    const LRESULT length = api.sendMessage(window, WM_GETTEXTLENGTH, 0, 0);
    if (length <= 0) return Text();
    // Room for the length in either set's characters: an ANSI window counts bytes.
    WideText buffer(static_cast<size_t>(length));
    if (buffer.empty()) return Text();
    const LRESULT copied = api.sendMessage(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(buffer.data()));
    const size_t count = copied > 0 ? static_cast<size_t>(copied) : 0;
    if (api.ansi) return Text(reinterpret_cast<const char*>(buffer.c_str()), count);
    return ShiftJisFromWide(buffer.c_str(), count);
}

// MessageBoxW is one of the few wide functions that Windows 95, 98 and ME
// implement, so this one call serves every system.
int ShowMessageBox(HWND owner, std::string_view shiftJisText, const WideText& caption, UINT style) {
    return MessageBoxW(owner, WideFromShiftJis(shiftJisText).c_str(), caption.c_str(), style);
}

WideText ModuleFileName() {
    if (WindowApi().ansi) {
        // The system's own code page: the path is the file system's, not the program's text.
        char path[MAX_PATH];
        const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
        return WideFromCodePage(CP_ACP, std::string_view(path, length < MAX_PATH ? length : 0));
    }
    constexpr DWORD kLongestPath = 32768;
    WideText path(kLongestPath);
    if (path.empty()) return path;
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), kLongestPath);
    path.Truncate(length < kLongestPath ? length : 0);
    return path;
}
