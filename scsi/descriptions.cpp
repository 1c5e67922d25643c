#include "scsi/descriptions.h"

#include <cstdarg>

#include "scsi/format.h"
#include "scsi/result_codes.h"
#include "scsi/status_records.h"

namespace {

const char* const SrbStatusTexts[16] = {
    "Being processed",
    "Completed without error",
    "Aborted",
    "Unable to abort",
    "Completed with error",
    "Invalid ASPI command",
    "Invalid host adapter number",
    "Device not installed",
    "Invalid SRB",
    "Buffer alignment error",
    "Security error",
    "???",
    "Failed init",
    "???",
    "Buffer size too big",
    "???",
};

const char* const HostAdapterStatusTexts[14] = {
    "OK",
    "Time-Out",
    "???",
    "SRB Time-Out",
    "???",
    "Selection Time-Out",
    "Message Reject",
    "Bus Reset",
    "Parity Error",
    "Request Sense Failed",
    "Data Over-Run/Under-Run",
    "Unexpected Bus Free",
    "Phase Error",
    "???",
};

const char* const TargetStatusTexts[13] = {
    "Status Good",
    "Check Condition",
    "Condition Met",
    "Busy",
    "Intermediate",
    "???",
    "Intermediate-condition met",
    "Reservation conflict",
    "???",
    "Command Terminated",
    "???",
    "Queue full",
    "???",
};

const char* const SenseKeyTexts[16] = {
    "No Sense",
    "Recovered Error",
    "Not Ready",
    "Medium Error",
    "Hardware Error",
    "Illegal Request",
    "Unit Attention",
    "???",
    "???",
    "???",
    "???",
    "Aborted Command",
    "???",
    "???",
    "???",
    "???",
};

struct AdditionalSense {
    uint16_t code;  // ASC in the high byte, ASCQ in the low byte
    const char* text;
};

constexpr uint16_t kAdditionalSenseEnd = 0xFFFF;

const AdditionalSense AdditionalSenseTable[20] = {
    {0x0000, "No additional sense information"},
    {0x1803, "Recovered data with crc"},
    {0x1804, "Recovered data with L-EC"},
    {0x0400, "Logical unit not ready, cause not reportable"},
    {0x3A00, "Medium not present"},
    {0x3A01, "Medium not present try close"},
    {0x3A02, "Medium not present try open"},
    {0x5700, "Unable to recover Table-Of-Contents"},
    {0x5300, "Media load/eject failed"},
    {0x0401, "Table-Of-Contents read in progress"},
    {0x0200, "No seek complete"},
    {0x0280, "Servo seek error"},
    {0x0281, "Servo seek error, Sync error"},
    {0x0282, "Servo seek error, Header error"},
    {0x0283, "Servo seek error, Target not met"},
    {0x1105, "L-EC uncorrectable error"},
    {0x1106, "CIRC unrecovered error"},
    {0x0014, "Audio play operation stopped due to error"},
    {0x0600, "No reference position found"},
    {kAdditionalSenseEnd, "??? Unknown Error"},
};

constexpr uint8_t kCheckConditionIndex = 1;
constexpr uint8_t kLastTargetStatusIndex = 12;
constexpr int32_t kClassBits = 7;

// Before the first command there is no record; describe an all-zero one.
const StatusBlock& LastStatus() {
    static const StatusBlock none{};
    return g_lastStatus != nullptr ? *g_lastStatus : none;
}

// Appends at `offset` within the message buffer and returns the length of the
// whole text afterwards; whatever does not fit is cut off.
__attribute__((format(gnu_printf, 3, 4))) uint16_t WriteAt(char* message, uint16_t offset, const char* format, ...) {
    if (offset >= kMessageSize) return offset;
    const size_t room = kMessageSize - offset;
    va_list arguments;
    va_start(arguments, format);
    const int wanted = FormatIntoV(message + offset, room, format, arguments);
    va_end(arguments);
    const size_t written = static_cast<size_t>(wanted) < room ? static_cast<size_t>(wanted) : room - 1;
    return static_cast<uint16_t>(offset + written);
}

const char* SrbStatusText(uint8_t status) {
    if (status <= 0x04) return SrbStatusTexts[status];
    if (status >= 0x80 && status <= 0x82) return SrbStatusTexts[status - 0x80 + 5];
    if (status >= 0xE0 && status <= 0xE7) return SrbStatusTexts[status - 0xE0 + 8];
    return "???";
}

const char* HostAdapterStatusText(uint8_t status) {
    if (status == 0x00) return HostAdapterStatusTexts[0];
    if (status >= 0x08 && status <= 0x14) return HostAdapterStatusTexts[status - 7];
    return HostAdapterStatusTexts[12];
}

uint8_t TargetStatusIndex(uint8_t status) {
    unsigned index = 0;
    if (status & 0x02) index += 1;
    if (status & 0x04) index += 2;
    if (status & 0x08) index += 3;
    if (status & 0x10) index += 4;
    if (status & 0x20) index += 8;
    return static_cast<uint8_t>(index > 11 ? kLastTargetStatusIndex : index);
}

const char* AdditionalSenseText(uint16_t code) {
    const AdditionalSense* entry = AdditionalSenseTable;
    while (entry->code != code && entry->code != kAdditionalSenseEnd) ++entry;
    return entry->text;
}

// "%02X" per byte, single blanks between: 6 bytes for a 6-byte CDB, 10 for a
// 10-byte one, 12 for any other length.
void FormatCdb(const uint8_t* cdb, uint8_t cdbLength, char (&text)[3 * 12]) {
    const size_t count = cdbLength == 6 ? 6 : cdbLength == 10 ? 10 : 12;
    size_t length = 0;
    for (size_t i = 0; i < count; ++i) {
        length += static_cast<size_t>(
            FormatInto(text + length, sizeof text - length, i == 0 ? "%02X" : " %02X", cdb[i]));
    }
}

}  // namespace

