#pragma once

// Which transport is in force, and the ASPI manager's state: its entries, its
// host-adapter inquiry, and whether it was abandoned.

#include <cstdint>

#include "scsi/aspi_manager.h"
#include "scsi/os_seam.h"
#include "scsi/transport_mode.h"

extern int32_t g_usePassThrough;   // 1 while pass-through is in force, 0 for ASPI
extern uint8_t g_adapterScanCount; // adapter ids that enumeration walks
extern OsModule g_aspiModule;
extern SendAspi32CommandFn g_sendAspi32Command;
extern GetAspi32SupportInfoFn g_getAspi32SupportInfo;
extern SRB_HAInquiry g_haInquirySrb;  // holds the answer of the latest inquiry

// The globals above as a fresh process finds them, and the manager not
// abandoned: how the tests, all in one process, start each case afresh. The
// program itself settles the transport once and never takes an abandonment
// back.
void ResetTransportState();

// Settles the transport once per survey. Non-zero `forcePassThrough` leaves the
// ASPI manager alone. Returns the TransportMode: ASPI's adapter scan count,
// kTransportPassThrough or kTransportNone.
TransportMode ScsiInitialize(uint8_t forcePassThrough);

// True once the ASPI manager was left holding a request (AspiExecute gave it
// up): nothing more is sent to the manager in this process, and the data
// buffer it was given stays the manager's. Pass-through is not affected.
bool AspiManagerAbandoned();
// Takes the manager out of use for the rest of the process.
void AbandonAspiManager();

// Closes the device that pass-through keeps open between commands, so that
// nothing holds a drive once the survey is done (a drive with an open handle
// cannot be removed). The next command opens it again.
void ScsiReleaseDevice();

// Asks an ASPI host adapter for its description. 0 when it answered, 1
// otherwise; `out` receives the answering record whenever the request is sent.
int32_t ScsiHostAdapterInquiry(uint8_t adapter, SRB_HAInquiry** out);
