#pragma once

// What the user is told of the drive letters that refused the program.

#include "scsi/enumerate.h"
#include "text/text.h"

// Writes the English line of each refused letter to standard output, and
// returns what the window shows: a pair of lines per refused letter,
// Japanese then English, in letter order, the pairs set apart by an empty
// line; empty when no letter was refused.
Text ReportRefusedLetters(const RefusedLetters& refused);
