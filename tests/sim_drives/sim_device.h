#pragma once

// How a simulated drive answers one SCSI command, worked out when the request
// arrives and delivered into the request block either at once or later.

#include <cstdint>
#include <vector>

#include "tests/sim_drives/scenario.h"

struct SimOutcome {
    uint8_t requestStatus = 0x01;  // SS_COMP
    uint8_t adapterStatus = 0x00;
    uint8_t targetStatus = 0x00;
    uint8_t sense[14] = {};
    std::vector<uint8_t> data;  // bytes to place at the start of the caller's buffer
    int systemError = 0;        // pass-through: the request fails with this errno, nothing else holds
    bool waitsOutTimeOut = false;  // pass-through: the failure comes when the request's time-out has run out
};

constexpr uint8_t kSimStatusError = 0x04;        // SS_ERR
constexpr uint8_t kSimStatusInvalidAdapter = 0x81;
constexpr uint8_t kSimStatusNoDevice = 0x82;

// `drive` may be null: no device at that address.
SimOutcome AnswerCommand(const SimDrive* drive, uint8_t lun, const uint8_t* cdb, uint32_t bufferLength);
