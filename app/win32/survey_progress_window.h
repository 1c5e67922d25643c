#pragma once

// A sign of life while the drives answer slowly. The survey runs on the
// user-interface thread, blocked inside each device request; when it has not
// ended a second after it began, a thread of its own shows a small window
// with what the survey last published, and keeps it drawn.

// Starts the second's count.
void BeginSurveyProgress();

// Ends the count, and the window if it came: gone when this returns, its
// thread ended and every handle closed. Later calls do nothing.
void EndSurveyProgress();
