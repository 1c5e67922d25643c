#pragma once

#include "app/framework/dialog.h"

// The About box: template only, closed by OK, Esc or the close box.
class CAboutDlg : public Dialog {
public:
    CAboutDlg();

protected:
    const MessageMap* GetMessageMap() const override;

private:
    static const MessageMap kMessageMap;
};
