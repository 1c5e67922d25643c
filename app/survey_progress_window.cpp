#include "app/survey_progress_window.h"

#include <windows.h>
#include <commctrl.h>

#include "app/application_icon.h"
#include "app/framework/application.h"
#include "app/framework/window_text_api.h"
#include "app/main_window_place.h"
#include "app/progress_texts.h"
#include "app/running_copy_mark.h"
#include "app/win32/leaving.h"
#include "app/win32/system_family.h"
#include "res/resource_ids.h"

namespace {

// Usually the survey takes a fraction of a second: the main dialog is then
// the first and only window.
constexpr DWORD kDelayBeforeWindowMilliseconds = 1000;
constexpr UINT_PTR kRefreshTimer = 1;
constexpr UINT kRefreshMilliseconds = 100;
constexpr UINT kMarqueeStepMilliseconds = 30;

// What the window shows.
struct ShownProgress {
    int32_t drive;   // the drive being read, 1 to `drives`; 0 while the drives are being found
    int32_t drives;
    char name[64];   // its display name, Shift-JIS
};

// Everything the survey's thread and the window's thread keep, and which of
// them writes what.
struct ProgressWindowState {
    // Written by the survey's thread, read by the window's, under `lock`.
    CRITICAL_SECTION lock{};
    ShownProgress shown{};
    // Made, set and closed by the survey's thread; the window's thread waits.
    bool lockReady = false;
    HANDLE surveyEnded = nullptr;  // manual-reset: the survey's work is over
    HANDLE thread = nullptr;
    // A lock that the user-interface thread can wait for while it answers
    // sent messages: an auto-reset event, set while free. The window is shown
    // only while the survey may still show it, and the survey's decision to
    // show the dialog waits for a show under way.
    HANDLE endOrShow = nullptr;
    bool showingStopped = false;  // written by the survey's thread, read by the window's, under `endOrShow`
    // The window's thread alone.
    HWND window = nullptr;
    int32_t shownDrive = -1;
    bool closing = false;  // the user asked to leave; the request in flight must end first
};
ProgressWindowState g_state;

ShownProgress LatestProgress() {
    EnterCriticalSection(&g_state.lock);
    const ShownProgress progress = g_state.shown;
    LeaveCriticalSection(&g_state.lock);
    return progress;
}

bool SurveyHasEnded() { return WaitForSingleObject(g_state.surveyEnded, 0) == WAIT_OBJECT_0; }

void SetItemText(HWND window, int id, const char* shiftJis) {
    SendTextMessage(GetDlgItem(window, id), WM_SETTEXT, 0, shiftJis);
}

// While the drives are being found, the bar moves without measuring; then
// it counts the drives read so far.
void ShowProgress(HWND window, const ShownProgress& progress) {
    HWND bar = GetDlgItem(window, IDC_PROGRESS_BAR);
    if (progress.drive == 0) {
        SetItemText(window, IDC_PROGRESS_STEP, kFindingDrivesText);
        WindowApi().sendMessage(bar, PBM_SETMARQUEE, TRUE, kMarqueeStepMilliseconds);
        return;
    }
    WindowApi().sendMessage(bar, PBM_SETMARQUEE, FALSE, 0);
    SetWindowLongA(bar, GWL_STYLE, GetWindowLongA(bar, GWL_STYLE) & ~PBS_MARQUEE);
    WindowApi().sendMessage(bar, PBM_SETRANGE32, 0, progress.drives);
    WindowApi().sendMessage(bar, PBM_SETPOS, progress.drive - 1, 0);
    // wsprintf writes at most 1024 characters; the name at most 63 bytes.
    char step[1024];
    wsprintfA(step, kReadingDriveFormat, progress.drive, progress.drives, progress.drive, progress.drives,
              progress.name);
    SetItemText(window, IDC_PROGRESS_STEP, step);
}

void Refresh(HWND window) {
    if (g_state.closing) return;
    const ShownProgress progress = LatestProgress();
    if (progress.drive == g_state.shownDrive) return;
    g_state.shownDrive = progress.drive;
    ShowProgress(window, progress);
}

// The close box, Alt+F4, the taskbar's Close and Esc: the user may always
// leave, even while the survey's thread waits for a drive that does not
// answer.
void Leave(HWND window) {
    if (g_state.closing || LeaveNowOrOnceRequestEnds()) return;
    g_state.closing = true;
    SetItemText(window, IDC_PROGRESS_STEP, kClosingAfterRequestText);
}

INT_PTR CALLBACK ProgressProcedure(HWND window, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            MarkAsRunningCopy(window);
            SetItemText(window, IDC_PROGRESS_TEXT, kProgressText);
            g_state.shownDrive = -1;
            Refresh(window);
            SetTimer(window, kRefreshTimer, kRefreshMilliseconds, nullptr);
            return FALSE;
        case WM_TIMER:
            // The timer also runs while the user drags the window, when the
            // system's move loop keeps this thread from the loop below.
            if (SurveyHasEnded()) {
                DestroyWindow(window);
            } else {
                Refresh(window);
            }
            return TRUE;
        case WM_CLOSE:
            Leave(window);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDCANCEL) Leave(window);
            return TRUE;
        case WM_DESTROY:
            UnmarkRunningCopy(window);
            g_state.window = nullptr;
            return FALSE;
        default:
            return FALSE;
    }
}

