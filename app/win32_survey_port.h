#pragma once

// The survey's port bound to the utility's windows: the progress window, the
// main dialog's place, message boxes and standard output.

#include "survey/survey_port.h"

class Win32SurveyPort : public SurveyPort {
public:
    void WriteStdout(const char* text) override;
    void BeginProgress() override;
    void ReadingDrive(int32_t drive, int32_t drives, const char* name) override;
    void StopProgressShowing() override;
    void EndProgress() override;
    void ShowNote(SurveyWindow dialog, const char* lines) override;
    void ShowDialog(SurveyWindow dialog) override;
    void ShowMessage(SurveyWindow owner, const char* text, const char* caption) override;
    void EndDialog(SurveyWindow dialog, int result) override;
    void ExitProcess(int status) override;
};
