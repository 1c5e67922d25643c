#pragma once

#include <cstdint>

// A sign of life while the drives answer slowly. The survey runs on the
// user-interface thread, blocked inside each device request; when it has not
// ended a second after it began, a thread of its own shows a small window
// with what the survey last told, and keeps it drawn. Closing that window
// ends the utility.

// Starts the second's count; the survey is finding the drives.
void BeginSurveyProgress();

// The survey reads drive `drive` of `drives`, listed as `name` (Shift-JIS,
// copied).
void ShowReadingDrive(int32_t drive, int32_t drives, const char* name);

// From now on no window shows; one already shown stays, drawn, until the end.
void StopSurveyProgressShowing();

// Ends the count, and the window if it came: gone when this returns, its
// thread ended and every handle closed. Later calls do nothing.
void EndSurveyProgress();
