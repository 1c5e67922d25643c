#pragma once

// Puts the ASPI transport in force over a FakeAspiManager for the length of a
// scope: the manager's SendASPI32Command entry installed, the alignment cache
// empty, the request block cleared. The transport's process-wide state is
// given back as it was when the scope ends.

#include <cstring>

#include "scsi/records.h"
#include "scsi/transport.h"
#include "tests/fakes/fake_aspi_manager.h"
#include "tests/fakes/fake_os.h"

class ScopedAspiTransport {
public:
    ScopedAspiTransport() : manager(fake.os) {
        savedUsePassThrough_ = g_usePassThrough;
        savedSend_ = g_sendAspi32Command;
        std::memcpy(savedKnown_, g_alignmentKnown, sizeof savedKnown_);
        std::memcpy(savedMask_, g_alignmentMask, sizeof savedMask_);
        savedSrb_ = g_aspiExecSrb;
        savedLastStatus_ = g_lastStatus;

        g_usePassThrough = 0;
        g_sendAspi32Command = reinterpret_cast<SendAspi32CommandFn>(
            fake.os.libraries[FakeAspiManager::LibraryPath(fake.os)].entries[kSendAspi32CommandName]);
        std::memset(g_alignmentKnown, 0, sizeof g_alignmentKnown);
        std::memset(g_alignmentMask, 0, sizeof g_alignmentMask);
        std::memset(&g_aspiExecSrb, 0, sizeof g_aspiExecSrb);
        g_lastStatus = nullptr;
    }

    ~ScopedAspiTransport() {
        g_usePassThrough = savedUsePassThrough_;
        g_sendAspi32Command = savedSend_;
        std::memcpy(g_alignmentKnown, savedKnown_, sizeof savedKnown_);
        std::memcpy(g_alignmentMask, savedMask_, sizeof savedMask_);
        g_aspiExecSrb = savedSrb_;
        g_lastStatus = savedLastStatus_;
    }

    ScopedAspiTransport(const ScopedAspiTransport&) = delete;
    ScopedAspiTransport& operator=(const ScopedAspiTransport&) = delete;

    ScopedFakeOs fake;
    FakeAspiManager manager;

private:
    int32_t savedUsePassThrough_;
    SendAspi32CommandFn savedSend_;
    int32_t savedKnown_[MaxDriveLetters];
    uint32_t savedMask_[MaxDriveLetters];
    StatusBlock savedSrb_;
    StatusBlock* savedLastStatus_;
};
