#include "app/framework/controls.h"

#include "app/framework/code_page.h"

int ComboBox::InsertString(int position, const Text& text) {
    const WideText wide = WideFromShiftJis(text);
    return static_cast<int>(SendMessageW(Handle(), CB_INSERTSTRING, static_cast<WPARAM>(position),
                                         reinterpret_cast<LPARAM>(wide.c_str())));
}

int ComboBox::SetCurSel(int index) {
    return static_cast<int>(SendMessageW(Handle(), CB_SETCURSEL, static_cast<WPARAM>(index), 0));
}

int ComboBox::GetCurSel() const {
    return static_cast<int>(SendMessageW(Handle(), CB_GETCURSEL, 0, 0));
}

void StaticText::SetText(const Text& shiftJisText) {
    SetWindowTextW(Handle(), WideFromShiftJis(shiftJisText).c_str());
}
