#pragma once

// What the user is told of the drive letters that refused the program.

#include "scsi/enumerate.h"
#include "text/text.h"

// A pair of lines per refused letter, Japanese then English, in letter order,
// the pairs joined by line feeds; empty when no letter was refused. The
// English line of each is added to `englishLines`, ending in a line feed.
Text DescribeRefusedLetters(const RefusedLetters& refused, Text& englishLines);
