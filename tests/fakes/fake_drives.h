#pragma once

// Drives behind the fakes: the simulated drives of the end-to-end tests,
// answering through the same AnswerCommand, reached by drive-letter index
// over pass-through or by (adapter, target) over ASPI.

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tests/fakes/fake_aspi_manager.h"
#include "tests/fakes/fake_os.h"
#include "tests/sim_drives/scenario.h"

struct FakeCommand {
    std::pair<int, int> address;  // (adapter, target) or (0, drive letter)
    std::vector<uint8_t> cdb;     // as many bytes as were sent
};

class FakeDrives {
public:
    // Answers pass-through requests on "\\.\x:" devices for `letters`.
    void ServePassThrough(FakeOs& os);
    // Answers ASPI execution requests, keyed by (adapter, target).
    void ServeAspi(FakeAspiManager& manager);

    std::map<int, SimDrive> letters;
    std::map<std::pair<int, int>, SimDrive> targets;
    std::vector<FakeCommand> commands;
};

// A writer: `identification` is vendor (8) and product (16), `serialChars`
// go into serial block bytes 26..30 (fewer leave zeros), and the interface
// bytes 49 and 64 read FFh.
SimDrive Writer(const std::string& identification, const std::string& serialChars = "01389");
// A hard disk: peripheral device type 00h, answering otherwise as a writer.
SimDrive HardDisk();
