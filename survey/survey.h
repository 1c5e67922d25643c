#pragma once

#include <cstdint>

#include "survey/survey_port.h"
#include "text/text.h"

constexpr int kResultSlots = 64;

// The survey's results: slots 0 to g_driveCount - 1 of both lists describe the
// same drives, in the order found.
extern Text g_driveNames[kResultSlots];
extern Text g_driveSerials[kResultSlots];
extern int32_t g_driveCount;

// Runs once from the main dialog's initialisation. `dialog` owns the message
// boxes and is ended when devices exist but none is supported; with no
// transport at all the process ends. Otherwise the survey shows the dialog
// before its progress ends.
void SurveyDrives(SurveyWindow dialog);
