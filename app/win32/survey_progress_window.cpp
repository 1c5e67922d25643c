#include "app/win32/survey_progress_window.h"

#include <windows.h>
#include <commctrl.h>

#include "app/framework/application.h"
#include "app/framework/code_page.h"
#include "app/win32/progress_texts.h"
#include "res/resource_ids.h"
#include "survey/survey_progress.h"

namespace {

// Usually the survey takes a fraction of a second: the main dialog is then
// the first and only window.
constexpr DWORD kQuietMilliseconds = 1000;
constexpr UINT_PTR kRefreshTimer = 1;
constexpr UINT kRefreshMilliseconds = 100;
constexpr UINT kMarqueeStepMilliseconds = 30;
// Where the main dialog will appear.
constexpr int kWindowLeft = 10;
constexpr int kWindowTop = 10;

HANDLE g_surveyEnded = nullptr;
HANDLE g_progressThread = nullptr;
// Touched by the progress thread alone: the drive its window shows.
int32_t g_shownDrive = -1;

void SetItemText(HWND window, int id, const char* shiftJis) {
    SetDlgItemTextW(window, id, WideFromShiftJis(shiftJis).c_str());
}

// While the drives are being found, the bar moves without measuring; then
// it counts the drives read so far.
void ShowProgress(HWND window, const SurveyProgress& progress) {
    HWND bar = GetDlgItem(window, IDC_PROGRESS_BAR);
    if (progress.drive == 0) {
        SetItemText(window, IDC_PROGRESS_STEP, kFindingDrivesText);
        SendMessageW(bar, PBM_SETMARQUEE, TRUE, kMarqueeStepMilliseconds);
        return;
    }
    SendMessageW(bar, PBM_SETMARQUEE, FALSE, 0);
    SetWindowLongW(bar, GWL_STYLE, GetWindowLongW(bar, GWL_STYLE) & ~PBS_MARQUEE);
    SendMessageW(bar, PBM_SETRANGE32, 0, progress.drives);
    SendMessageW(bar, PBM_SETPOS, progress.drive - 1, 0);
    // wsprintf writes at most 1024 characters; a display name is 29 bytes.
    char step[1024];
    wsprintfA(step, kReadingDriveFormat, progress.drive, progress.drives, progress.drive, progress.drives,
              progress.name);
    SetItemText(window, IDC_PROGRESS_STEP, step);
}

void Refresh(HWND window) {
    const SurveyProgress progress = CurrentSurveyProgress();
    if (progress.drive == g_shownDrive) return;
    g_shownDrive = progress.drive;
    ShowProgress(window, progress);
}

// The window offers no way out: ending the process inside a device request
// could free what the ASPI manager still writes into.
INT_PTR CALLBACK ProgressProcedure(HWND window, UINT message, WPARAM, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            SetItemText(window, IDC_PROGRESS_TEXT, kProgressText);
            g_shownDrive = -1;
            Refresh(window);
            SetTimer(window, kRefreshTimer, kRefreshMilliseconds, nullptr);
            return FALSE;
        case WM_TIMER:
            Refresh(window);
            return TRUE;
        case WM_CLOSE:
        case WM_COMMAND:
            return TRUE;
        default:
            return FALSE;
    }
}

DWORD WINAPI ShowProgressUntilSurveyEnds(void*) {
    if (WaitForSingleObject(g_surveyEnded, kQuietMilliseconds) != WAIT_TIMEOUT) return 0;
    HWND window = CreateDialogParamW(CurrentApplication().Instance(), MAKEINTRESOURCEW(IDD_PROGRESS), nullptr,
                                     ProgressProcedure, 0);
    if (window == nullptr) return 0;
    SetWindowPos(window, HWND_TOP, kWindowLeft, kWindowTop, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    while (MsgWaitForMultipleObjects(1, &g_surveyEnded, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (IsDialogMessageW(window, &message)) continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    DestroyWindow(window);
    return 0;
}

// Messages sent from the ending thread are answered meanwhile: its window's
// destruction may send to this thread, which must not be waiting deaf.
void WaitServingSentMessages(HANDLE thread) {
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
}

}  // namespace

void BeginSurveyProgress() {
    g_surveyEnded = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (g_surveyEnded == nullptr) return;
    g_progressThread = CreateThread(nullptr, 0, ShowProgressUntilSurveyEnds, nullptr, 0, nullptr);
    if (g_progressThread != nullptr) return;
    CloseHandle(g_surveyEnded);
    g_surveyEnded = nullptr;
}

void EndSurveyProgress() {
    if (g_progressThread == nullptr) return;
    // The window in front is ours until it goes; the system then hands the
    // foreground to another program and would refuse it to the window that
    // follows. The right to take it back is kept while we still hold it.
    AllowSetForegroundWindow(GetCurrentProcessId());
    SetEvent(g_surveyEnded);
    WaitServingSentMessages(g_progressThread);
    CloseHandle(g_progressThread);
    CloseHandle(g_surveyEnded);
    g_progressThread = nullptr;
    g_surveyEnded = nullptr;
}