void ServeWindowUntilSurveyEnds() {
    const DWORD wakeMask = AllInputWakeMask();
    while (g_state.window != nullptr &&
           MsgWaitForMultipleObjects(1, &g_state.surveyEnded, FALSE, INFINITE, wakeMask) == WAIT_OBJECT_0 + 1) {
        MSG message;
        while (WindowApi().peekMessage(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (g_state.window != nullptr && WindowApi().isDialogMessage(g_state.window, &message)) continue;
            TranslateMessage(&message);
            WindowApi().dispatchMessage(&message);
        }
    }
}

// A survey that came to its end while the window was being made gets no
// window at all, rather than one that flashes up over the main dialog, takes
// the foreground from it and leaves it to another program.
bool ShowUnlessSurveyEnded(HWND window) {
    WaitForSingleObject(g_state.endOrShow, INFINITE);
    const bool show = !g_state.showingStopped;
    if (show) SetWindowPos(window, HWND_TOP, kMainWindowLeft, kMainWindowTop, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    SetEvent(g_state.endOrShow);
    return show;
}

DWORD WINAPI ShowProgressUntilSurveyEnds(void*) {
    if (WaitForSingleObject(g_state.surveyEnded, kDelayBeforeWindowMilliseconds) != WAIT_TIMEOUT) return 0;
    HICON icon = LoadApplicationIcon(SM_CXICON, SM_CYICON);
    HICON smallIcon = LoadApplicationIcon(SM_CXSMICON, SM_CYSMICON);
    g_state.window = MakeDialog(CurrentApplication().Instance(), IDD_PROGRESS, nullptr, ProgressProcedure, 0);
    if (g_state.window != nullptr) {
        WindowApi().sendMessage(g_state.window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        WindowApi().sendMessage(g_state.window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
        if (ShowUnlessSurveyEnded(g_state.window)) ServeWindowUntilSurveyEnds();
        if (g_state.window != nullptr) DestroyWindow(g_state.window);
    }
    if (smallIcon != nullptr) DestroyIcon(smallIcon);
    if (icon != nullptr) DestroyIcon(icon);
    return 0;
}

// Messages sent from the progress thread are answered meanwhile: its
// window's showing and destruction may send to this thread, which must not
// be waiting deaf. An auto-reset event waited for is reset when this returns.
void WaitServingSentMessages(HANDLE object) {
    while (MsgWaitForMultipleObjects(1, &object, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
        MSG message;
        WindowApi().peekMessage(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

void CloseProgressHandles() {
    for (HANDLE* handle : {&g_state.thread, &g_state.surveyEnded, &g_state.endOrShow}) {
        if (*handle != nullptr) CloseHandle(*handle);
        *handle = nullptr;
    }
}

}  // namespace

void BeginSurveyProgress() {
    if (!g_state.lockReady) InitializeCriticalSection(&g_state.lock);
    g_state.lockReady = true;
    g_state.shown = ShownProgress{};
    g_state.showingStopped = false;
    g_state.surveyEnded = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    g_state.endOrShow = CreateEventA(nullptr, FALSE, TRUE, nullptr);
    if (g_state.surveyEnded != nullptr && g_state.endOrShow != nullptr) {
        g_state.thread = CreateThread(nullptr, 0, ShowProgressUntilSurveyEnds, nullptr, 0, nullptr);
        if (g_state.thread != nullptr) return;
    }
    CloseProgressHandles();
}

void ShowReadingDrive(int32_t drive, int32_t drives, const char* name) {
    if (!g_state.lockReady) return;
    EnterCriticalSection(&g_state.lock);
    g_state.shown.drive = drive;
    g_state.shown.drives = drives;
    lstrcpynA(g_state.shown.name, name, sizeof g_state.shown.name);
    LeaveCriticalSection(&g_state.lock);
}

void StopSurveyProgressShowing() {
    if (g_state.thread == nullptr) return;
    WaitServingSentMessages(g_state.endOrShow);
    g_state.showingStopped = true;
    SetEvent(g_state.endOrShow);
}

void EndSurveyProgress() {
    if (g_state.thread == nullptr) return;
    StopSurveyProgressShowing();
    SetEvent(g_state.surveyEnded);
    WaitServingSentMessages(g_state.thread);
    CloseProgressHandles();
}
