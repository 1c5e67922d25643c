#include "tests/fakes/fake_os.h"

#include <chrono>
#include <cstdlib>

// Left by the calls whose own error the product never reads, so that an error
// read after them, instead of right after the call that failed, shows.
constexpr uint32_t kStaleErrorSentinel = 0xDEADBEEF;

FakeOs::FakeOs() = default;

FakeOs::~FakeOs() {
    for (auto& allocation : liveAllocations_) std::free(allocation.second);
}

size_t FakeOs::LiveEventCount() const {
    std::lock_guard<std::mutex> guard(eventLock_);
    return events_.size();
}

void FakeOs::SignalEvent(OsHandle event) {
    std::lock_guard<std::mutex> guard(eventLock_);
    auto found = events_.find(event);
    if (found != events_.end()) found->second->signalled = true;
    eventChanged_.notify_all();
}

void FakeOs::WaitUntilSomeoneWaits() {
    std::unique_lock<std::mutex> guard(eventLock_);
    // A caller that never waits is a fault of the code under test; complete
    // anyway after a while so that the test reports it instead of hanging.
    eventChanged_.wait_for(guard, std::chrono::seconds(5), [this] { return waiting_ > 0; });
}

void FakeOs::ForgetRecords() {
    loadAttempts.clear();
    entryLookups.clear();
    driveTypeQueries.clear();
    opens.clear();
    ioctls.clear();
    closedHandles.clear();
    allocationSizes.clear();
    freedBlocks.clear();
    eventsCreated = 0;
    waits = 0;
}

uint32_t FakeOs::PlatformId() { return platformId; }

Text FakeOs::SystemDirectory() { return Text(systemDirectory.data(), systemDirectory.size()); }

OsModule FakeOs::LoadLibraryAt(const Text& fullPath) {
    loadAttempts.emplace_back(fullPath);
    auto found = libraries.find(loadAttempts.back());
    return found == libraries.end() ? nullptr : &found->second;
}

void* FakeOs::FindEntry(OsModule module, const char* name) {
    entryLookups.push_back(name);
    auto& entries = static_cast<FakeLibrary*>(module)->entries;
    auto found = entries.find(name);
    return found == entries.end() ? nullptr : found->second;
}

OsHandle FakeOs::CreateCompletionEvent() {
    if (eventCreationFails) return nullptr;
    std::lock_guard<std::mutex> guard(eventLock_);
    auto event = std::make_unique<Event>();
    OsHandle handle = event.get();
    events_[handle] = std::move(event);
    ++eventsCreated;
    return handle;
}

OsWait FakeOs::WaitFor(OsHandle event, uint32_t milliseconds) {
    std::unique_lock<std::mutex> guard(eventLock_);
    ++waits;
    waitLimits.push_back(milliseconds);
    if (waitFails) return OsWait::Failed;
    auto found = events_.find(event);
    if (found == events_.end()) return OsWait::Failed;
    Event& waited = *found->second;
    if (waitsRunOut && !waited.signalled) return OsWait::TimedOut;
    ++waiting_;
    eventChanged_.notify_all();
    eventChanged_.wait(guard, [&waited] { return waited.signalled; });
    --waiting_;
    waited.signalled = false;  // auto-reset
    return OsWait::Signalled;
}

void FakeOs::CloseHandle(OsHandle handle) {
    closedHandles.push_back(handle);
    lastError_ = kStaleErrorSentinel;
    if (openDevices_.erase(handle) > 0) return;
    std::lock_guard<std::mutex> guard(eventLock_);
    if (events_.erase(handle) == 0) {
        std::abort();  // closing what was never handed out, or twice, is the fault under test
    }
}

uint32_t FakeOs::DriveType(const Text& rootPath) {
    driveTypeQueries.emplace_back(rootPath);
    constexpr uint32_t kDriveFixed = 3;
    auto found = driveTypes.find(driveTypeQueries.back());
    return found == driveTypes.end() ? kDriveFixed : found->second;
}

OsHandle FakeOs::OpenDevice(const Text& path, uint32_t access) {
    auto found = devices.find(path);
    bool granted = false;
    if (found != devices.end()) {
        bool wantsWrite = (access & kGenericWrite) != 0;
        granted = wantsWrite ? found->second.grantsReadWrite : found->second.grantsReadOnly;
    }
    opens.push_back({std::string(path), access, granted});
    if (!granted) {
        lastError_ = found == devices.end() ? 2 : found->second.refusal;  // file not found
        return nullptr;
    }
    OsHandle handle = reinterpret_cast<OsHandle>(nextDeviceHandle_);
    nextDeviceHandle_ += 4;
    openDevices_[handle] = {std::string(path), access};
    return handle;
}

bool FakeOs::DeviceIoControl(OsHandle device, uint32_t code, void* in, uint32_t inSize, void* out,
                             uint32_t outSize) {
    FakeIoctl call;
    auto found = openDevices_.find(device);
    call.path = found == openDevices_.end() ? std::string() : found->second.path;
    call.code = code;
    auto* inBytes = static_cast<const uint8_t*>(in);
    if (inBytes != nullptr) call.input.assign(inBytes, inBytes + inSize);
    call.outSize = outSize;
    ioctls.push_back(call);

    // As the I/O manager does: a control code that requires write access
    // (bit 15 of the code) fails on a handle opened without it.
    constexpr uint32_t kRequiresWriteAccess = 0x8000;
    constexpr uint32_t kAccessDenied = 5;
    uint32_t error = 1;  // ERROR_INVALID_FUNCTION
    bool succeeded = false;
    if (found != openDevices_.end() && (code & kRequiresWriteAccess) != 0 &&
        (found->second.access & kGenericWrite) == 0) {
        error = kAccessDenied;
    } else if (found != openDevices_.end() && ioctlHandler) {
        error = 0;
        succeeded = ioctlHandler(ioctls.back(), static_cast<uint8_t*>(out), error);
    }
    if (!succeeded) lastError_ = error;
    return succeeded;
}

uint32_t FakeOs::LastError() { return lastError_; }

uint32_t FakeOs::Milliseconds() { return clockMilliseconds; }

void* FakeOs::Allocate(size_t size) {
    allocationSizes.push_back(size);
    if (allocationFails) return nullptr;
    void* block = std::malloc(size + allocationMisalignment + 1);
    if (block == nullptr) return nullptr;
    void* handedOut = static_cast<uint8_t*>(block) + allocationMisalignment;
    liveAllocations_[handedOut] = block;
    return handedOut;
}

void FakeOs::Free(void* block) {
    freedBlocks.push_back(block);
    lastError_ = kStaleErrorSentinel;
    auto found = liveAllocations_.find(block);
    if (found == liveAllocations_.end()) {
        std::abort();  // freeing what was never handed out is the fault under test
    }
    std::free(found->second);
    liveAllocations_.erase(found);
}
