#pragma once

#include <cstdint>

#include "scsi/failure_reasons.h"
#include "survey/survey_port.h"
#include "text/text.h"

constexpr int kResultSlots = 64;

// The survey's results: slots 0 to g_driveCount - 1 of both lists describe the
// same drives, in the order found. A drive whose serial could not be read has
// its reason beside it, and the note that explains it to the user; every
// other drive's reason is None and its note empty.
extern Text g_driveNames[kResultSlots];
extern Text g_driveSerials[kResultSlots];
extern FailureReason g_driveFailures[kResultSlots];
extern Text g_driveNotes[kResultSlots];
extern int32_t g_driveCount;

// Runs once from the main dialog's initialisation. `dialog` owns the message
// boxes and is ended when devices exist but none is supported; with no
// transport at all the process ends. Otherwise the survey shows the dialog
// before its progress ends.
void SurveyDrives(SurveyWindow dialog);

// What the note below the dialog's texts shows while list item `index` is
// selected: why its serial could not be read, then what concerns every drive
// (an empty list, the letters that refused the program); empty when there is
// nothing to say. An index outside the list has no note of its own.
Text NoteForDrive(int32_t index);
