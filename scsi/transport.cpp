#include "scsi/transport.h"

#include "scsi/buffer_alignment.h"
#include "scsi/pass_through.h"
#include "text/format.h"

// Until ScsiInitialize settles the count, enumeration walks adapter id 0 alone.
constexpr uint8_t kInitialAdapterScanCount = 1;

int32_t g_usePassThrough = 0;
uint8_t g_adapterScanCount = kInitialAdapterScanCount;
OsModule g_aspiModule = nullptr;
SendAspi32CommandFn g_sendAspi32Command = nullptr;
GetAspi32SupportInfoFn g_getAspi32SupportInfo = nullptr;
SRB_HAInquiry g_haInquirySrb;

namespace {
// Set once a request was given up while the manager may still write it.
bool g_aspiManagerAbandoned = false;
}  // namespace

void ResetTransportState() {
    g_usePassThrough = 0;
    g_adapterScanCount = kInitialAdapterScanCount;
    g_aspiManagerAbandoned = false;
    g_aspiModule = nullptr;
    g_sendAspi32Command = nullptr;
    g_getAspi32SupportInfo = nullptr;
    g_haInquirySrb = SRB_HAInquiry{};
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
    if (AspiManagerAbandoned()) return false;
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

}  // namespace

TransportMode ScsiInitialize(uint8_t forcePassThrough) {
    ForgetAlignmentMasks();
    ForgetSilentDrives();
    g_usePassThrough = Os().PlatformId() == kPlatformWin32Nt ? 1 : 0;

    if (forcePassThrough == 0 && StartAspi()) return g_adapterScanCount;

    if (g_usePassThrough == 1) {
        g_adapterScanCount = 1;
        return kTransportPassThrough;
    }
    return kTransportNone;
}

bool AspiManagerAbandoned() { return g_aspiManagerAbandoned; }

void AbandonAspiManager() { g_aspiManagerAbandoned = true; }

void ScsiReleaseDevice() { PassThroughCloseDevice(); }

int32_t ScsiHostAdapterInquiry(uint8_t adapter, SRB_HAInquiry** out) {
    if (g_usePassThrough != 0 || g_sendAspi32Command == nullptr || AspiManagerAbandoned()) return 1;
    *out = &g_haInquirySrb;
    return SendHostAdapterInquiry(adapter) ? 0 : 1;
}
