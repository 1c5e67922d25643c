#pragma once

// Drives behind the fakes: one description per address, answering TEST UNIT
// READY, INQUIRY and the serial-information read over either transport.

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tests/fakes/fake_aspi_manager.h"
#include "tests/fakes/fake_os.h"

struct FakeDrive {
    std::string identification;     // vendor (8) + product (16)
    uint8_t peripheral = 0x05;      // INQUIRY byte 0
    uint8_t versionByte = 0x02;     // INQUIRY byte 3
    uint32_t inquiryDelivered = 40; // INQUIRY bytes the drive sends
    bool notReady = false;          // TEST UNIT READY ends in CHECK CONDITION
    bool serialReadFails = false;
    std::string serialChars = "01389";
    uint8_t interfaceAt49 = 0xFF;
    uint8_t interfaceAt64 = 0xFF;
    // Pass-through: the port driver's mask; a request whose data buffer has
    // any of its bits set is refused.
    uint32_t alignmentMask = 0;
};

struct FakeCommand {
    std::pair<int, int> address;  // (adapter, target) or (0, drive letter)
    std::vector<uint8_t> cdb;     // as many bytes as were sent
};

class FakeDrives {
public:
    // Answers pass-through requests on "\\.\x:" devices; `letters` maps a
    // drive-letter index to its drive (a hard disk is a drive with
    // peripheral type 00h, see HardDisk()).
    void ServePassThrough(FakeOs& os);
    // Answers ASPI execution requests, keyed by (adapter, target).
    void ServeAspi(FakeAspiManager& manager);

    std::map<int, FakeDrive> letters;
    std::map<std::pair<int, int>, FakeDrive> targets;
    std::vector<FakeCommand> commands;

private:
    // Fills data and returns the target status; sense receives the sense data.
    uint8_t Answer(const FakeDrive& drive, const uint8_t* cdb, uint8_t* data, uint32_t length,
                   uint8_t* sense);
};

FakeDrive HardDisk();
FakeDrive Writer(const std::string& identification, const std::string& serialChars = "01389");
