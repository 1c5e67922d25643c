#pragma once

// What a stand-in ASPI for Win32 manager writes into the program's requests:
// the same for the unit tests' fake manager and the end-to-end tests'
// simulated one.

#include <cstdint>

#include "scsi/device_records.h"
#include "tests/sim_drives/sim_device.h"

// HA_Unique of a host-adapter inquiry: bytes 0-1 the buffer alignment mask,
// low byte first, byte 3 the number of targets (0 stands for 8), the rest zero.
void PackAdapterUnique(uint16_t alignmentMask, uint8_t maxTargets, uint8_t (&unique)[16]);

// Writes a drive's answer into an execution request: the data, the sense bytes
// the request asks for (SRB_SenseLen, at most those the answer holds), the
// adapter and target status, and the request status last, so that a caller
// polling it finds everything else set.
void DeliverOutcome(StatusBlock& request, const SimOutcome& outcome);

// What a manager that honours an abort does to the request it names: a
// request still pending ends with SS_ABORTED. True when it did; the caller
// then signals the request's event.
bool AbortIfPending(StatusBlock& request);
