#pragma once

#include <cstdint>

// How far the survey has come, for a window that another thread draws while
// the survey's thread is blocked in a device request. The survey's thread
// publishes; any thread may read.

struct SurveyProgress {
    int32_t drive = 0;   // the drive being read, 1 to `drives`; 0 while the drives are being found
    int32_t drives = 0;  // how many drives are read in all; 0 while they are being found
    const char* name = "";  // the display name of the drive being read (Shift-JIS); empty while finding
};

// The survey is finding the drives again (a new survey starts there).
void PublishFindingDrives();
// The survey reads drive `drive` of `drives`, listed as `name`. The name's
// characters must stay unchanged until the process ends: readers keep the
// pointer.
void PublishReadingDrive(int32_t drive, int32_t drives, const char* name);
// What was last published, consistent in itself.
SurveyProgress CurrentSurveyProgress();
