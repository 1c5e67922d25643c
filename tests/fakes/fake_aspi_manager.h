#pragma once

// An ASPI for Win32 manager for the unit tests: host adapters with their
// alignment masks and target counts, and a device function that answers each
// execution request. It completes requests within the call, or returns them
// pending and completes them from another thread once the caller waits.

#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

#include "scsi/aspi_manager.h"
#include "scsi/device_records.h"
#include "tests/fakes/fake_os.h"

class FakeAspiManager {
public:
    struct Adapter {
        uint16_t alignmentMask = 0;
        uint8_t maxTargets = 0;  // HA_Unique byte 3; 0 means 8
    };

    // Registers the manager as the library in the fake's system directory.
    explicit FakeAspiManager(FakeOs& os);
    ~FakeAspiManager();

    uint32_t supportInfo = (SS_COMP << 8) | 1;
    std::vector<Adapter> adapters{Adapter{}};  // inquiries past the last fail with 81h
    // Answers an execution request; SRB_Status is SS_COMP on entry.
    std::function<void(StatusBlock& request)> device = [](StatusBlock&) {};
    bool completesLater = false;
    // Leaves every execution request pending; an abort ends it with
    // SS_ABORTED through its event only when `honoursAbort` is set.
    bool neverCompletes = false;
    bool honoursAbort = false;
    // Answers every request with SS_INVALID_SRB and writes nothing into it,
    // while the support query may still report adapters.
    bool refusesEveryRequest = false;

    std::vector<StatusBlock> executed;      // each request as it arrived
    std::vector<SRB_HAInquiry> inquiries;   // each inquiry as it arrived
    std::vector<SRB_Abort> aborts;          // each abort request as it arrived
    int supportInfoCalls = 0;

    static std::string LibraryPath(const FakeOs& os);

private:
    static uint32_t GetSupportInfo();
    static uint32_t Send(void* request);
    uint32_t Execute(StatusBlock& request);
    uint32_t Inquire(SRB_HAInquiry& request);
    uint32_t Abort(SRB_Abort& request);

    static FakeAspiManager* current_;
    FakeOs& os_;
    std::thread completion_;
};
