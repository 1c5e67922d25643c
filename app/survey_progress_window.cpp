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

// What the window shows: written by the survey's thread, read by the
// window's, both under the lock.
struct ShownProgress {
    int32_t drive;   // the drive being read, 1 to `drives`; 0 while the drives are being found
    int32_t drives;
    char name[64];   // its display name, Shift-JIS
};
CRITICAL_SECTION g_progressLock;
bool g_progressLockReady = false;
ShownProgress g_progress;

HANDLE g_surveyEnded = nullptr;
HANDLE g_progressThread = nullptr;
// A lock that the user-interface thread can wait for while it answers sent
// messages: an auto-reset event, set while free. The window is shown only
// while the survey may still show it, and the survey's decision to show the
// dialog waits for a show under way.
HANDLE g_endOrShow = nullptr;
bool g_showingStopped = false;  // under that lock

// Touched by the progress thread alone.
HWND g_window = nullptr;
int32_t g_shownDrive = -1;
bool g_closing = false;  // the user asked to leave; the request in flight must end first

ShownProgress LatestProgress() {
    EnterCriticalSection(&g_progressLock);
    const ShownProgress progress = g_progress;
    LeaveCriticalSection(&g_progressLock);
    return progress;
}

bool SurveyHasEnded() { return WaitForSingleObject(g_surveyEnded, 0) == WAIT_OBJECT_0; }

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
    if (g_closing) return;
    const ShownProgress progress = LatestProgress();
    if (progress.drive == g_shownDrive) return;
    g_shownDrive = progress.drive;
    ShowProgress(window, progress);
}

// The close box, Alt+F4, the taskbar's Close and Esc: the user may always
// leave, even while the survey's thread waits for a drive that does not
// answer.
void Leave(HWND window) {
    if (g_closing || LeaveNowOrOnceRequestEnds()) return;
    g_closing = true;
    SetItemText(window, IDC_PROGRESS_STEP, kClosingAfterRequestText);
}

INT_PTR CALLBACK ProgressProcedure(HWND window, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            MarkAsRunningCopy(window);
            SetItemText(window, IDC_PROGRESS_TEXT, kProgressText);
            g_shownDrive = -1;
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
            g_window = nullptr;
            return FALSE;
        default:
            return FALSE;
    }
}

void ServeWindowUntilSurveyEnds() {
    const DWORD wakeMask = AllInputWakeMask();
    while (g_window != nullptr &&
           MsgWaitForMultipleObjects(1, &g_surveyEnded, FALSE, INFINITE, wakeMask) == WAIT_OBJECT_0 + 1) {
        MSG message;
        while (WindowApi().peekMessage(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (g_window != nullptr && WindowApi().isDialogMessage(g_window, &message)) continue;
            TranslateMessage(&message);
            WindowApi().dispatchMessage(&message);
        }
    }
}

// A survey that came to its end while the window was being made gets no
// window at all, rather than one that flashes up over the main dialog, takes
// the foreground from it and leaves it to another program.
bool ShowUnlessSurveyEnded(HWND window) {
    WaitForSingleObject(g_endOrShow, INFINITE);
    const bool show = !g_showingStopped;
    if (show) SetWindowPos(window, HWND_TOP, kMainWindowLeft, kMainWindowTop, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    SetEvent(g_endOrShow);
    return show;
}

DWORD WINAPI ShowProgressUntilSurveyEnds(void*) {
    if (WaitForSingleObject(g_surveyEnded, kDelayBeforeWindowMilliseconds) != WAIT_TIMEOUT) return 0;
    HICON icon = LoadApplicationIcon(SM_CXICON, SM_CYICON);
    HICON smallIcon = LoadApplicationIcon(SM_CXSMICON, SM_CYSMICON);
    g_window = WindowApi().createDialogParam(CurrentApplication().Instance(), MAKEINTRESOURCEA(IDD_PROGRESS), nullptr,
                                             ProgressProcedure, 0);
    if (g_window != nullptr) {
        WindowApi().sendMessage(g_window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        WindowApi().sendMessage(g_window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon));
        if (ShowUnlessSurveyEnded(g_window)) ServeWindowUntilSurveyEnds();
        if (g_window != nullptr) DestroyWindow(g_window);
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
    for (HANDLE* handle : {&g_progressThread, &g_surveyEnded, &g_endOrShow}) {
        if (*handle != nullptr) CloseHandle(*handle);
        *handle = nullptr;
    }
}

}  // namespace

void BeginSurveyProgress() {
    if (!g_progressLockReady) InitializeCriticalSection(&g_progressLock);
    g_progressLockReady = true;
    g_progress = ShownProgress{};
    g_showingStopped = false;
    g_surveyEnded = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    g_endOrShow = CreateEventA(nullptr, FALSE, TRUE, nullptr);
    if (g_surveyEnded != nullptr && g_endOrShow != nullptr) {
        g_progressThread = CreateThread(nullptr, 0, ShowProgressUntilSurveyEnds, nullptr, 0, nullptr);
        if (g_progressThread != nullptr) return;
    }
    CloseProgressHandles();
}

void ShowReadingDrive(int32_t drive, int32_t drives, const char* name) {
    if (!g_progressLockReady) return;
    EnterCriticalSection(&g_progressLock);
    g_progress.drive = drive;
    g_progress.drives = drives;
    lstrcpynA(g_progress.name, name, sizeof g_progress.name);
    LeaveCriticalSection(&g_progressLock);
}

void StopSurveyProgressShowing() {
    if (g_progressThread == nullptr) return;
    WaitServingSentMessages(g_endOrShow);
    g_showingStopped = true;
    SetEvent(g_endOrShow);
}

void EndSurveyProgress() {
    if (g_progressThread == nullptr) return;
    StopSurveyProgressShowing();
    SetEvent(g_surveyEnded);
    WaitServingSentMessages(g_progressThread);
    CloseProgressHandles();
}
