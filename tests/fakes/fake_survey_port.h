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
    // What a progress window would show now: "finding", or "<drive>/<drives> <name>".
    std::string progress;
    // The calls that change what the user sees, in order: "begin-progress",
    // "stop-progress-showing", "end-progress", "note", "show-dialog", "message", "end-dialog", "exit".
    std::vector<std::string> sequence;

    void WriteStdout(const char* text) override { standardOutput += text; }
    void BeginProgress() override {
        ++progressBegun;
        progressShowing = true;
        progress = "finding";
        sequence.push_back("begin-progress");
    }
    void ReadingDrive(int32_t drive, int32_t drives, const char* name) override {
        progress = std::to_string(drive) + "/" + std::to_string(drives) + " " + name;
    }
    void StopProgressShowing() override { sequence.push_back("stop-progress-showing"); }
    void EndProgress() override {
        progressShowing = false;
        sequence.push_back("end-progress");
    }
    void ShowNote(SurveyWindow dialog, const char* lines) override {
        noteLines = lines;
        noteShownIn = dialog;
        sequence.push_back("note");
    }
    void ShowDialog(SurveyWindow dialog) override {
        shownDialog = dialog;
        sequence.push_back("show-dialog");
    }
    void ShowMessage(SurveyWindow owner, const char* text, const char* caption) override {
        messages.push_back(
            {owner, text, caption != nullptr ? std::optional<std::string>(caption) : std::nullopt, progressShowing});
        sequence.push_back("message");
    }
    void EndDialog(SurveyWindow dialog, int result) override {
        endedDialogs.emplace_back(dialog, result);
        sequence.push_back("end-dialog");
    }
    void ExitProcess(int status) override {
        exitStatus = status;
        sequence.push_back("exit");
    }

    SurveyWindow shownDialog = nullptr;
    std::string noteLines;
    SurveyWindow noteShownIn = nullptr;
};
