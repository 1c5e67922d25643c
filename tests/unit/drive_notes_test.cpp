#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "survey/survey.h"
#include "survey/survey_texts.h"
#include "tests/fakes/fake_drives.h"
#include "tests/fakes/fake_survey_port.h"
#include "tests/fakes/scsi_state.h"

namespace {

SurveyWindow const kDialog = reinterpret_cast<SurveyWindow>(0x4242);
constexpr uint32_t kCdrom = 5;

// "ドライブ E: は他のプログラムが使用中のため確認できませんでした。" and its English line.
const std::string kEInUse =
    "\x83h\x83\x89\x83" "C\x83u E: \x82\xCD\x91\xBC\x82\xCC\x83v\x83\x8D\x83O\x83\x89\x83\x80\x82\xAA\x8Eg"
    "\x97p\x92\x86\x82\xCC\x82\xBD\x82\xDF\x8Am\x94" "F\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x82\xC5\x82"
    "\xB5\x82\xBD\x81" "B\nDrive E: is in use by another program and could not be checked.";
// "ドライブ F: へのアクセスが拒否されました (管理者の設定やセキュリティ ソフト)。" and its English line.
const std::string kFDenied =
    "\x83h\x83\x89\x83" "C\x83u F: \x82\xD6\x82\xCC\x83" "A\x83N\x83Z\x83X\x82\xAA\x8B\x91\x94\xDB\x82\xB3"
    "\x82\xEA\x82\xDC\x82\xB5\x82\xBD (\x8A\xC7\x97\x9D\x8E\xD2\x82\xCC\x90\xDD\x92\xE8\x82\xE2\x83Z\x83L"
    "\x83\x85\x83\x8A\x83" "e\x83" "B \x83\\\x83t\x83g)\x81" "B\nAccess to drive F: was denied (by policy or "
    "security software).";
const std::string kEInUseLog = "Drive E: is in use by another program and could not be checked.\n";
const std::string kENotReady = std::string(kLetterNotReadyJapanese).replace(9, 2, "E") +
                               "\nDrive E: was not ready and could not be checked.";
const std::string kENotReadyLog = "Drive E: was not ready and could not be checked.\n";
const std::string kNoDriveNote = std::string(kNoDriveFoundJapanese) + "\n" + kNoDriveFoundEnglish + "\n\n";
const std::string kFDeniedLog = "Access to drive F: was denied (by policy or security software).\n";

enum class Refusal { None, OpenRefused, ReadWriteRefused, RequestRefused };

struct RefusedLetterCase {
    const char* name;
    uint32_t errorOnE;
    Refusal howE;
    uint32_t errorOnF;
    bool writerOnG;      // a supported writer beside them
    bool foreignOnD;     // a device of another maker beside them
    std::string stdoutAfterMode;
    std::string shownLines;   // in the dialog
    std::string boxText;      // empty: no box
};

const RefusedLetterCase kCases[] = {
    {"held open alone", 32, Refusal::OpenRefused, 0, false, false,
     kEInUseLog + "Not forund terget CD/DVD drive.  \n", kNoDriveNote + kEInUse, ""},
    {"locked (33) and denied (5)", 33, Refusal::OpenRefused, 5, false, false,
     kEInUseLog + kFDeniedLog + "Not forund terget CD/DVD drive.  \n", kNoDriveNote + kEInUse + "\n\n" + kFDenied,
     ""},
    {"held for writing (32), its request denied (5)", 32, Refusal::ReadWriteRefused, 0, true, false, kEInUseLog,
     kEInUse, ""},
    {"busy (170) beside a writer", 170, Refusal::OpenRefused, 0, true, false, kEInUseLog, kEInUse, ""},
    {"not ready (21) beside a writer", 21, Refusal::OpenRefused, 0, true, false, kENotReadyLog, kENotReady, ""},
    {"drive locked (108) beside a writer", 108, Refusal::OpenRefused, 0, true, false, kEInUseLog, kEInUse, ""},
    {"request refused for another program's hold", 32, Refusal::RequestRefused, 0, false, true, kEInUseLog, "",
     kNoSupportedDriveText + std::string("\n") + kEInUse},
    {"denied beside a writer", 0, Refusal::None, 5, true, false, kFDeniedLog, kFDenied, ""},
    {"a refusal of another kind (2) says nothing", 2, Refusal::OpenRefused, 0, true, false, "", "", ""},
};

class RefusedLetter : public ::testing::TestWithParam<RefusedLetterCase> {
protected:
    void SetUp() override { ResetScsiState(); }
    void TearDown() override {
        ResetScsiState();
        for (int i = 0; i < kResultSlots; ++i) g_driveNames[i].clear();
        g_driveCount = 0;
    }

    ScopedFakeOs fake;
    FakeSurveyPort ui;
    FakeDrives drives;
};

TEST_P(RefusedLetter, IsNamedWithItsReasonWhereverTheSurveyEnds) {
    const RefusedLetterCase& c = GetParam();
    drives.letters[2] = HardDisk();  // C:, refused to a standard user, is never named
    drives.letters[4] = Writer("KORVANE DVDR   KV-948A  ");
    drives.letters[5] = Writer("KORVANE DVDR   KV-942A  ");
    if (c.writerOnG) drives.letters[6] = Writer("KORVANE DVDR   KV-948A  ");
    if (c.foreignOnD) drives.letters[3] = Writer("OTHERCO DVD-RW DX-100   ");
    if (c.howE == Refusal::RequestRefused) {
        drives.letters[4].failures.push_back(SimFailure{0x12, false, 0, 0, 0, 1, 0, static_cast<int>(c.errorOnE)});
    }
    drives.ServePassThrough(fake.os);
    fake.os.devices["\\\\.\\c:"] = FakeDevice{false, false, 5};
    fake.os.driveTypes["e:\\"] = kCdrom;
    fake.os.driveTypes["f:\\"] = kCdrom;
    if (c.howE == Refusal::OpenRefused) fake.os.devices["\\\\.\\e:"] = FakeDevice{false, false, c.errorOnE};
    if (c.howE == Refusal::ReadWriteRefused) fake.os.devices["\\\\.\\e:"] = FakeDevice{false, true, c.errorOnE};
    if (c.errorOnF != 0) fake.os.devices["\\\\.\\f:"] = FakeDevice{false, false, c.errorOnF};
    if (c.errorOnF == 0) drives.letters.erase(5), fake.os.devices.erase("\\\\.\\f:");
    if (c.howE == Refusal::None) drives.letters.erase(4), fake.os.devices.erase("\\\\.\\e:");

    SurveyDrives(kDialog);

    EXPECT_EQ(ui.standardOutput, "SPTI Mode\n" + c.stdoutAfterMode);
    EXPECT_EQ(ui.noteLines, c.shownLines);
    if (!c.shownLines.empty()) {
        EXPECT_EQ(ui.noteShownIn, kDialog);
        EXPECT_EQ(ui.sequence, (std::vector<std::string>{"begin-progress", "note", "stop-progress-showing",
                                                         "show-dialog", "end-progress"}));
    }
    if (c.boxText.empty()) {
        EXPECT_TRUE(ui.messages.empty());
    } else {
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_EQ(ui.messages[0].text, c.boxText);
    }
    EXPECT_EQ(g_driveCount, c.writerOnG ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Reasons, RefusedLetter, ::testing::ValuesIn(kCases),
                         [](const auto& info) {
                             std::string name;
                             for (const char* at = info.param.name; *at != '\0'; ++at) {
                                 if (std::isalnum(static_cast<unsigned char>(*at))) name += *at;
                             }
                             return name;
                         });

}  // namespace
