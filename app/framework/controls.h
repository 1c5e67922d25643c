#pragma once

// Thin wrappers over the dialog's controls. A wrapper is bound to its control
// by the first data exchange and only borrows the handle; the dialog manager
// owns and destroys the window.

#include <windows.h>

#include "text/text.h"

class DialogControl {
public:
    HWND Handle() const { return handle_; }
    void Attach(HWND control) { handle_ = control; }

private:
    HWND handle_ = nullptr;
};

class ComboBox : public DialogControl {
public:
    // Texts are Shift-JIS. Position -1 appends.
    int InsertString(int position, const Text& text);
    int SetCurSel(int index);
    // -1 (CB_ERR) when nothing is selected, as in an empty list.
    int GetCurSel() const;
};

class StaticText : public DialogControl {
public:
    void SetText(const Text& shiftJisText);
};
