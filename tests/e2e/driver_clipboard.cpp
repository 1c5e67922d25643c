#include "tests/e2e/driver_clipboard.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "tests/e2e/driver_output.h"

namespace {

// When the clipboard cannot be had, says who holds it: the evidence of a
// failed step.
bool OpenClipboardPatiently() {
    for (int attempt = 0; attempt < 40; ++attempt) {
        if (OpenClipboard(nullptr)) return true;
        Sleep(50);
    }
    HWND holder = GetOpenClipboardWindow();
    DWORD holderProcess = 0;
    GetWindowThreadProcessId(holder, &holderProcess);
    wchar_t holderClass[128] = L"<none>";
    if (holder != nullptr) GetClassNameW(holder, holderClass, 128);
    Emit("clipboard-held-by", std::wstring(holderClass) + L" pid=" + std::to_wstring(holderProcess));
    return false;
}

std::string HexOf(const std::string& bytes) {
    std::string hex;
    for (unsigned char c : bytes) {
        char pair[4];
        std::snprintf(pair, sizeof pair, "%02X", c);
        hex += pair;
    }
    return hex;
}

}  // namespace

bool EmitClipboard() {
    if (!OpenClipboardPatiently()) return false;
    std::string ansi;
    bool hasAnsi = false;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* text = static_cast<const char*>(GlobalLock(data))) {
            ansi = text;
            hasAnsi = true;
            GlobalUnlock(data);
        }
    }
    std::wstring unicode;
    bool hasUnicode = false;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const wchar_t* text = static_cast<const wchar_t*>(GlobalLock(data))) {
            unicode = text;
            hasUnicode = true;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    if (hasAnsi) {
        Emit("clip-text", FromAnsi(ansi));
        EmitRaw("clip-text-hex", HexOf(ansi));
    } else {
        EmitRaw("clip-text", "<none>");
    }
    if (hasUnicode) Emit("clip-unicode", unicode);
    else EmitRaw("clip-unicode", "<none>");
    return true;
}

bool SeedClipboard(const wchar_t* marker) {
    if (!OpenClipboardPatiently()) return false;
    EmptyClipboard();
    const size_t bytes = (std::wcslen(marker) + 1) * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
    bool placed = false;
    if (block != nullptr) {
        if (void* target = GlobalLock(block)) {
            std::memcpy(target, marker, bytes);
            GlobalUnlock(block);
            placed = SetClipboardData(CF_UNICODETEXT, block) != nullptr;
        }
        if (!placed) GlobalFree(block);
    }
    CloseClipboard();
    return placed;
}
