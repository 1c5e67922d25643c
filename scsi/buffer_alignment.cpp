#include "scsi/buffer_alignment.h"

#include <cstring>

#include "scsi/os_seam.h"

namespace {

int32_t g_alignmentKnown[kCachedAlignmentIndexes];
uint32_t g_alignmentMask[kCachedAlignmentIndexes];

// `size` usable bytes at an address whose bits in `mask` are clear.
AlignedBlock AllocAligned(uint32_t size, uint32_t mask) {
    AlignedBlock block{nullptr, nullptr};
    // A size that would wrap with the slack added cannot be had.
    if (size > UINT32_MAX - mask) return block;
    block.allocation = Os().Allocate(static_cast<size_t>(size) + mask);
    if (block.allocation == nullptr) return block;
    const uintptr_t address = reinterpret_cast<uintptr_t>(block.allocation);
    block.aligned = reinterpret_cast<uint8_t*>((address + mask) & ~static_cast<uintptr_t>(mask));
    return block;
}

}  // namespace

uint32_t CachedAlignmentMask(uint8_t index, AlignmentMaskFetch fetch) {
    if (index >= kCachedAlignmentIndexes) return fetch(index);
    if (g_alignmentKnown[index] == 0) RememberAlignmentMask(index, fetch(index));
    return g_alignmentMask[index];
}

void RememberAlignmentMask(uint8_t index, uint32_t mask) {
    if (index >= kCachedAlignmentIndexes) return;
    g_alignmentMask[index] = mask;
    g_alignmentKnown[index] = 1;
}

void ForgetAlignmentMasks() {
    std::memset(g_alignmentKnown, 0, sizeof g_alignmentKnown);
    std::memset(g_alignmentMask, 0, sizeof g_alignmentMask);
}

void FreeAligned(const AlignedBlock& block) {
    if (block.allocation != nullptr) Os().Free(block.allocation);
}

bool ObtainTransferBuffer(uint8_t* buffer, uint32_t transferLength, uint8_t direction, uint32_t mask,
                          TransferBuffer& transfer) {
    transfer = TransferBuffer{buffer, AlignedBlock{nullptr, nullptr}};
    if ((direction & kDirectionBits) != DirectionOut || mask == 0) return true;
    transfer.bounce = AllocAligned(transferLength, mask);
    if (transfer.bounce.aligned == nullptr) return false;
    // A caller with nothing to send has nothing to copy.
    if (buffer != nullptr && transferLength > 0) std::memcpy(transfer.bounce.aligned, buffer, transferLength);
    transfer.data = transfer.bounce.aligned;
    return true;
}
