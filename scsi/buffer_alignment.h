#pragma once

// What a host adapter or port driver demands of a data buffer's address: the
// per-index cache of alignment masks, and the aligned copies that carry data
// out under a non-zero mask. Each transport hands the cache its own way of
// asking for a mask.

#include <cstddef>
#include <cstdint>

#include "scsi/device_records.h"

// An index is an ASPI host-adapter id, or a drive-letter index under
// pass-through. The cache keeps as many as there are drive letters.
constexpr uint8_t kCachedAlignmentIndexes = kDriveLetters;

// Data in goes straight into the caller's buffer, and a port driver refuses a
// buffer whose address has any bit of its adapter's mask set. The program's
// own data buffers therefore start on a page: the system locks a buffer for
// the adapter page by page, so no mask an adapter reports can ask for more.
constexpr size_t kDataBufferAlignment = 4096;

// Asks the adapter or port driver behind `index` for its mask (2^k - 1; 0
// means no alignment needed); 0 when it cannot be had.
using AlignmentMaskFetch = uint32_t (*)(uint8_t index);

// The mask for `index`, fetched once and kept, a 0 as well, until
// ForgetAlignmentMasks. Indexes past the cache are fetched on every call.
uint32_t CachedAlignmentMask(uint8_t index, AlignmentMaskFetch fetch);
// Caches a mask learnt otherwise; indexes past the cache are not kept.
void RememberAlignmentMask(uint8_t index, uint32_t mask);
// Every index unknown again.
void ForgetAlignmentMasks();

struct AlignedBlock {
    uint8_t* aligned;  // null when memory is exhausted
    void* allocation;  // what FreeAligned releases
};

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
