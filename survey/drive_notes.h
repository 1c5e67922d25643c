#pragma once

// What the user is told of the drives that could not be read, of an empty
// list and of the drive letters that refused the program: pairs of lines,
// Japanese then English, shown in the main dialog below its own texts, and
// English lines on standard output for whoever keeps it.

#include "scsi/enumerate.h"
#include "scsi/failure_reasons.h"
#include "text/text.h"

// The two notes one after the other, set apart by an empty line.
Text JoinNotes(const Text& first, const Text& second);

// Writes the drive's line and `description` to standard output, and returns
// the pair naming the drive by `address`, with the reason, the remedy and the code.
Text ReportReadFailure(const Text& displayName, const Text& address, const FailureReason& reason,
                       const char* description);

// The pair that explains an empty list: the manager found no CD or DVD drive,
// when it alone was asked, or none was found at all.
Text NoDriveNote(bool managerAlone);

// Writes the English line of each refused letter to standard output, and
// returns a pair per refused letter, in letter order; empty when no letter
// was refused.
Text ReportRefusedLetters(const RefusedLetters& refused);
