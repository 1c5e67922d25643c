#pragma once

// Which transport is in force, the host-adapter inquiry of the ASPI manager,
// and the per-index cache of buffer-alignment masks with its aligned allocator.

#include <cstddef>
#include <cstdint>

#include "scsi/aspi_manager.h"
#include "scsi/device_records.h"
#include "scsi/os_seam.h"
#include "scsi/transport_mode.h"

// The size of both alignment tables: drive letters a to z.
constexpr uint8_t MaxDriveLetters = 26;

extern int32_t g_usePassThrough;   // 1 while pass-through is in force, 0 for ASPI
extern uint8_t g_adapterScanCount; // adapter ids that enumeration walks
// Indexed by ASPI host-adapter id, or by drive-letter index under pass-through.
extern int32_t g_alignmentKnown[MaxDriveLetters];
extern uint32_t g_alignmentMask[MaxDriveLetters];  // 2^k - 1; 0 means no alignment needed
extern OsModule g_aspiModule;
extern SendAspi32CommandFn g_sendAspi32Command;
extern GetAspi32SupportInfoFn g_getAspi32SupportInfo;
extern SRB_HAInquiry g_haInquirySrb;  // holds the answer of the latest inquiry

// Every piece of the transport's process-wide state back to the value it is
// defined with, as a fresh process finds it: the globals above, the
// pass-through device cache and the status records.
void ResetTransportState();

// Settles the transport once per survey. Non-zero `forcePassThrough` leaves the
// ASPI manager alone. Returns the TransportMode: ASPI's adapter scan count,
// kTransportPassThrough or kTransportNone.
TransportMode ScsiInitialize(uint8_t forcePassThrough);

// True once the ASPI manager was left holding a request: nothing more is sent
// in this process, and the data buffer it was given stays the manager's.
bool ScsiTransportAbandoned();

// Closes the device that pass-through keeps open between commands, so that
// nothing holds a drive once the survey is done (a drive with an open handle
// cannot be removed). The next command opens it again.
void ScsiReleaseDevice();

// Asks an ASPI host adapter for its description. 0 when it answered, 1
// otherwise; `out` receives the answering record whenever the request is sent.
int32_t ScsiHostAdapterInquiry(uint8_t adapter, SRB_HAInquiry** out);

// The alignment mask that the ASPI host adapter (`passThrough` 0) or the port
// driver behind drive-letter `index` demands; 0 when it cannot be had.
uint32_t ScsiGetAlignmentMask(uint8_t index, uint8_t passThrough);

// The mask for `index`, fetched once and cached until the next
// ScsiInitialize. Indexes past the tables are fetched on every call instead.
uint32_t CachedAlignmentMask(uint8_t index, uint8_t passThrough);
// Caches a mask learnt otherwise; indexes past the tables are not kept.
void RememberAlignmentMask(uint8_t index, uint32_t mask);

// Data in goes straight into the caller's buffer, and a port driver refuses a
// buffer whose address has any bit of its adapter's mask set. The program's
// own data buffers therefore start on a page: the system locks a buffer for
// the adapter page by page, so no mask an adapter reports can ask for more.
constexpr size_t kDataBufferAlignment = 4096;

struct AlignedBlock {
    uint8_t* aligned;  // null when memory is exhausted
    void* allocation;  // what FreeAligned releases
};

// `size` usable bytes at an address whose bits in `mask` are clear.
AlignedBlock AllocAligned(uint32_t size, uint32_t mask);
void FreeAligned(const AlignedBlock& block);

// The data buffer a request carries: for data out under a non-zero mask an
// aligned copy of the caller's bytes, otherwise the caller's buffer itself.
struct TransferBuffer {
    uint8_t* data;        // what the request points at
    AlignedBlock bounce;  // the copy, when one was made; FreeAligned releases it
};

// False when a copy was needed and no memory could be had; nothing is held then.
bool ObtainTransferBuffer(uint8_t* buffer, uint32_t transferLength, uint8_t direction, uint32_t mask,
                          TransferBuffer& transfer);
