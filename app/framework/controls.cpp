#include "app/framework/controls.h"

#include "app/framework/window_text_api.h"

int ComboBox::InsertString(int position, const Text& text) {
    return static_cast<int>(SendTextMessage(Handle(), CB_INSERTSTRING, static_cast<WPARAM>(position), text));
}

int ComboBox::SetCurSel(int index) {
    return static_cast<int>(WindowApi().sendMessage(Handle(), CB_SETCURSEL, static_cast<WPARAM>(index), 0));
}

int ComboBox::GetCurSel() const {
    return static_cast<int>(WindowApi().sendMessage(Handle(), CB_GETCURSEL, 0, 0));
}

void StaticText::SetText(const Text& shiftJisText) { SendTextMessage(Handle(), WM_SETTEXT, 0, shiftJisText); }
