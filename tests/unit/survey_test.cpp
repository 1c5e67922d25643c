#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scsi/transport.h"
#include "survey/survey.h"
#include "survey/survey_texts.h"
#include "tests/unit/expected_notes.h"
#include "tests/fakes/fake_drives.h"
#include "tests/fakes/fake_survey_port.h"
#include "tests/fakes/scsi_state.h"
#include "tests/sim_drives/scenario.h"

namespace {

const std::string kKv948a = "KORVANE DVDR   KV-948A  ";
const std::string kKv942a = "KORVANE DVDR   KV-942A  ";
const std::string kForeign = "OTHERCO DVD-RW DX-100   ";
SurveyWindow const kDialog = reinterpret_cast<SurveyWindow>(0x4242);


class Survey : public ::testing::Test {
protected:
    void SetUp() override { ClearAll(); }
    void TearDown() override { ClearAll(); }

    static void ClearAll() {
        ResetScsiState();
        for (int i = 0; i < kResultSlots; ++i) {
            g_driveNames[i].clear();
            g_driveSerials[i].clear();
            g_driveFailures[i] = FailureReason{};
            g_driveNotes[i].clear();
        }
        g_driveCount = 0;
    }

    std::vector<uint8_t> SerialCdbByte1() const {
        std::vector<uint8_t> bytes;
        for (const FakeCommand& command : drives.commands) {
            if (command.cdb[0] == 0xF1) bytes.push_back(command.cdb[1]);
        }
        return bytes;
    }

