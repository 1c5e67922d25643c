#pragma once

// What the program fixes of the ASPI for Win32 manager: its two entries, the
// host-adapter inquiry request and the codes the program interprets.

#include <cstddef>
#include <cstdint>

constexpr const char* kAspiLibraryFile = "wnaspi32.dll";
constexpr const char* kGetAspi32SupportInfoName = "GetASPI32SupportInfo";
constexpr const char* kSendAspi32CommandName = "SendASPI32Command";

// Both entries use the C calling convention.
using GetAspi32SupportInfoFn = uint32_t (*)();
using SendAspi32CommandFn = uint32_t (*)(void* request);

constexpr uint8_t SC_HA_INQUIRY = 0x00;
constexpr uint8_t SC_EXEC_SCSI_CMD = 0x02;
constexpr uint8_t SC_ABORT_SRB = 0x03;

constexpr uint8_t SS_PENDING = 0x00;
constexpr uint8_t SS_COMP = 0x01;

constexpr uint8_t HASTAT_OK = 0x00;
constexpr uint8_t HASTAT_DO_DU = 0x12;  // data over-run or under-run: no failure

constexpr uint8_t SRB_EVENT_NOTIFY = 0x40;

struct SRB_HAInquiry {
    uint8_t SRB_Cmd;
    uint8_t SRB_Status;
    uint8_t SRB_HaId;
    uint8_t SRB_Flags;
    uint32_t SRB_Hdr_Rsvd;
    uint8_t HA_Count;
    uint8_t HA_SCSI_ID;
    uint8_t HA_ManagerId[16];
    uint8_t HA_Identifier[16];
    uint8_t HA_Unique[16];  // bytes 0-1: alignment mask (little-endian); byte 3: max targets, 0 means 8
    uint16_t HA_Rsvd1;
};

static_assert(sizeof(SRB_HAInquiry) == 60);
static_assert(offsetof(SRB_HAInquiry, HA_Count) == 8);
static_assert(offsetof(SRB_HAInquiry, HA_SCSI_ID) == 9);
static_assert(offsetof(SRB_HAInquiry, HA_ManagerId) == 10);
static_assert(offsetof(SRB_HAInquiry, HA_Identifier) == 26);
static_assert(offsetof(SRB_HAInquiry, HA_Unique) == 42);
static_assert(offsetof(SRB_HAInquiry, HA_Rsvd1) == 58);

// Asks the manager to end a pending execution request. The manager answers
// within the call; the aborted request itself completes as any other, through
// its event.
struct SRB_Abort {
    uint8_t SRB_Cmd;
    uint8_t SRB_Status;
    uint8_t SRB_HaId;
    uint8_t SRB_Flags;
    uint32_t SRB_Hdr_Rsvd;
    void* SRB_ToAbort;
};

static_assert(sizeof(SRB_Abort) == 12);
static_assert(offsetof(SRB_Abort, SRB_ToAbort) == 8);

// HA_Unique bytes 0..1, little-endian: the buffer alignment the adapter demands.
constexpr uint32_t HostAdapterAlignmentMask(const SRB_HAInquiry& inquiry) {
    return static_cast<uint32_t>(inquiry.HA_Unique[0]) | (static_cast<uint32_t>(inquiry.HA_Unique[1]) << 8);
}

// HA_Unique byte 3: how many target ids the adapter has; 0 means 8.
constexpr uint8_t HostAdapterTargetCount(const SRB_HAInquiry& inquiry) {
    return inquiry.HA_Unique[3] == 0 ? 8 : inquiry.HA_Unique[3];
}
