#pragma once

// Where the main dialog appears on the screen, and the progress window in its
// place before it.
constexpr int kMainWindowLeft = 10;
constexpr int kMainWindowTop = 10;