    ScopedFakeOs fake;
    FakeSurveyPort ui;
    FakeDrives drives;
};

TEST_F(Survey, KeepsSupportedDrivesInOrderAndSkipsOthers) {
    drives.letters[3] = Writer(kKv948a, "01389");
    drives.letters[4] = Writer(kForeign);
    drives.letters[6] = Writer(kKv942a, "F4240");
    drives.ServePassThrough(fake.os);

    SurveyDrives(kDialog);

    EXPECT_EQ(ui.standardOutput, "SPTI Mode\n");
    ASSERT_EQ(g_driveCount, 2);
    EXPECT_EQ(g_driveNames[0], "(D:) " + kKv948a);
    EXPECT_EQ(g_driveSerials[0], "507425005001");
    EXPECT_EQ(g_driveNames[1], "(G:) " + kKv942a);
    EXPECT_EQ(g_driveSerials[1], "50658xxxxxxx");
    EXPECT_TRUE(g_driveNames[2].empty());
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(ui.endedDialogs.empty());
    EXPECT_EQ(fake.os.OpenDeviceCount(), 0u) << "a drive held open cannot be removed while the window waits";
    EXPECT_EQ(ui.progressBegun, 1);
    EXPECT_EQ(ui.shownDialog, kDialog);
    EXPECT_EQ(ui.sequence,
              (std::vector<std::string>{"begin-progress", "stop-progress-showing", "show-dialog", "end-progress"}))
        << "no progress window may come over the dialog, which takes the foreground while one that came still holds it";
}

// Another thread shows this while the survey's thread is blocked in a
// request: each state as the drives saw it, in order.
TEST_F(Survey, PublishesTheDriveItReadsWhileItsCommandRuns) {
    drives.letters[3] = Writer(kKv948a, "01389");
    drives.letters[4] = Writer(kForeign);
    drives.letters[6] = Writer(kKv942a, "F4240");
    drives.ServePassThrough(fake.os);
    std::vector<std::string> states;
    const auto answer = fake.os.ioctlHandler;
    fake.os.ioctlHandler = [&](const FakeIoctl& call, uint8_t* out, uint32_t& error) {
        if (states.empty() || states.back() != ui.progress) states.push_back(ui.progress);
        return answer(call, out, error);
    };

    SurveyDrives(kDialog);

    EXPECT_EQ(states, (std::vector<std::string>{"finding", "1/2 (D:) " + kKv948a, "2/2 (G:) " + kKv942a}));
}

TEST_F(Survey, SendsParamByteOneOnlyToTheExactModel) {
    drives.letters[2] = Writer(kKv948a);
    drives.letters[3] = Writer(kKv942a);
    drives.letters[4] = Writer("KORVANE DVDR   KV-948A  ");
    drives.letters[5] = Writer("KORVANE DVDR   KV-948AB ");
    drives.ServePassThrough(fake.os);

    SurveyDrives(kDialog);

    EXPECT_EQ(SerialCdbByte1(), (std::vector<uint8_t>{1, 0, 1, 0}));
    for (const FakeCommand& command : drives.commands) {
        if (command.cdb[0] != 0xF1) continue;
        EXPECT_EQ(command.cdb, (std::vector<uint8_t>{0xF1, command.cdb[1], 0, 0, 0, 0, 0, 0, 0, 0x80}));
    }
}

TEST_F(Survey, ListsADriveWhoseReadFailsWithItsReasonAndReadsTheNext) {
    drives.letters[3] = Writer(kKv948a);
    drives.letters[3].failures.push_back(CheckCondition(0xF1, 0x05, 0x20, 0x00));
    drives.letters[4] = Writer(kKv942a, "00FA0");
    drives.ServePassThrough(fake.os);

    SurveyDrives(kDialog);

    ASSERT_EQ(g_driveCount, 2);
    EXPECT_EQ(g_driveNames[0], "(D:) " + kKv948a);
    EXPECT_EQ(g_driveSerials[0], "S/No Read error");
    EXPECT_EQ(g_driveSerials[1], "506580004000");
    EXPECT_EQ(g_driveFailures[0].category, FailureCategory::RefusedCommand);
    EXPECT_EQ(g_driveFailures[1].category, FailureCategory::None);
    EXPECT_EQ(ui.noteLines, kExpectedRefusedNote) << "the first drive is selected as the dialog shows";
    EXPECT_EQ(NoteForDrive(0), kExpectedRefusedNote);
    EXPECT_EQ(NoteForDrive(1), "") << "a drive that was read has nothing to explain";
    EXPECT_EQ(ui.standardOutput,
              "SPTI Mode\n"
              "Serial not read from \"(D:) KORVANE DVDR   KV-948A  \": refused the command (05/20/00)\n"
              "Scsi Command: F1 01 00 00 00 00 00 00 00 80\n"
              "Scsi Target Status: 02 Check Condition\n"
              "Sense Key: 05   Illegal Request\n"
              "ASC/ASCQ : 2000 ??? Unknown Error\n");
}

// Why a read failed, through either transport: the first writer fails, the
// second reads, and the note names the first by its address.
struct ReadFailureCase {
    const char* name;
    bool throughManager;
    SimFailure failure;
    FailureCategory category;
    std::string code;
    std::string noteStart;
};

SimFailure AspiFailure(uint8_t requestStatus, uint8_t hostAdapterStatus) {
    SimFailure failure{0xF1};
    failure.requestStatus = requestStatus;
    failure.adapterStatus = hostAdapterStatus;
    return failure;
}

SimFailure SystemError(int error, bool waitsOutTimeOut = false) {
    SimFailure failure{0xF1};
    failure.systemError = error;
    failure.waitsOutTimeOut = waitsOutTimeOut;
    return failure;
}

TEST_F(Survey, NamesTheReasonOfEachFailedRead) {
    const ReadFailureCase cases[] = {
        {"held by another program", false, SystemError(5), FailureCategory::InUse, "Windows 5",
         "Drive (D:) is in use by another program"},
        {"an unknown system error", false, SystemError(1117), FailureCategory::Other, "Windows 1117",
         "The serial number of drive (D:) could not be read. (Windows 1117)"},
        {"the same error once the time-out ran out", false, SystemError(1117, true), FailureCategory::NoAnswer,
         "Windows 1117", "Drive (D:) did not answer in time"},
        {"selection time-out through the manager", true, AspiFailure(0x04, 0x11), FailureCategory::NoAnswer,
         "HA 11h", "Drive (0:1) did not answer in time"},
    };
    for (const ReadFailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        ClearAll();
        ui.noteLines.clear();
        FakeAspiManager manager(fake.os);
        SimDrive failing = Writer(kKv948a);
        failing.failures = {c.failure};
        if (c.throughManager) {
            drives.targets[{0, 1}] = failing;
            drives.targets[{0, 3}] = Writer(kKv942a, "00FA0");
            drives.ServeAspi(manager);
        } else {
            manager.supportInfo = 0;
            drives.letters[3] = failing;
            drives.letters[4] = Writer(kKv942a, "00FA0");
            drives.ServePassThrough(fake.os);
        }

        SurveyDrives(kDialog);

        ASSERT_EQ(g_driveCount, 2);
        EXPECT_EQ(g_driveSerials[1], "506580004000");
        EXPECT_EQ(g_driveFailures[0].category, c.category);
        EXPECT_EQ(std::string(g_driveFailures[0].code), c.code);
        const size_t english = ui.noteLines.find('\n') + 1;
        EXPECT_EQ(ui.noteLines.substr(english, c.noteStart.size()), c.noteStart);
        EXPECT_NE(ui.standardOutput.find(": " + std::string(CategoryName(c.category)) + " (" + c.code + ")\n"),
                  std::string::npos);
    }
}

// On the NT family a manager that reaches no supported writer gives way to
// pass-through where that finds one; elsewhere, or when pass-through finds
// none either, the manager's list stands.
struct ManagerWithoutWriterCase {
    const char* name;
    uint32_t platformId;
    bool managerReachesForeignDrive;
    bool managerReachesWriter;
    bool writerOnLetter;
    std::vector<std::string> names;
    std::string standardOutput;
};

TEST_F(Survey, AManagerWithoutASupportedWriterGivesWayToPassThrough) {
    const std::string fromSpti = "ASPI Mode\nNo supported drive through ASPI: the list comes from SPTI.\n";
    const ManagerWithoutWriterCase cases[] = {
        {"no device through the manager", kPlatformWin32Nt, false, false, true, {"(D:) " + kKv948a}, fromSpti},
        {"another maker's drive through the manager", kPlatformWin32Nt, true, false, true, {"(D:) " + kKv948a},
         fromSpti},
        {"the manager reaches a writer", kPlatformWin32Nt, true, true, true, {"(0:2) " + kKv942a}, "ASPI Mode\n"},
        {"no writer either way", kPlatformWin32Nt, false, false, false, {},
         "ASPI Mode\nNo supported drive through ASPI or SPTI: the list comes from ASPI.\n"
         "Not forund terget CD/DVD drive.  \n"},
        {"the other family", 1, false, false, true, {}, "ASPI Mode\nNot forund terget CD/DVD drive.  \n"},
    };
    for (const ManagerWithoutWriterCase& c : cases) {
        SCOPED_TRACE(c.name);
        ClearAll();
        ui.standardOutput.clear();
        drives.commands.clear();
        drives.targets.clear();
        drives.letters.clear();
        fake.os.devices.clear();
        fake.os.platformId = c.platformId;
        FakeAspiManager manager(fake.os);
        if (c.managerReachesForeignDrive) drives.targets[{0, 1}] = Writer(kForeign);
        if (c.managerReachesWriter) drives.targets[{0, 2}] = Writer(kKv942a);
        if (c.writerOnLetter) drives.letters[3] = Writer(kKv948a, "01389");
        drives.ServeAspi(manager);
        drives.ServePassThrough(fake.os);

        SurveyDrives(kDialog);

        EXPECT_EQ(std::vector<std::string>(g_driveNames, g_driveNames + g_driveCount), c.names);
        EXPECT_EQ(ui.standardOutput, c.standardOutput);
        size_t serialReadsOfD = 0;  // no ASPI target of these cases has id 3
        for (const FakeCommand& command : drives.commands) {
            if (command.cdb[0] == 0xF1 && command.address == std::make_pair(0, 3)) ++serialReadsOfD;
        }
        EXPECT_EQ(serialReadsOfD, c.names == std::vector<std::string>{"(D:) " + kKv948a} ? 1u : 0u);
        EXPECT_EQ(fake.os.OpenDeviceCount(), 0u);
    }
}

TEST_F(Survey, AShortReadDoesNotShowThePreviousDrivesBytes) {
    drives.letters[3] = Writer(kKv942a, "00FA0");
    drives.letters[4] = Writer(kKv942a, "");  // delivers zeros where the characters belong
    drives.ServePassThrough(fake.os);

    SurveyDrives(kDialog);

    EXPECT_EQ(g_driveSerials[0], "506580004000");
    EXPECT_EQ(g_driveSerials[1], "506580000000");
}

// Port drivers refuse a data buffer off their adapter's alignment; data in
// goes straight into the program's own buffers, which must satisfy them.
TEST_F(Survey, ReadsDrivesBehindAdaptersThatDemandAlignedBuffers) {
    drives.letters[3] = Writer(kKv948a, "01389");
    drives.letters[3].alignmentMask = 15;
    drives.letters[4] = Writer(kKv942a, "F4240");
    drives.letters[4].alignmentMask = 0xFFF;
    drives.ServePassThrough(fake.os);

    SurveyDrives(kDialog);

    ASSERT_EQ(g_driveCount, 2);
    EXPECT_EQ(g_driveSerials[0], "507425005001");
    EXPECT_EQ(g_driveSerials[1], "50658xxxxxxx");
    EXPECT_EQ(SerialCdbByte1().size(), 2u);
}

// A manager left holding a request that never completes is sent nothing
// more: every serial not yet read shows the read error, and the dialog comes.
TEST_F(Survey, AfterARequestTheManagerNeverEndsNothingMoreIsSent) {
    FakeAspiManager manager(fake.os);
    drives.targets[{0, 1}] = Writer(kKv948a);
    SimFailure neverCompletes{0xF1};
    neverCompletes.requestStatus = 0x00;  // left pending, never signalled
    drives.targets[{0, 1}].failures.push_back(neverCompletes);
    drives.targets[{0, 3}] = Writer(kKv942a, "00FA0");
    drives.ServeAspi(manager);
    fake.os.waitsRunOut = true;

    SurveyDrives(kDialog);

    ASSERT_EQ(g_driveCount, 2);
    EXPECT_EQ(g_driveSerials[0], "S/No Read error");
    EXPECT_EQ(g_driveSerials[1], "S/No Read error");
    EXPECT_EQ(SerialCdbByte1(), (std::vector<uint8_t>{1}));
    EXPECT_EQ(manager.aborts.size(), 1u);
    EXPECT_TRUE(ui.endedDialogs.empty());
}

// A pass-through request that fails only once its whole time-out has run out
// comes from a drive that has stopped answering: the port driver would wait
// as long again for every further request, so that drive is sent nothing
// more. Any other failure keeps the usual rules. The drive under test is D:,
// a good writer on E: beside it.
struct SilenceCase {
    const char* name;
    SimFailure failure;
    std::vector<uint8_t> opcodesToD;
    std::vector<std::string> serials;  // of the drives listed, in order
};

SimFailure TimedOut(uint8_t opcode, int systemError) {
    SimFailure failure{opcode};
    failure.systemError = systemError;
    failure.waitsOutTimeOut = true;
    return failure;
}

SimFailure FailsAtOnce(uint8_t opcode, int systemError) {
    SimFailure failure{opcode};
    failure.systemError = systemError;
    return failure;
}

constexpr int kSemaphoreTimeout = 121;  // ERROR_SEM_TIMEOUT, as USB storage reports a time-out
constexpr int kIoDevice = 1117;         // ERROR_IO_DEVICE, as other port drivers do

TEST_F(Survey, ADriveThatLetsARequestRunOutItsTimeOutIsSentNothingMore) {
    const SilenceCase cases[] = {
        {"TEST UNIT READY timed out: no INQUIRY, not listed", TimedOut(0x00, kSemaphoreTimeout), {0x00},
         {"506580004000"}},
        {"INQUIRY timed out: not listed", TimedOut(0x12, kIoDevice), {0x00, 0x12}, {"506580004000"}},
        {"serial read timed out: read error", TimedOut(0xF1, kSemaphoreTimeout), {0x00, 0x12, 0xF1},
         {"S/No Read error", "506580004000"}},
        {"TEST UNIT READY not ready: INQUIRY still sent", CheckCondition(0x00, 0x02, 0x3A, 0x00),
         {0x00, 0x12, 0xF1}, {"507425005001", "506580004000"}},
        {"TEST UNIT READY failed at once with the time-out's error: INQUIRY still sent",
         FailsAtOnce(0x00, kSemaphoreTimeout), {0x00, 0x12, 0xF1}, {"507425005001", "506580004000"}},
        {"serial read failed at once: read error", FailsAtOnce(0xF1, kIoDevice), {0x00, 0x12, 0xF1},
         {"S/No Read error", "506580004000"}},
    };
    for (const SilenceCase& c : cases) {
        SCOPED_TRACE(c.name);
        ClearAll();
        drives.commands.clear();
        drives.letters[3] = Writer(kKv948a, "01389");
        drives.letters[3].failures = {c.failure};
        drives.letters[4] = Writer(kKv942a, "00FA0");
        drives.ServePassThrough(fake.os);

        SurveyDrives(kDialog);

        std::vector<uint8_t> opcodesToD;
        for (const FakeCommand& command : drives.commands) {
            if (command.address.second == 3) opcodesToD.push_back(command.cdb[0]);
        }
        EXPECT_EQ(opcodesToD, c.opcodesToD);
        std::vector<std::string> serials(g_driveSerials, g_driveSerials + g_driveCount);
        EXPECT_EQ(serials, c.serials);
        EXPECT_EQ(fake.os.OpenDeviceCount(), 0u);
    }
}

TEST_F(Survey, FillsTwentySixSlotsUnderAspi) {
    FakeAspiManager manager(fake.os);
    manager.adapters = {{0, 16}, {0, 16}};
    manager.supportInfo = (SS_COMP << 8) | 2;
    for (int adapter = 0; adapter < 2; ++adapter) {
        for (int target = 0; target < 16; ++target) drives.targets[{adapter, target}] = Writer(kKv942a);
    }
    drives.ServeAspi(manager);

    SurveyDrives(kDialog);

    EXPECT_EQ(ui.standardOutput, "ASPI Mode\n");
    ASSERT_EQ(g_driveCount, 26);
    EXPECT_EQ(g_driveNames[0], "(0:0) " + kKv942a);
    EXPECT_EQ(g_driveNames[25], "(1:9) " + kKv942a);
    EXPECT_EQ(g_driveSerials[25], "506580005001");
    EXPECT_TRUE(g_driveNames[26].empty());
}

TEST_F(Survey, WithNoDeviceAtAllLeavesTheDialogOpenAndEmpty) {
    drives.ServePassThrough(fake.os);

    SurveyDrives(kDialog);

    EXPECT_EQ(ui.standardOutput, "SPTI Mode\nNot forund terget CD/DVD drive.  \n");
    EXPECT_EQ(g_driveCount, 0);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(ui.endedDialogs.empty());
    EXPECT_FALSE(ui.exitStatus.has_value());
    EXPECT_EQ(ui.noteLines, std::string(kNoDriveFoundJapanese) + "\nNo CD or DVD drive was found. Check that the "
                                                                 "writer is connected and switched on, then start "
                                                                 "the program again.");
    EXPECT_EQ(ui.sequence, (std::vector<std::string>{"begin-progress", "note", "stop-progress-showing", "show-dialog",
                                                     "end-progress"}));
}

TEST_F(Survey, WithDevicesButNoneSupportedEndsTheDialog) {
    drives.letters[3] = Writer(kForeign);
    drives.ServePassThrough(fake.os);

    SurveyDrives(kDialog);

    EXPECT_EQ(ui.standardOutput, "SPTI Mode\n");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].owner, kDialog);
    EXPECT_EQ(ui.messages[0].text, kNoSupportedDriveText);
    EXPECT_EQ(ui.messages[0].caption, std::optional<std::string>("KorvSerial1"));
    EXPECT_FALSE(ui.messages[0].progressShowing) << "the progress window must be gone before the box";
    EXPECT_EQ(ui.endedDialogs, (std::vector<std::pair<SurveyWindow, int>>{{kDialog, 2}}));
    EXPECT_EQ(ui.sequence, (std::vector<std::string>{"begin-progress", "end-progress", "message", "end-dialog"}))
        << "a dialog about to close is never shown";
    EXPECT_EQ(g_driveCount, 0);
    EXPECT_EQ(fake.os.OpenDeviceCount(), 0u) << "the device probed last is not held";
}

TEST_F(Survey, WithNoTransportShowsTheBoxAndEndsTheProcess) {
    fake.os.platformId = 1;  // the other family: no pass-through to fall back on

    SurveyDrives(kDialog);

    EXPECT_EQ(ui.standardOutput, "");
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0].owner, kDialog);
    EXPECT_EQ(ui.messages[0].text, kNoTransportText);
    EXPECT_FALSE(ui.messages[0].caption.has_value());
    EXPECT_FALSE(ui.messages[0].progressShowing) << "the progress window must be gone before the box";
    EXPECT_EQ(ui.exitStatus, std::optional<int>(0));
    EXPECT_TRUE(ui.endedDialogs.empty());
    EXPECT_EQ(ui.sequence, (std::vector<std::string>{"begin-progress", "end-progress", "message", "exit"}));
}

}  // namespace
