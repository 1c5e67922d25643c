#include "app/win32_survey_port.h"

#include <windows.h>

#include <io.h>

#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "app/framework/code_page.h"
#include "app/framework/wide_text.h"
#include "app/main_window_place.h"
#include "app/refused_letters_note.h"
#include "app/survey_progress_window.h"
#include "app/win32/leaving.h"

namespace {

constexpr int kStandardOutput = 1;

// The executable's file name without directory and extension.
WideText ApplicationName() {
    constexpr DWORD kLongestPath = 32768;
    WideText path(kLongestPath);
    if (path.empty()) return path;
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), kLongestPath);
    path.Truncate(length < kLongestPath ? length : 0);
    // The system names its modules with backslashes only.
    const wchar_t* name = path.c_str();
    if (const wchar_t* backslash = std::wcsrchr(name, L'\\')) name = backslash + 1;
    const wchar_t* dot = std::wcsrchr(name, L'.');
    return WideText(name, dot != nullptr ? static_cast<size_t>(dot - name) : std::wcslen(name));
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

// No request is in flight any more: a user who asked to leave while one was
// goes now, before anything else shows.
void Win32SurveyPort::EndProgress() {
    LeaveIfAsked();
    EndSurveyProgress();
}

void Win32SurveyPort::ShowRefusedLetters(SurveyWindow dialog, const char* lines) {
    ShowRefusedLettersNote(static_cast<HWND>(dialog), lines);
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
    const WideText wideText = WideFromShiftJis(text);
    const WideText wideCaption = caption != nullptr ? WideFromShiftJis(caption) : ApplicationName();
    MessageBoxW(static_cast<HWND>(owner), wideText.c_str(), wideCaption.c_str(), MB_OK | MB_SETFOREGROUND);
}

void Win32SurveyPort::EndDialog(SurveyWindow dialog, int result) { ::EndDialog(static_cast<HWND>(dialog), result); }

void Win32SurveyPort::ExitProcess(int status) { std::exit(status); }
