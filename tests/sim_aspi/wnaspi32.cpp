// A stand-in ASPI for Win32 manager for end-to-end tests: it answers from a
// scenario file instead of real hardware and logs every request it receives.

#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "scsi/aspi_manager.h"
#include "scsi/device_records.h"
#include "tests/sim_drives/aspi_request.h"
#include "tests/sim_drives/scenario.h"
#include "tests/sim_drives/sim_device.h"
#include "tests/sim_drives/sim_log.h"

namespace {

constexpr uint8_t kSimStatusNoAdapters = 0xE8;  // SS_NO_ADAPTERS
constexpr DWORD kLaterCompletionDelayMs = 30;

HMODULE g_module = nullptr;

std::string ScenarioPath() {
    const char* fromEnvironment = std::getenv("KORV_SIM_SCENARIO");
    if (fromEnvironment != nullptr && *fromEnvironment != '\0') return fromEnvironment;
    char path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameA(g_module, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return "wnaspi32.scenario";
    std::string directory(path, length);
    size_t slash = directory.find_last_of("\\/");
    directory.erase(slash == std::string::npos ? 0 : slash + 1);
    return directory + "wnaspi32.scenario";
}

// Null when the scenario is missing or malformed; the manager then reports
// that it has no host adapters.
const Scenario* LoadedScenario() {
    static bool loaded = false;
    static Scenario scenario;
    static bool usable = false;
    if (!loaded) {
        loaded = true;
        std::string error;
        usable = LoadScenarioFile(ScenarioPath(), scenario, error);
        if (!usable) SimLog("scenario-error " + error);
    }
    return usable ? &scenario : nullptr;
}

void FillText(uint8_t* field, const char* text) {
    std::memset(field, ' ', 16);
    std::memcpy(field, text, std::strlen(text));
}

DWORD HostAdapterInquiry(SRB_HAInquiry* request) {
    const Scenario* scenario = LoadedScenario();
    const SimAdapter* adapter = scenario ? scenario->FindAdapter(request->SRB_HaId) : nullptr;
    if (adapter == nullptr || request->SRB_HaId >= scenario->AdapterCount()) {
        request->SRB_Status = kSimStatusInvalidAdapter;
    } else {
        request->HA_Count = scenario->AdapterCount();
        request->HA_SCSI_ID = 7;
        FillText(request->HA_ManagerId, "SIMULATED MGR");
        FillText(request->HA_Identifier, "SIMULATED HOST");
        PackAdapterUnique(adapter->alignmentMask, adapter->maxTargets, request->HA_Unique);
        request->SRB_Status = SS_COMP;
    }
    SimLog("cmd=00 ha=" + std::to_string(request->SRB_HaId) + " status=" + HexByte(request->SRB_Status));
    return request->SRB_Status;
}

struct LaterCompletion {
    StatusBlock* request;
    SimOutcome outcome;
};

DWORD WINAPI CompleteLater(void* parameter) {
    std::unique_ptr<LaterCompletion> completion(static_cast<LaterCompletion*>(parameter));
    Sleep(kLaterCompletionDelayMs);
    HANDLE event = completion->request->SRB_PostProc;
    const bool notify = (completion->request->SRB_Flags & SRB_EVENT_NOTIFY) != 0;
    DeliverOutcome(*completion->request, completion->outcome);
    if (notify && event != nullptr) SetEvent(event);
    return 0;
}

void LogExecution(const StatusBlock* request, uint16_t alignmentMask, const SimOutcome& outcome, bool later) {
    const uintptr_t address = reinterpret_cast<uintptr_t>(request->SRB_BufPointer);
    const unsigned cdbLength = request->SRB_CDBLen <= 16 ? request->SRB_CDBLen : 16;
    SimLog("cmd=02 ha=" + std::to_string(request->SRB_HaId) + " target=" + std::to_string(request->SRB_Target) +
           " lun=" + std::to_string(request->SRB_Lun) + " flags=" + HexByte(request->SRB_Flags) +
           " buflen=" + std::to_string(request->SRB_BufLen) +
           " aligned=" + ((address & alignmentMask) == 0 ? "1" : "0") +
           " senselen=" + std::to_string(request->SRB_SenseLen) + " cdblen=" + std::to_string(request->SRB_CDBLen) +
           " cdb=" + HexBytes(request->CDBByte, cdbLength) + " -> status=" + HexByte(outcome.requestStatus) +
           " hastat=" + HexByte(outcome.adapterStatus) + " targstat=" + HexByte(outcome.targetStatus) +
           " sensekey=" + HexByte(outcome.sense[2]) + " completion=" + (later ? "later" : "now"));
}

DWORD ExecuteScsiCommand(StatusBlock* request) {
    const Scenario* scenario = LoadedScenario();
    SimOutcome outcome;
    const SimDrive* drive = nullptr;
    const SimAdapter* adapter = scenario ? scenario->FindAdapter(request->SRB_HaId) : nullptr;
    if (adapter == nullptr) {
        outcome.requestStatus = kSimStatusInvalidAdapter;
    } else {
        drive = scenario->FindDrive(request->SRB_HaId, request->SRB_Target);
        outcome = AnswerCommand(drive, request->SRB_Lun, request->CDBByte, request->SRB_BufLen);
    }
    if (drive != nullptr && drive->answerDelayMs != 0) Sleep(drive->answerDelayMs);
    const bool later = drive != nullptr && drive->completeLater;
    LogExecution(request, adapter ? adapter->alignmentMask : 0, outcome, later);
    if (!later) {
        DeliverOutcome(*request, outcome);
        return request->SRB_Status;
    }
    request->SRB_Status = SS_PENDING;
    auto* completion = new LaterCompletion{request, outcome};
    HANDLE thread = CreateThread(nullptr, 0, CompleteLater, completion, 0, nullptr);
    if (thread == nullptr) {
        delete completion;
        SimLog("thread-error");
        DeliverOutcome(*request, outcome);
        return request->SRB_Status;
    }
    CloseHandle(thread);
    return SS_PENDING;
}

// A request left pending for good (status 00h) is ended as aborted, through
// its event, when the scenario's manager honours aborts.
DWORD AbortRequest(SRB_Abort* request) {
    const Scenario* scenario = LoadedScenario();
    auto* aborted = static_cast<StatusBlock*>(request->SRB_ToAbort);
    const bool pending = aborted != nullptr && aborted->SRB_Status == SS_PENDING;
    const bool honoured = scenario != nullptr && scenario->abortHonoured && pending && AbortIfPending(*aborted);
    SimLog("cmd=03 ha=" + std::to_string(request->SRB_HaId) + " pending=" + (pending ? "1" : "0") + " -> " +
           (honoured ? "honoured" : "ignored"));
    if (honoured && (aborted->SRB_Flags & SRB_EVENT_NOTIFY) != 0 && aborted->SRB_PostProc != nullptr) {
        SetEvent(aborted->SRB_PostProc);
    }
    request->SRB_Status = SS_COMP;
    return SS_COMP;
}

// The program's first call: what the process asks of the system's error boxes
// by now. Read by setting and restoring it, which every Windows version offers.
void LogErrorMode() {
    const UINT mode = SetErrorMode(0);
    SetErrorMode(mode);
    SimLog("error-mode=" + HexByte(static_cast<uint8_t>(mode >> 8)) + HexByte(static_cast<uint8_t>(mode)));
}

}  // namespace

extern "C" {

__declspec(dllexport) DWORD GetASPI32SupportInfo() {
    static bool first = true;
    if (first) LogErrorMode();
    first = false;
    const Scenario* scenario = LoadedScenario();
    const DWORD status = scenario ? scenario->supportStatus : kSimStatusNoAdapters;
    const DWORD count = scenario ? scenario->AdapterCount() : 0;
    SimLog("support status=" + HexByte(status) + " adapters=" + std::to_string(count));
    return (status << 8) | count;
}

__declspec(dllexport) DWORD SendASPI32Command(void* request) {
    if (request == nullptr) return 0xE0;  // SS_INVALID_SRB
    const uint8_t command = *static_cast<const uint8_t*>(request);
    if (command == SC_HA_INQUIRY) return HostAdapterInquiry(static_cast<SRB_HAInquiry*>(request));
    if (command == SC_EXEC_SCSI_CMD) return ExecuteScsiCommand(static_cast<StatusBlock*>(request));
    if (command == SC_ABORT_SRB) return AbortRequest(static_cast<SRB_Abort*>(request));
    SimLog("cmd=" + HexByte(command) + " unsupported");
    *(static_cast<uint8_t*>(request) + 1) = 0xE0;
    return 0xE0;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) g_module = instance;
    return TRUE;
}

}  // extern "C"
