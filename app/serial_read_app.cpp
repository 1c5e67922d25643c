#include "app/serial_read_app.h"

#include <windows.h>

#include "app/framework/code_page.h"
#include "app/framework/resource_strings.h"
#include "app/framework/window_text_api.h"
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
        // The marker must go with the running copy: this start's handle would
        // keep it alive while its own box waits for the user.
        if (runningMarker != nullptr) CloseHandle(runningMarker);
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

struct OwnedWindowSearch {
    HWND owner;
    HWND found;
};

BOOL CALLBACK KeepVisibleOwnedWindow(HWND window, LPARAM search) {
    auto& wanted = *reinterpret_cast<OwnedWindowSearch*>(search);
    if (GetWindow(window, GW_OWNER) != wanted.owner || !IsWindowVisible(window)) return TRUE;
    wanted.found = window;
    return FALSE;
}

// A visible window that `owner` owns, such as the box the survey shows
// before the dialog ever is: the box has a caption of its own and no mark.
HWND VisibleOwnedWindow(HWND owner) {
    OwnedWindowSearch search = {owner, nullptr};
    EnumThreadWindows(GetWindowThreadProcessId(owner, nullptr), KeepVisibleOwnedWindow,
                      reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The running copy's main dialog or progress window: a top-level dialog with
// the main title that carries the running copy's mark, visible, or hidden
// behind a box of its own that is. Another program's message box or dialog
// with that caption has the same class, and is passed over. Nothing sent
// here waits for an answer: the search, the mark and the owners are read
// from the system's records of the windows.
HWND FindRunningCopyWindow(const char* title) {
    for (HWND window = FindWindowExA(nullptr, nullptr, reinterpret_cast<LPCSTR>(WC_DIALOG), title); window != nullptr;
         window = FindWindowExA(nullptr, window, reinterpret_cast<LPCSTR>(WC_DIALOG), title)) {
        if (!IsRunningCopyWindow(window)) continue;
        if (IsWindowVisible(window)) return window;
        if (HWND box = VisibleOwnedWindow(window)) return box;
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
        ShowMessageBox(nullptr, kRunningCopySilentText, WideFromShiftJis(title),
                       MB_OK | MB_ICONWARNING | MB_SETFOREGROUND);
        return;
    }
    if (IsIconic(running)) ShowWindowAsync(running, SW_RESTORE);
    SetForegroundWindow(GetLastActivePopup(running));
}
