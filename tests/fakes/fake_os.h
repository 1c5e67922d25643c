#pragma once

// A scriptable operating system for the core's unit tests: every call is
// recorded with its arguments (and, for control requests, the request bytes),
// and every outcome can be set beforehand.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "scsi/os_seam.h"

struct FakeLibrary {
    std::map<std::string, void*> entries;
};

// How a device path answers an open.
struct FakeDevice {
    bool grantsReadWrite = true;
    bool grantsReadOnly = true;
    uint32_t refusal = 5;  // the system error of an open it does not grant
};

struct TextOrder {
    bool operator()(std::string_view a, std::string_view b) const { return a < b; }
};

struct FakeOpen {
    std::string path;
    uint32_t access;
    bool succeeded;
};

struct FakeIoctl {
    std::string path;  // of the device the handle was opened for
    uint32_t code;
    std::vector<uint8_t> input;  // the request bytes as handed over
    uint32_t outSize;
};

class FakeOs : public OsSeam {
public:
    FakeOs();
    ~FakeOs() override;

    // --- script ---
    uint32_t platformId = kPlatformWin32Nt;
    std::string systemDirectory = "C:\\WINDOWS\\system32";
    std::map<std::string, FakeLibrary> libraries;  // by full path
    bool eventCreationFails = false;
    bool waitFails = false;  // every wait reports failure at once, as on a bad handle
    // A wait whose event is not signalled when it begins runs out at once
    // instead of blocking until someone signals it.
    bool waitsRunOut = false;
    std::map<Text, FakeDevice, TextOrder> devices;  // by device path; absent paths do not open
    std::map<std::string, uint32_t> driveTypes;      // by root path; absent roots are fixed disks
    // Answers a control request: may rewrite `out` and set `error`; returns the
    // call's success. Without a handler every request fails with error 1.
    std::function<bool(const FakeIoctl& call, uint8_t* out, uint32_t& error)> ioctlHandler;
    bool allocationFails = false;
    size_t allocationMisalignment = 0;  // bytes added to every allocation's address
    uint32_t clockMilliseconds = 0;     // what Milliseconds answers; a handler may move it on

    // --- record ---
    std::vector<std::string> loadAttempts;
    std::vector<std::string> entryLookups;
    std::vector<std::string> driveTypeQueries;
    std::vector<FakeOpen> opens;
    std::vector<FakeIoctl> ioctls;
    std::vector<OsHandle> closedHandles;
    std::vector<size_t> allocationSizes;
    std::vector<void*> freedBlocks;
    int eventsCreated = 0;
    int waits = 0;
    std::vector<uint32_t> waitLimits;  // milliseconds, one per wait

    // Empties every record above; what is open or allocated stays so.
    void ForgetRecords();

    size_t OpenDeviceCount() const { return openDevices_.size(); }
    size_t LiveEventCount() const;
    size_t LiveAllocationCount() const { return liveAllocations_.size(); }

    // For a manager that completes later from another thread.
    void SignalEvent(OsHandle event);
    void WaitUntilSomeoneWaits();

    // --- OsSeam ---
    uint32_t PlatformId() override;
    Text SystemDirectory() override;
    OsModule LoadLibraryAt(const Text& fullPath) override;
    void* FindEntry(OsModule module, const char* name) override;
    OsHandle CreateCompletionEvent() override;
    OsWait WaitFor(OsHandle event, uint32_t milliseconds) override;
    void CloseHandle(OsHandle handle) override;
    uint32_t DriveType(const Text& rootPath) override;
    OsHandle OpenDevice(const Text& path, uint32_t access) override;
    bool DeviceIoControl(OsHandle device, uint32_t code, void* in, uint32_t inSize, void* out,
                         uint32_t outSize) override;
    uint32_t LastError() override;
    uint32_t Milliseconds() override;
    void* Allocate(size_t size) override;
    void Free(void* block) override;

private:
    struct Event {
        bool signalled = false;
    };

    mutable std::mutex eventLock_;
    std::condition_variable eventChanged_;
    std::map<OsHandle, std::unique_ptr<Event>> events_;
    int waiting_ = 0;

    struct OpenDeviceState {
        std::string path;
        uint32_t access;
    };
    std::map<OsHandle, OpenDeviceState> openDevices_;
    uintptr_t nextDeviceHandle_ = 0x100;
    std::map<void*, void*> liveAllocations_;  // handed-out address -> real block
    uint32_t lastError_ = 0;
};

// Installs a FakeOs as the seam for the length of a scope.
class ScopedFakeOs {
public:
    ScopedFakeOs() { InstallOs(&os); }
    ~ScopedFakeOs() { InstallOs(nullptr); }
    FakeOs os;
};