uint16_t DescribeSrbStatus(char* message) {
    const uint8_t status = LastStatus().SRB_Status;
    return WriteAt(message, 0, "ASPI SRB Status: %s (%02Xh)\n", SrbStatusText(status), status);
}

uint16_t DescribeHostAdapterStatus(char* message, uint16_t offset) {
    const uint8_t status = LastStatus().SRB_HaStat;
    return WriteAt(message, offset, "Host Adapter Status: %s (%02Xh)\n",
                   HostAdapterStatusText(status), status);
}

uint16_t DescribeScsiStatus(const uint8_t* cdb, uint8_t cdbLength, const uint8_t* sense,
                            char* message, uint16_t offset) {
    char cdbText[3 * 12] = {};
    FormatCdb(cdb, cdbLength, cdbText);
    const uint8_t status = LastStatus().SRB_TargStat;
    const uint8_t index = TargetStatusIndex(status);
    offset = WriteAt(message, offset, "Scsi Command: %s\nScsi Target Status: %02X %s\n", cdbText, status,
                     TargetStatusTexts[index]);
    if (index != kCheckConditionIndex) return offset;
    const uint8_t senseKey = sense[2];
    const uint16_t code = static_cast<uint16_t>((sense[12] << 8) | sense[13]);
    return WriteAt(message, offset, "Sense Key: %02X   %s\nASC/ASCQ : %04X %s\n", senseKey,
                   SenseKeyTexts[senseKey & 0x0F], code, AdditionalSenseText(code));
}

void DescribeFailure(int32_t result, const uint8_t* cdb, uint8_t cdbLength, const uint8_t* sense,
                     char* message) {
    if (result == kResultNoEventOrDevice) {
        WriteAt(message, 0, "Aspi Completion Event Error!\n");
        return;
    }
    if (result == kResultNoMemory) {
        WriteAt(message, 0, "Memory Allocation Error!\n");
        return;
    }
    if (result == kResultSystemError) {
        // The pass-through transport spread bits 0-23 of the system error
        // number over these three bytes.
        const StatusBlock& status = LastStatus();
        const int32_t error = (status.SRB_TargStat << 16) | (status.SRB_HaStat << 8) | status.SRB_Status;
        WriteAt(message, 0, "Windows System Error : %04d\n", error);
        return;
    }
    uint16_t length = 0;
    switch (result & kClassBits) {
        case kResultRequestStatus:
            length = DescribeSrbStatus(message);
            length = DescribeHostAdapterStatus(message, length);
            DescribeScsiStatus(cdb, cdbLength, sense, message, length);
            break;
        case kResultHostAdapterStatus:
            length = DescribeHostAdapterStatus(message, 0);
            DescribeScsiStatus(cdb, cdbLength, sense, message, length);
            break;
        case kResultCheckCondition:
            DescribeScsiStatus(cdb, cdbLength, sense, message, 0);
            break;
        default:
            break;
    }
}
