#pragma once

// Records what the survey does to the user and the process; installed as the
// survey's port for its own lifetime.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "survey/survey_port.h"

struct FakeMessage {
    SurveyWindow owner;
    std::string text;
    std::optional<std::string> caption;
    bool progressShowing;  // a sign of life of the survey was still there
};

class FakeSurveyPort : public SurveyPort {
public:
    FakeSurveyPort() { InstallSurveyPort(this); }
    ~FakeSurveyPort() override { InstallSurveyPort(nullptr); }

    std::string standardOutput;
    std::vector<FakeMessage> messages;
    std::vector<std::pair<SurveyWindow, int>> endedDialogs;
    std::optional<int> exitStatus;
    int progressBegun = 0;
    bool progressShowing = false;

    void WriteStdout(const char* text) override { standardOutput += text; }
    void BeginProgress() override {
        ++progressBegun;
        progressShowing = true;
    }
    void EndProgress() override { progressShowing = false; }
    void ShowMessage(SurveyWindow owner, const char* text, const char* caption) override {
        messages.push_back(
            {owner, text, caption != nullptr ? std::optional<std::string>(caption) : std::nullopt, progressShowing});
    }
    void EndDialog(SurveyWindow dialog, int result) override { endedDialogs.emplace_back(dialog, result); }
    void ExitProcess(int status) override { exitStatus = status; }
};

