#include "app/framework/data_exchange.h"

#include "app/framework/code_page.h"
#include "app/framework/wide_text.h"

namespace {

// Longer texts are written without comparing: reading them back costs more
// than the write it might save.
constexpr size_t kComparedTextLimit = 256;

// A slot of the system's thread-local storage, taken before the first dialog.
// Should none be left, nothing is locked out: an exchange's own notifications
// then reach the handlers, whose writes find the controls already showing
// their texts.
const DWORD g_lockoutSlot = TlsAlloc();

HWND LockedOutDialog() { return static_cast<HWND>(TlsGetValue(g_lockoutSlot)); }

void SetLockedOutDialog(HWND dialog) { TlsSetValue(g_lockoutSlot, dialog); }

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

NotificationLockout::NotificationLockout(HWND dialog) : previous_(LockedOutDialog()) {
    SetLockedOutDialog(dialog);
}

NotificationLockout::~NotificationLockout() { SetLockedOutDialog(previous_); }

bool NotificationLockout::IsLockedOut(HWND dialog) {
    return dialog != nullptr && LockedOutDialog() == dialog;
}
