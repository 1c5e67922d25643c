#pragma once

// Probes of the system the program runs on, made by the end-to-end driver
// itself: what an ASPI manager answers, what a pass-through request on a
// drive letter gives, and the registry entries a system makes for its SCSI
// buses. Each prints "key=value" lines and returns false after printing
// "error=..." when it cannot be made.

#include <string>

// Loads the ASPI manager as the program would find it by name, asks for its
// support information and sends a host-adapter inquiry for adapter 0 whose
// status byte holds a marker, so that a manager that writes nothing shows.
bool ProbeAspiManager();

// Registers SCSI port 0, bus 0, target 1, LUN 0 under the hardware device map,
// as a system does for each bus it finds; the entries are volatile, as the
// system's are, and go when the session ends.
bool RegisterScsiBus();

// Opens \\.\<letter>: for reading and writing ("rw") or reading alone ("ro")
// and sends TEST UNIT READY through the pass-through request.
bool ProbePassThrough(const std::wstring& letter, const std::wstring& access);
