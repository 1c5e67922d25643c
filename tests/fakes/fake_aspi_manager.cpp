#include "tests/fakes/fake_aspi_manager.h"

#include "tests/sim_drives/aspi_request.h"

FakeAspiManager* FakeAspiManager::current_ = nullptr;

namespace {
constexpr uint32_t kInvalidSrb = 0xE0;  // SS_INVALID_SRB
}

std::string FakeAspiManager::LibraryPath(const FakeOs& os) {
    return os.systemDirectory + "\\" + kAspiLibraryFile;
}

FakeAspiManager::FakeAspiManager(FakeOs& os) : os_(os) {
    current_ = this;
    FakeLibrary library;
    library.entries[kGetAspi32SupportInfoName] = reinterpret_cast<void*>(&GetSupportInfo);
    library.entries[kSendAspi32CommandName] = reinterpret_cast<void*>(&Send);
    os.libraries[LibraryPath(os)] = library;
}

FakeAspiManager::~FakeAspiManager() {
    if (completion_.joinable()) completion_.join();
    current_ = nullptr;
}

uint32_t FakeAspiManager::GetSupportInfo() {
    ++current_->supportInfoCalls;
    return current_->supportInfo;
}

uint32_t FakeAspiManager::Send(void* request) {
    if (current_->refusesEveryRequest) return kInvalidSrb;
    auto* command = static_cast<uint8_t*>(request);
    if (command[0] == SC_HA_INQUIRY) return current_->Inquire(*static_cast<SRB_HAInquiry*>(request));
    if (command[0] == SC_ABORT_SRB) return current_->Abort(*static_cast<SRB_Abort*>(request));
    return current_->Execute(*static_cast<StatusBlock*>(request));
}

uint32_t FakeAspiManager::Inquire(SRB_HAInquiry& request) {
    inquiries.push_back(request);
    if (request.SRB_HaId >= adapters.size()) {
        request.SRB_Status = 0x81;  // invalid host adapter number
        return request.SRB_Status;
    }
    const Adapter& adapter = adapters[request.SRB_HaId];
    PackAdapterUnique(adapter.alignmentMask, adapter.maxTargets, request.HA_Unique);
    request.HA_Count = static_cast<uint8_t>(adapters.size());
    request.SRB_Status = SS_COMP;
    return SS_COMP;
}

uint32_t FakeAspiManager::Abort(SRB_Abort& request) {
    aborts.push_back(request);
    request.SRB_Status = SS_COMP;
    auto& aborted = *static_cast<StatusBlock*>(request.SRB_ToAbort);
    if (honoursAbort && AbortIfPending(aborted)) os_.SignalEvent(aborted.SRB_PostProc);
    return SS_COMP;
}

uint32_t FakeAspiManager::Execute(StatusBlock& request) {
    executed.push_back(request);
    if (completion_.joinable()) completion_.join();
    if (neverCompletes) {
        request.SRB_Status = SS_PENDING;
        return SS_PENDING;
    }
    if (!completesLater) {
        request.SRB_Status = SS_COMP;
        device(request);
        return request.SRB_Status;
    }
    request.SRB_Status = SS_PENDING;
    completion_ = std::thread([this, &request] {
        os_.WaitUntilSomeoneWaits();
        request.SRB_Status = SS_COMP;
        device(request);
        os_.SignalEvent(request.SRB_PostProc);
    });
    return SS_PENDING;
}
