#pragma once

// Why a command failed, or why a drive letter refused this program, in the
// few kinds that each have their own remedy. One table decides for both.

#include <cstdint>

#include "scsi/commands.h"

enum class FailureCategory : uint8_t {
    None,            // nothing failed
    NotReady,        // the drive is still becoming ready
    RefusedCommand,  // the drive, or the adapter it hangs on, refused the command
    NoAnswer,        // nothing answered within the time-out
    InUse,           // another program holds the drive
    Denied,          // the system refused this program access to the device
    Disconnected,    // the drive went away
    Other,
};

// What a failure left behind. A letter that refused its device is a system
// error too: the error of the refused open or request.
struct FailureOutcome {
    int32_t result;  // the transport's result code
    uint8_t requestStatus;
    uint8_t hostAdapterStatus;
    uint8_t senseKey;  // the low four bits of sense byte 2
    uint8_t asc;
    uint8_t ascq;
    uint32_t systemError;       // of a failed request or open; 0 when none
    uint32_t readWriteRefusal;  // the error with which the read-write open was refused; 0 when it was not
    // A request ran out its whole time-out, whatever error the port driver then gave.
    bool timedOut;
};

constexpr size_t kFailureCodeSize = 16;

struct FailureReason {
    FailureCategory category;
    // What a support desk asks for: "05/20/00", "HA 11h", "SRB 82h", "Windows 121".
    char code[kFailureCodeSize];
};

FailureReason ClassifyFailure(const FailureOutcome& outcome);

// The outcome of the command that failed last, read from the command and from
// the status record g_lastStatus points at, before another command replaces it.
FailureOutcome OutcomeOf(const CScsiCmd& command);

// A few English words for standard output: "not ready", "in use by another program".
const char* CategoryName(FailureCategory category);
