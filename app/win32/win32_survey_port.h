#pragma once

// The product's binding of the survey's port to Win32 and the C runtime.

#include "survey/survey_port.h"

class Win32SurveyPort : public SurveyPort {
public:
    void WriteStdout(const char* text) override;
    void ShowMessage(SurveyWindow owner, const char* text, const char* caption) override;
    void EndDialog(SurveyWindow dialog, int result) override;
    void ExitProcess(int status) override;
};
