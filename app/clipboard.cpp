#include "app/clipboard.h"

#include <cstring>

namespace {

constexpr int kOpenAttempts = 20;
constexpr DWORD kOpenRetryMs = 50;

bool OpenClipboardPatiently(HWND owner) {
    for (int attempt = 1; attempt < kOpenAttempts; ++attempt) {
        if (OpenClipboard(owner)) return true;
        Sleep(kOpenRetryMs);
    }
    return OpenClipboard(owner) != FALSE;
}

// The clipboard takes only a movable block.
HGLOBAL CopyIntoMovableBlock(const Text& text) {
    const size_t size = text.size() + 1;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (block == nullptr) return nullptr;
    void* bytes = GlobalLock(block);
    if (bytes == nullptr) {
        GlobalFree(block);
        return nullptr;
    }
    std::memcpy(bytes, text.c_str(), size);
    GlobalUnlock(block);
    return block;
}

}  // namespace

bool PutTextOnClipboard(HWND owner, const Text& text) {
    HGLOBAL block = CopyIntoMovableBlock(text);
    if (block == nullptr) return false;
    if (!OpenClipboardPatiently(owner)) {
        GlobalFree(block);
        return false;
    }
    EmptyClipboard();
    // Only a successful hand-over gives the block to the clipboard.
    const bool placed = SetClipboardData(CF_TEXT, block) != nullptr;
    if (!placed) GlobalFree(block);
    CloseClipboard();
    return placed;
}
