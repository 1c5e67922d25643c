#include "app/win32_survey_port.h"

#include <windows.h>

#include <io.h>

#include <cstdlib>
#include <cstring>

#include "app/framework/code_page.h"
#include "app/framework/wide_text.h"
#include "app/framework/window_text_api.h"
#include "app/main_window_place.h"
#include "app/drive_note.h"
#include "app/survey_progress_window.h"
#include "app/win32/leaving.h"

namespace {

constexpr int kStandardOutput = 1;

// The executable's file name without directory and extension.
WideText ApplicationName() {
    const WideText path = ModuleFileName();
    // The system names its modules with backslashes only; the extension is
    // what follows the last dot of the file's own name.
    const wchar_t* characters = path.c_str();
    size_t start = 0;
    size_t end = path.size();
    for (size_t i = 0; i < path.size(); ++i) {
        if (characters[i] == L'\\') {
            start = i + 1;
            end = path.size();
        } else if (characters[i] == L'.') {
            end = i;
        }
    }
    return WideText(characters + start, end - start);
}

}  // namespace

// Straight to the runtime's standard-output descriptor, which is in text
// mode, so line ends go out as CR LF.
void Win32SurveyPort::WriteStdout(const char* text) {
    _write(kStandardOutput, text, static_cast<unsigned>(std::strlen(text)));
}

void Win32SurveyPort::BeginProgress() { BeginSurveyProgress(); }

void Win32SurveyPort::ReadingDrive(int32_t drive, int32_t drives, const char* name) {
    ShowReadingDrive(drive, drives, name);
}

void Win32SurveyPort::StopProgressShowing() { StopSurveyProgressShowing(); }

// No request is in flight any more: a user who asked to leave while one was
// goes now, before anything else shows.
void Win32SurveyPort::EndProgress() {
    LeaveIfAsked();
    EndSurveyProgress();
}

void Win32SurveyPort::ShowNote(SurveyWindow dialog, const char* lines) {
    ShowDriveNote(static_cast<HWND>(dialog), lines);
}

// The foreground passes from the progress window, if it came, to the dialog
// within this process, which is always allowed.
void Win32SurveyPort::ShowDialog(SurveyWindow dialog) {
    LeaveIfAsked();
    HWND window = static_cast<HWND>(dialog);
    SetWindowPos(window, HWND_TOP, kMainWindowLeft, kMainWindowTop, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    SetForegroundWindow(window);
}

// The foreground is asked for: a progress window that had it is gone by now.
void Win32SurveyPort::ShowMessage(SurveyWindow owner, const char* text, const char* caption) {
    // The texts are Shift-JIS whatever the system's ANSI code page is.
    ShowMessageBox(static_cast<HWND>(owner), text, caption != nullptr ? WideFromShiftJis(caption) : ApplicationName(),
                   MB_OK | MB_SETFOREGROUND);
}

void Win32SurveyPort::EndDialog(SurveyWindow dialog, int result) { ::EndDialog(static_cast<HWND>(dialog), result); }

void Win32SurveyPort::ExitProcess(int status) { std::exit(status); }
