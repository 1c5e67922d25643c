#pragma once

// Moves texts between a dialog's members and its controls, and binds control
// wrappers to their controls.

#include <windows.h>

#include "app/framework/controls.h"
#include "scsi/text.h"

class DataExchange {
public:
    // saving: true copies controls into members (read), false members into
    // controls (write).
    DataExchange(HWND dialog, bool saving) : dialog_(dialog), saving_(saving) {}

    // Binds on the first exchange, in either direction; later exchanges keep
    // the binding.
    void BindControl(int controlId, DialogControl& control);

    // Members hold Shift-JIS. A write leaves a control alone when it already
    // shows the text, so the control does not flicker or lose its selection.
    void ExchangeText(int controlId, Text& value);

private:
    HWND dialog_;
    bool saving_;
};

// While an exchange writes into a control, the control reports the change back
// to the dialog; those notifications are the exchange's own doing and must not
// reach the dialog's handlers. The marker is per thread because each thread
// runs its own nested message loops.
class NotificationLockout {
public:
    explicit NotificationLockout(HWND dialog);
    ~NotificationLockout();
    NotificationLockout(const NotificationLockout&) = delete;
    NotificationLockout& operator=(const NotificationLockout&) = delete;

    static bool IsLockedOut(HWND dialog);

private:
    HWND previous_;
};
