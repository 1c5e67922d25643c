#include "app/data_exchange.h"

#include "app/code_page.h"

namespace {

// Longer texts are written without comparing: reading them back costs more
// than the write it might save.
constexpr size_t kComparedTextLimit = 256;

thread_local HWND t_lockedOutDialog = nullptr;

std::string ControlText(HWND control) {
    const int length = GetWindowTextLengthW(control);
    if (length <= 0) return std::string();
    std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(control, &wide[0], length + 1);
    wide.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return ShiftJisFromWide(wide);
}

}  // namespace

void DataExchange::BindControl(int controlId, DialogControl& control) {
    if (control.Handle() == nullptr) control.Attach(GetDlgItem(dialog_, controlId));
}

void DataExchange::ExchangeText(int controlId, std::string& value) {
    HWND control = GetDlgItem(dialog_, controlId);
    if (saving_) {
        value = ControlText(control);
        return;
    }
    if (value.size() < kComparedTextLimit && ControlText(control) == value) return;
    SetWindowTextW(control, WideFromShiftJis(value).c_str());
}

NotificationLockout::NotificationLockout(HWND dialog) : previous_(t_lockedOutDialog) {
    t_lockedOutDialog = dialog;
}

NotificationLockout::~NotificationLockout() { t_lockedOutDialog = previous_; }

bool NotificationLockout::IsLockedOut(HWND dialog) {
    return dialog != nullptr && t_lockedOutDialog == dialog;
}
