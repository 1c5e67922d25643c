#include "app/framework/data_exchange.h"

#include "app/framework/window_text_api.h"

namespace {

// Longer texts are written without comparing: reading them back costs more
// than the write it might save.
constexpr size_t kComparedTextLimit = 256;

}  // namespace

void DataExchange::BindControl(int controlId, DialogControl& control) {
    if (control.Handle() == nullptr) control.Attach(GetDlgItem(dialog_, controlId));
}

void DataExchange::ExchangeText(int controlId, Text& value) {
    HWND control = GetDlgItem(dialog_, controlId);
    if (saving_) {
        value = WindowShiftJis(control);
        return;
    }
    if (value.size() < kComparedTextLimit && WindowShiftJis(control) == value) return;
    SendTextMessage(control, WM_SETTEXT, 0, value);
}
