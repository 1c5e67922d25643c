#pragma once

// Puts the ASPI transport in force over a FakeAspiManager for the length of a
// scope: the manager's SendASPI32Command entry installed and every other piece
// of transport state as a fresh process finds it, also when the scope ends.

#include "scsi/transport.h"
#include "tests/fakes/fake_aspi_manager.h"
#include "tests/fakes/fake_os.h"
#include "tests/fakes/scsi_state.h"

class ScopedAspiTransport {
public:
    ScopedAspiTransport() : manager(fake.os) { StartAfresh(); }

    ~ScopedAspiTransport() { ResetScsiState(); }

    // The transport state of a fresh process, with the manager's entry installed.
    void StartAfresh() {
        ResetScsiState();
        g_sendAspi32Command = reinterpret_cast<SendAspi32CommandFn>(
            fake.os.libraries[FakeAspiManager::LibraryPath(fake.os)].entries[kSendAspi32CommandName]);
    }

    ScopedAspiTransport(const ScopedAspiTransport&) = delete;
    ScopedAspiTransport& operator=(const ScopedAspiTransport&) = delete;

    ScopedFakeOs fake;
    FakeAspiManager manager;
};
