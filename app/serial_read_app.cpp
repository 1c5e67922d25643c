#include "app/serial_read_app.h"

#include <windows.h>

#include "app/framework/code_page.h"
#include "app/framework/resource_strings.h"
#include "app/running_copy_mark.h"
#include "app/running_copy_texts.h"
#include "app/serial_read_dlg.h"
#include "app/win32/leaving.h"
#include "res/resource_ids.h"

namespace {
CSerialReadApp g_application;
}

void CSerialReadApp::InitInstance() {
    // The mutex only marks that a copy runs. It is held for the life of the
    // process; the system closes it when the process ends, or the close of the
    // progress window gives it up (app/win32/leaving.cpp).
    HANDLE runningMarker = CreateMutexA(nullptr, TRUE, "KorvSerialPG");
    const DWORD error = GetLastError();
    // A copy started with administrator rights made the marker with a default
    // security that grants full access to administrators alone; a standard
    // start is then refused it, and that too means a copy runs.
    if (error == ERROR_ALREADY_EXISTS || (runningMarker == nullptr && error == ERROR_ACCESS_DENIED)) {
        ActivateRunningCopy();
        return;
    }
    if (runningMarker == nullptr) return;
    KeepRunningMarker(runningMarker, UnmarkEveryRunningCopyWindow);

    CSerialReadDlg dialog;
    SetMainWindow(&dialog);
    dialog.DoModal();
    // Normally cleared when the window went away; also when it never came up.
    SetMainWindow(nullptr);
}

namespace {

// A copy that is starting has its main dialog hidden while it reads the
// drives, and shows its progress window only after a second of that; the
// second start looks out for a while before it gives up.
constexpr int kLookouts = 30;
constexpr DWORD kLookoutPauseMilliseconds = 100;

// The running copy's main dialog or progress window: a visible top-level
// dialog with the main title that carries the running copy's mark. Another
// program's message box or dialog with that caption has the same class, and
// is passed over. Nothing sent here waits for an answer: the search and the
// mark are read from the system's records of the windows.
HWND FindRunningCopyWindow(const char* title) {
    for (HWND window = FindWindowExA(nullptr, nullptr, reinterpret_cast<LPCSTR>(WC_DIALOG), title); window != nullptr;
         window = FindWindowExA(nullptr, window, reinterpret_cast<LPCSTR>(WC_DIALOG), title)) {
        if (IsWindowVisible(window) && IsRunningCopyWindow(window)) return window;
    }
    return nullptr;
}

}  // namespace

// The running copy may still be reading the drives, its window not yet shown:
// this start looks out for it for a few seconds. A minimised window is
// restored without waiting for the running copy, which may be busy; what
// comes to the front is its last active popup, so that an open About box is
// not left behind the dialog that cannot be used while it is open. A copy
// that shows no window within the lookout is said to be not answering.
void CSerialReadApp::ActivateRunningCopy() {
    const Text title = LoadResourceString(IDS_MAIN_TITLE);
    HWND running = FindRunningCopyWindow(title.c_str());
    for (int lookout = 1; running == nullptr && lookout < kLookouts; ++lookout) {
        Sleep(kLookoutPauseMilliseconds);
        running = FindRunningCopyWindow(title.c_str());
    }
    if (running == nullptr) {
        // A copy stuck inside a driver's call shows no window: the user is
        // told, instead of left wondering why nothing came.
        MessageBoxW(nullptr, WideFromShiftJis(kRunningCopySilentText).c_str(), WideFromShiftJis(title).c_str(),
                    MB_OK | MB_ICONWARNING | MB_SETFOREGROUND);
        return;
    }
    if (IsIconic(running)) ShowWindowAsync(running, SW_RESTORE);
    SetForegroundWindow(GetLastActivePopup(running));
}
