#pragma once

// What the survey does to the user and to the process, kept apart from the
// transport's seam, which knows no windows. The product binds it to Win32
// beside that seam; the unit tests to a recording fake.

#include <cstdint>

using SurveyWindow = void*;  // the dialog that runs the survey, opaque here

constexpr int kDialogCancel = 2;  // IDCANCEL

class SurveyPort {
public:
    virtual ~SurveyPort() = default;

    // Writes the text to standard output as it is.
    virtual void WriteStdout(const char* text) = 0;
    // The survey begins by finding the drives: a sign of life follows if it takes long.
    virtual void BeginProgress() = 0;
    // The survey reads drive `drive` of `drives`, listed as `name` (Shift-JIS); the name is copied.
    virtual void ReadingDrive(int32_t drive, int32_t drives, const char* name) = 0;
    // The survey has decided to show the dialog: no sign of life may show from now on, and one
    // already shown stays until EndProgress.
    virtual void StopProgressShowing() = 0;
    // The survey's work is over: no sign of life remains when this returns.
    virtual void EndProgress() = 0;
    // Before the dialog is shown: lines (Shift-JIS) on drives that could not be read, an empty list
    // and drive letters that refused the program, below the dialog's own texts.
    virtual void ShowNote(SurveyWindow dialog, const char* lines) = 0;
    // Shows the dialog where the main window appears and gives it the foreground.
    virtual void ShowDialog(SurveyWindow dialog) = 0;
    // An OK-only box without icon, owned by `owner`; Shift-JIS texts, a null caption names the program.
    virtual void ShowMessage(SurveyWindow owner, const char* text, const char* caption) = 0;
    // Ends the modal dialog with `result`.
    virtual void EndDialog(SurveyWindow dialog, int result) = 0;
    // Ends the process through the runtime's normal exit (a fake returns: callers return right after).
    virtual void ExitProcess(int status) = 0;
};

// The binding in force, installed like the operating-system seam (survey.cpp).
SurveyPort& SurveyUi();
void InstallSurveyPort(SurveyPort* port);
