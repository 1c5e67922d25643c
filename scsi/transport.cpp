#include "scsi/transport.h"

#include <cstddef>
#include <cstring>

#include "scsi/aspi_execute.h"
#include "scsi/drive_device.h"
#include "scsi/format.h"
#include "scsi/pass_through.h"
#include "scsi/status_records.h"

// Until ScsiInitialize settles the count, enumeration walks adapter id 0 alone.
constexpr uint8_t kInitialAdapterScanCount = 1;

int32_t g_usePassThrough = 0;
uint8_t g_adapterScanCount = kInitialAdapterScanCount;
int32_t g_alignmentKnown[MaxDriveLetters];
uint32_t g_alignmentMask[MaxDriveLetters];
OsModule g_aspiModule = nullptr;
SendAspi32CommandFn g_sendAspi32Command = nullptr;
GetAspi32SupportInfoFn g_getAspi32SupportInfo = nullptr;
SRB_HAInquiry g_haInquirySrb;

void ResetTransportState() {
    g_usePassThrough = 0;
    g_adapterScanCount = kInitialAdapterScanCount;
    std::memset(g_alignmentKnown, 0, sizeof g_alignmentKnown);
    std::memset(g_alignmentMask, 0, sizeof g_alignmentMask);
    g_aspiModule = nullptr;
    g_sendAspi32Command = nullptr;
    g_getAspi32SupportInfo = nullptr;
    g_haInquirySrb = SRB_HAInquiry{};
    g_deviceHandle = nullptr;
    g_deviceLetter = 0;
    g_aspiExecSrb = StatusBlock{};
    g_passThroughStatus = StatusBlock{};
    g_lastStatus = nullptr;
    g_aspiRequestOutstanding = 0;
}

namespace {

// Only the system directory: a manager found anywhere else on the search path
// (the current or the application's directory, PATH) could be anyone's DLL.
OsModule LoadAspiManager() {
    const Text systemDirectory = Os().SystemDirectory();
    if (systemDirectory.empty()) return nullptr;
    const Text path = FormatText("%s\\%s", systemDirectory.c_str(), kAspiLibraryFile);
    // Without memory for the path there is none to load from.
    if (path.empty()) return nullptr;
    return Os().LoadLibraryAt(path);
}

void FindAspiEntries() {
    if (g_sendAspi32Command == nullptr) {
        g_sendAspi32Command =
            reinterpret_cast<SendAspi32CommandFn>(Os().FindEntry(g_aspiModule, kSendAspi32CommandName));
    }
    if (g_getAspi32SupportInfo == nullptr) {
        g_getAspi32SupportInfo = reinterpret_cast<GetAspi32SupportInfoFn>(
            Os().FindEntry(g_aspiModule, kGetAspi32SupportInfoName));
    }
}

// Sends the inquiry; only the header is written, the rest keeps the previous
// answer until the manager writes the new one. The status is cleared too, so
// that a manager that writes nothing cannot pass off the previous answer as
// its own.
bool SendHostAdapterInquiry(uint8_t adapter) {
    g_haInquirySrb.SRB_Cmd = SC_HA_INQUIRY;
    g_haInquirySrb.SRB_Status = SS_PENDING;
    g_haInquirySrb.SRB_HaId = adapter;
    g_haInquirySrb.SRB_Flags = 0;
    g_haInquirySrb.SRB_Hdr_Rsvd = 0;
    g_sendAspi32Command(&g_haInquirySrb);
    return g_haInquirySrb.SRB_Status == SS_COMP;
}

// True when the manager answered ready; then the scan count is settled.
bool StartAspi() {
    // A manager that still holds a request of ours is asked nothing more.
    if (ScsiTransportAbandoned()) return false;
    g_aspiModule = LoadAspiManager();
    if (g_aspiModule == nullptr) return false;
    FindAspiEntries();
    if (g_sendAspi32Command == nullptr || g_getAspi32SupportInfo == nullptr) return false;

    const uint32_t supportInfo = g_getAspi32SupportInfo();
    const uint8_t status = static_cast<uint8_t>(supportInfo >> 8);
    const uint8_t adapterCount = static_cast<uint8_t>(supportInfo);
    if (status != SS_COMP) return false;
    // A manager may report adapters and still carry out no request at all (a
    // stand-in that only counts the buses registered with the system). One
    // whose first adapter does not answer its inquiry reaches no drive, so the
    // system's own pass-through is the better way.
    if (!SendHostAdapterInquiry(0)) return false;
    g_usePassThrough = 0;
    // One id past the last adapter: enumeration tries it and skips it.
    g_adapterScanCount = static_cast<uint8_t>(adapterCount + 1);
    return true;
}

uint32_t AspiAlignmentMask(uint8_t adapter) {
    SRB_HAInquiry* inquiry = nullptr;
    if (ScsiHostAdapterInquiry(adapter, &inquiry) != 0) return 0;
    return HostAdapterAlignmentMask(*inquiry);
}

uint32_t PortDriverAlignmentMask(uint8_t driveLetter) {
    OsHandle device = OpenDriveDevice(driveLetter);
    if (device == nullptr) return 0;
    ScsiCapabilities capabilities{};
    if (!Os().DeviceIoControl(device, kIoctlScsiGetCapabilities, nullptr, 0, &capabilities,
                              sizeof capabilities)) {
        capabilities = ScsiCapabilities{};
    }
    Os().CloseHandle(device);
    return capabilities.AlignmentMask;
}

}  // namespace

TransportMode ScsiInitialize(uint8_t forcePassThrough) {
    std::memset(g_alignmentKnown, 0, sizeof g_alignmentKnown);
    std::memset(g_alignmentMask, 0, sizeof g_alignmentMask);
    g_usePassThrough = Os().PlatformId() == kPlatformWin32Nt ? 1 : 0;

    if (forcePassThrough == 0 && StartAspi()) return g_adapterScanCount;

    if (g_usePassThrough == 1) {
        g_adapterScanCount = 1;
        return kTransportPassThrough;
    }
    return kTransportNone;
}

bool ScsiTransportAbandoned() { return g_aspiRequestOutstanding != 0; }

void ScsiReleaseDevice() { PassThroughCloseDevice(); }

int32_t ScsiHostAdapterInquiry(uint8_t adapter, SRB_HAInquiry** out) {
    if (g_usePassThrough != 0 || g_sendAspi32Command == nullptr || ScsiTransportAbandoned()) return 1;
    *out = &g_haInquirySrb;
    return SendHostAdapterInquiry(adapter) ? 0 : 1;
}

uint32_t ScsiGetAlignmentMask(uint8_t index, uint8_t passThrough) {
    return passThrough == 0 ? AspiAlignmentMask(index) : PortDriverAlignmentMask(index);
}

uint32_t CachedAlignmentMask(uint8_t index, uint8_t passThrough) {
    if (index >= MaxDriveLetters) return ScsiGetAlignmentMask(index, passThrough);
    if (g_alignmentKnown[index] == 0) RememberAlignmentMask(index, ScsiGetAlignmentMask(index, passThrough));
    return g_alignmentMask[index];
}

void RememberAlignmentMask(uint8_t index, uint32_t mask) {
    if (index >= MaxDriveLetters) return;
    g_alignmentMask[index] = mask;
    g_alignmentKnown[index] = 1;
}

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
