#include "app/serial_read_app.h"

#include <windows.h>

#include "app/framework/resource_strings.h"
#include "app/serial_read_dlg.h"
#include "res/resource_ids.h"

namespace {
CSerialReadApp g_application;
}

void CSerialReadApp::InitInstance() {
    // The mutex only marks that a copy runs. It is held, never released, for
    // the life of the process; the system closes it when the process ends.
    HANDLE runningMarker = CreateMutexA(nullptr, TRUE, "KorvSerialPG");
    if (runningMarker == nullptr) return;
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        ActivateRunningCopy();
        return;
    }

    CSerialReadDlg dialog;
    SetMainWindow(&dialog);
    dialog.DoModal();
    // Normally cleared when the window went away; also when it never came up.
    SetMainWindow(nullptr);
}

// The running copy's main dialog is the top-level dialog with the main title;
// it is only brought forward, never sent anything. The class is named so that
// another program's window with the same title (a folder named after the
// program, say) is not taken for it.
void CSerialReadApp::ActivateRunningCopy() {
    const WideText title = LoadResourceString(IDS_MAIN_TITLE);
    HWND running = FindWindowW(WC_DIALOG, title.c_str());
    if (running != nullptr) SetForegroundWindow(running);
}
