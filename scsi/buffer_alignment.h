#pragma once

// What a host adapter or port driver demands of a data buffer's address: the
// per-index cache of alignment masks, and the aligned copies that carry data
// out under a non-zero mask. Each transport hands the cache its own way of
// asking for a mask.

#include <cstddef>
#include <cstdint>

// The size of both alignment tables: drive letters a to z.
constexpr uint8_t MaxDriveLetters = 26;

// Indexed by ASPI host-adapter id, or by drive-letter index under pass-through.
extern int32_t g_alignmentKnown[MaxDriveLetters];
extern uint32_t g_alignmentMask[MaxDriveLetters];  // 2^k - 1; 0 means no alignment needed

// Asks the adapter or port driver behind `index` for its mask; 0 when it
// cannot be had.
using AlignmentMaskFetch = uint32_t (*)(uint8_t index);

// The mask for `index`, fetched once and kept, a 0 as well, until
// ForgetAlignmentMasks. Indexes past the tables are fetched on every call.
uint32_t CachedAlignmentMask(uint8_t index, AlignmentMaskFetch fetch);
// Caches a mask learnt otherwise; indexes past the tables are not kept.
void RememberAlignmentMask(uint8_t index, uint32_t mask);
// Every index unknown again.
void ForgetAlignmentMasks();

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
