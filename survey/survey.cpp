#include "survey/survey.h"

#include <cstring>
#include <string_view>

#include "scsi/buffer_alignment.h"
#include "scsi/commands.h"
#include "scsi/enumerate.h"
#include "scsi/os_seam.h"
#include "scsi/transport.h"
#include "survey/drive_notes.h"
#include "survey/serial_composition.h"
#include "survey/survey_texts.h"
#include "text/format.h"

Text g_driveNames[kResultSlots];
Text g_driveSerials[kResultSlots];
FailureReason g_driveFailures[kResultSlots];
Text g_driveNotes[kResultSlots];
int32_t g_driveCount = 0;

namespace {

// What the note shows whatever drive is selected: the empty list's reason and
// the letters that refused the program.
Text g_commonNote;

SurveyPort* g_surveyPort = nullptr;

// One drive per drive letter is well inside the result slots.
static_assert(kDriveLetters <= kResultSlots);

bool ReadSerialInfo(CSerialInfoCmd& command, DriveEntry& drive, std::string_view identification,
                    SerialInfoBlock& block) {
    // A drive that delivers less than the whole block must not show the bytes
    // of the drive read before it. The manager may still write into the block
    // of a read it was left holding; the command then fails at once, without
    // reaching the manager or the block.
    if (!AspiManagerAbandoned()) std::memset(block, 0, sizeof block);
    command.device = &drive;
    command.buffer = block;
    command.transferLength = kSerialInfoBlockSize;
    command.paramByte = SerialParamByte(identification);
    command.paramLong = 0;
    command.paramWord = 0;
    command.allocationLength = kSerialInfoBlockSize;
    command.PackCdb();
    return command.Execute() == 0;
}

int32_t CountSupportedDrives(const DriveEntry* entries, int32_t found) {
    int32_t supported = 0;
    for (int32_t i = 0; i < found; ++i) {
        if (IsSupportedDrive(IdentificationOf(entries[i]))) ++supported;
    }
    return supported;
}

void ReadSupportedDrives(TransportMode transport, DriveEntry* entries, int32_t found) {
    alignas(kDataBufferAlignment) static SerialInfoBlock block;
    const int32_t supported = CountSupportedDrives(entries, found);
    int32_t kept = 0;
    for (int32_t i = 0; i < found; ++i) {
        DriveEntry& drive = entries[i];
        const std::string_view identification = IdentificationOf(drive);
        if (IsSupportedDrive(identification)) {
            // Named before the read, so that a drive whose read fails is still listed.
            g_driveNames[kept] = ComposeDisplayName(transport, drive);
            SurveyUi().ReadingDrive(kept + 1, supported, g_driveNames[kept].c_str());
            CSerialInfoCmd command;
            if (ReadSerialInfo(command, drive, identification, block)) {
                g_driveSerials[kept] = ComposeSerial(identification, block);
                g_driveFailures[kept] = FailureReason{};
                g_driveNotes[kept].clear();
            } else {
                g_driveSerials[kept] = kReadErrorSerial;
                g_driveFailures[kept] = ClassifyFailure(OutcomeOf(command));
                g_driveNotes[kept] = ReportReadFailure(g_driveNames[kept], ComposeDriveAddress(transport, drive),
                                                       g_driveFailures[kept], command.message);
            }
            ++kept;
        }
        g_driveCount = kept;
    }
}

// On the NT family the system's own pass-through may reach a writer that the
// manager does not: an older manager sees the IDE channels but no USB
// writer, and one run by a standard user may reach no device at all. Its
// list is taken only when it holds a supported writer; otherwise the
// manager's stands. The letters that refused the walk are named either way.
// True when the letters were walked.
bool ListThroughPassThroughWithoutManagersWriter(TransportMode& transport, DriveEntry* entries, int32_t& found,
                                                 RefusedLetters& refused) {
    if (transport == kTransportPassThrough || CountSupportedDrives(entries, found) != 0) return false;
    // The manager may still write into the buffers the walk would use.
    if (AspiManagerAbandoned()) return false;
    if (Os().PlatformId() != kPlatformWin32Nt || ScsiInitialize(1) != kTransportPassThrough) return false;
    DriveEntry letters[kDriveLetters] = {};
    const int32_t lettersFound = ScsiEnumerateDrives(letters, kDriveLetters, &refused);
    if (CountSupportedDrives(letters, lettersFound) == 0) {
        SurveyUi().WriteStdout(kListFromManagerLine);
        return true;
    }
    SurveyUi().WriteStdout(kListFromPassThroughLine);
    transport = kTransportPassThrough;
    found = lettersFound;
    std::memcpy(entries, letters, sizeof letters);
    return true;
}

// A box ends the survey's work: no sign of life of it may stay beside the box.
void EndProgressWithMessage(SurveyWindow dialog, const char* text, const char* caption) {
    SurveyUi().EndProgress();
    SurveyUi().ShowMessage(dialog, text, caption);
}

// The dialog takes the foreground while the progress window, if one came,
// still holds it: once that window goes, the system hands the foreground to
// another program and may refuse it to a window shown after. A progress
// window that had not come by then never comes: it would show over the
// dialog and take the foreground from it.
void ShowDialogInPlaceOfProgress(SurveyWindow dialog) {
    SurveyUi().StopProgressShowing();
    SurveyUi().ShowDialog(dialog);
    SurveyUi().EndProgress();
}

void FindAndReadDrives(SurveyWindow dialog) {
    TransportMode transport = ScsiInitialize(0);
    if (transport == kTransportNone) {
        EndProgressWithMessage(dialog, kNoTransportText, nullptr);
        SurveyUi().ExitProcess(0);
        return;
    }
    SurveyUi().WriteStdout(transport == kTransportPassThrough ? kPassThroughModeLine : kAspiModeLine);

    DriveEntry entries[kDriveLetters] = {};
    RefusedLetters refused = {};
    int32_t found = ScsiEnumerateDrives(entries, kDriveLetters, &refused);
    const bool lettersWalked = ListThroughPassThroughWithoutManagersWriter(transport, entries, found, refused);
    ReadSupportedDrives(transport, entries, found);
    // Nothing stays open while the window waits: a writer with an open handle
    // cannot be removed safely.
    ScsiReleaseDevice();
    const Text refusals = ReportRefusedLetters(refused);
    if (found == 0) {
        SurveyUi().WriteStdout(kNoDriveLine);
    } else if (g_driveCount == 0) {
        const Text text = FormatText("%s%s%s", kNoSupportedDriveText, refusals.empty() ? "" : "\n", refusals.c_str());
        EndProgressWithMessage(dialog, text.c_str(), kNoSupportedDriveCaption);
        SurveyUi().EndDialog(dialog, kDialogCancel);
        return;
    }
    const bool managerAlone = transport != kTransportPassThrough && !lettersWalked;
    g_commonNote = JoinNotes(found == 0 ? NoDriveNote(managerAlone) : Text(), refusals);
    // The list's first item is selected as the dialog shows.
    const Text firstNote = NoteForDrive(0);
    if (!firstNote.empty()) SurveyUi().ShowNote(dialog, firstNote.c_str());
    ShowDialogInPlaceOfProgress(dialog);
}

}  // namespace

Text NoteForDrive(int32_t index) {
    const bool listed = index >= 0 && index < g_driveCount && index < kResultSlots;
    return JoinNotes(listed ? g_driveNotes[index] : Text(), g_commonNote);
}

SurveyPort& SurveyUi() { return *g_surveyPort; }

void InstallSurveyPort(SurveyPort* port) { g_surveyPort = port; }

void SurveyDrives(SurveyWindow dialog) {
    SurveyUi().BeginProgress();
    FindAndReadDrives(dialog);
}
