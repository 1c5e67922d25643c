#include "tests/sim_drives/sim_device.h"

#include <algorithm>

namespace {

constexpr uint8_t kTestUnitReady = 0x00;
constexpr uint8_t kInquiry = 0x12;
constexpr uint8_t kSerialInfo = 0xF1;

void SetCheckCondition(SimOutcome& outcome, uint8_t key, uint8_t asc, uint8_t ascq) {
    outcome.requestStatus = kSimStatusError;
    outcome.targetStatus = 0x02;
    outcome.sense[0] = 0x70;  // current error, fixed format
    outcome.sense[2] = key;
    outcome.sense[7] = 10;    // additional sense length
    outcome.sense[12] = asc;
    outcome.sense[13] = ascq;
}

void SetData(SimOutcome& outcome, const uint8_t* bytes, size_t available, uint32_t limit) {
    size_t count = std::min<size_t>(available, limit);
    outcome.data.assign(bytes, bytes + count);
}

}  // namespace

SimOutcome AnswerCommand(const SimDrive* drive, uint8_t lun, const uint8_t* cdb, uint32_t bufferLength) {
    SimOutcome outcome;
    if (drive == nullptr || lun != 0) {
        outcome.requestStatus = kSimStatusNoDevice;
        return outcome;
    }
    const uint8_t opcode = cdb[0];
    for (const SimFailure& failure : drive->failures) {
        if (failure.opcode != opcode) continue;
        if (failure.systemError != 0) {
            outcome.systemError = failure.systemError;
            outcome.waitsOutTimeOut = failure.waitsOutTimeOut;
        } else if (failure.checkCondition) {
            SetCheckCondition(outcome, failure.senseKey, failure.asc, failure.ascq);
        } else {
            outcome.requestStatus = failure.requestStatus;
            outcome.adapterStatus = failure.adapterStatus;
        }
        return outcome;
    }
    switch (opcode) {
    case kTestUnitReady:
        break;
    case kInquiry: {
        // As many bytes as the additional length announces, up to the allocation length.
        const size_t answered = std::min<size_t>(drive->inquiry[4] + 5u, sizeof drive->inquiry);
        SetData(outcome, drive->inquiry, answered, std::min<uint32_t>(bufferLength, cdb[4]));
        break;
    }
    case kSerialInfo:
        SetData(outcome, drive->serialBlock, sizeof drive->serialBlock, bufferLength);
        break;
    default:
        SetCheckCondition(outcome, 0x05, 0x20, 0x00);  // ILLEGAL REQUEST, invalid opcode
        break;
    }
    return outcome;
}
