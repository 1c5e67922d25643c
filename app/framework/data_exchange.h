#pragma once

// Moves texts between a dialog's members and its controls, and binds control
// wrappers to their controls.

#include <windows.h>

#include "app/framework/controls.h"
#include "text/text.h"

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
