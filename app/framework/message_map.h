#pragma once

// Per-dialog dispatch tables. A dialog's table is searched first, then its
// base's, so a derived dialog takes over any message or notification simply by
// listing it.

#include <windows.h>

#include <cstddef>

class Dialog;

// Returns what the dialog procedure returns: FALSE hands the message on to the
// dialog manager's default handling.
using MessageHandler = INT_PTR (Dialog::*)(WPARAM wParam, LPARAM lParam);

struct MessageMapEntry {
    UINT message;
    UINT code;  // WM_COMMAND only: the notification code
    UINT id;    // WM_COMMAND only: the control or command id
    MessageHandler handler;
};

struct MessageMap {
    const MessageMap* base;
    const MessageMapEntry* entries;
    size_t count;
};

template <class DerivedDialog>
constexpr MessageHandler Handler(INT_PTR (DerivedDialog::*handler)(WPARAM, LPARAM)) {
    return static_cast<MessageHandler>(handler);
}

inline bool EntryMatches(const MessageMapEntry& entry, UINT message, WPARAM wParam) {
    if (entry.message != message) return false;
    if (message != WM_COMMAND) return true;
    return entry.code == HIWORD(wParam) && entry.id == LOWORD(wParam);
}
