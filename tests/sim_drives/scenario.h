#pragma once

// The simulated machine behind the test ASPI manager and the test
// pass-through devices: host adapters, the devices on them or behind drive
// letters, and how each device answers. Read from a line-based text file (see
// scenario.cpp for the format); the unit tests' fakes build the same drives.

#include <cstdint>
#include <string>
#include <vector>

struct SimAdapter {
    uint8_t id = 0;
    uint16_t alignmentMask = 0;
    uint8_t maxTargets = 0;  // as reported in HA_Unique byte 3; 0 means 8
};

// How one opcode fails instead of being answered normally.
struct SimFailure {
    uint8_t opcode = 0;
    bool checkCondition = false;  // target status 02h with the sense below
    uint8_t senseKey = 0;
    uint8_t asc = 0;
    uint8_t ascq = 0;
    uint8_t requestStatus = 0x01;  // SRB_Status when not a check condition
    uint8_t adapterStatus = 0x00;  // SRB_HaStat when not a check condition
    int systemError = 0;           // pass-through only: the request itself fails with this errno
    bool waitsOutTimeOut = false;  // pass-through only: it fails only once its time-out has run out
};

// CHECK CONDITION with this sense in place of the answer to `opcode`.
inline SimFailure CheckCondition(uint8_t opcode, uint8_t senseKey, uint8_t asc, uint8_t ascq) {
    return SimFailure{opcode, true, senseKey, asc, ascq};
}

struct SimDrive {
    char letter = 0;  // pass-through drive letter (upper case); 0 for an ASPI address
    uint8_t adapter = 0;
    uint8_t target = 0;
    bool readOnly = false;  // pass-through only: a read-write open is refused
    int openErrno = 0;      // pass-through only: every open is refused with this errno
    // The port driver's alignment mask, as the unit tests' pass-through fake
    // reports it: a request whose data buffer has any of its bits set is refused.
    uint32_t alignmentMask = 0;
    // Pass-through only: every request to the drive takes this long, as a
    // writer waking from sleep or spinning up answers late.
    uint32_t answerDelayMs = 0;
    // A CD/DVD device (byte 0) of version 2 (byte 2) whose answer is the
    // standard 36 bytes (byte 4, the additional length); byte 3 and the
    // identification from byte 8 on as the scenario gives them.
    uint8_t inquiry[96] = {0x05, 0x00, 0x02, 0x00, 31};
    uint8_t serialBlock[128] = {};
    bool completeLater = false;  // answer from another thread through the event
    std::vector<SimFailure> failures;
};

struct Scenario {
    uint8_t supportStatus = 0x01;  // SS_COMP
    int adapterCountOverride = -1;  // -1: the number of adapter lines
    bool completeLater = false;     // default for every drive
    bool abortHonoured = true;      // an abort ends a pending request
    std::vector<SimAdapter> adapters;
    std::vector<SimDrive> drives;

    const SimAdapter* FindAdapter(uint8_t id) const;
    const SimDrive* FindDrive(uint8_t adapter, uint8_t target) const;
    const SimDrive* FindLetter(char letter) const;
    uint8_t AdapterCount() const;
};

// Parses the scenario text. On a malformed line returns false and names the
// line in `error`; the scenario is then not used.
bool ParseScenario(const std::string& text, Scenario& scenario, std::string& error);

// Reads and parses the scenario file at `path`; on failure `error` says why
// (the file cannot be read, or which line is malformed).
bool LoadScenarioFile(const std::string& path, Scenario& scenario, std::string& error);
