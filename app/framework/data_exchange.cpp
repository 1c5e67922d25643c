#include "app/framework/data_exchange.h"

#include "app/framework/code_page.h"
#include "app/framework/wide_text.h"

namespace {

// Longer texts are written without comparing: reading them back costs more
// than the write it might save.
constexpr size_t kComparedTextLimit = 256;

Text ControlText(HWND control) {
    const int length = GetWindowTextLengthW(control);
    if (length <= 0) return Text();
    WideText wide(static_cast<size_t>(length));
    if (wide.empty()) return Text();
    const int copied = GetWindowTextW(control, wide.data(), length + 1);
    wide.Truncate(copied > 0 ? static_cast<size_t>(copied) : 0);
    return ShiftJisFromWide(wide);
}

}  // namespace

void DataExchange::BindControl(int controlId, DialogControl& control) {
    if (control.Handle() == nullptr) control.Attach(GetDlgItem(dialog_, controlId));
}

void DataExchange::ExchangeText(int controlId, Text& value) {
    HWND control = GetDlgItem(dialog_, controlId);
    if (saving_) {
        value = ControlText(control);
        return;
    }
    if (value.size() < kComparedTextLimit && ControlText(control) == value) return;
    SetWindowTextW(control, WideFromShiftJis(value).c_str());
}
