#include "scsi/descriptions.h"

#include <cstdarg>

#include "scsi/result_codes.h"
#include "scsi/status_records.h"
#include "text/format.h"

namespace {

// A status or sense code and its text. A table ends with the row of code
// kAnyOtherCode, whose text is that of every code without a row of its own;
// the search stops at the first row with the code or at that last row.
struct CodeText {
    uint16_t code;
    const char* text;
};

constexpr uint16_t kAnyOtherCode = 0xFFFF;

const char* TextOf(const CodeText* table, uint16_t code) {
    while (table->code != code && table->code != kAnyOtherCode) ++table;
    return table->text;
}

const CodeText SrbStatusTexts[] = {
    {0x00, "Being processed"},
    {0x01, "Completed without error"},
    {0x02, "Aborted"},
    {0x03, "Unable to abort"},
    {0x04, "Completed with error"},
    {0x80, "Invalid ASPI command"},
    {0x81, "Invalid host adapter number"},
    {0x82, "Device not installed"},
    {0xE0, "Invalid SRB"},
    {0xE1, "Buffer alignment error"},
    {0xE2, "Security error"},
    {0xE4, "Failed init"},
    {0xE6, "Buffer size too big"},
    {kAnyOtherCode, "???"},
};

// Each ASPI host-adapter status by its own code: the description reaches
// standard output, where a support desk reads a selection time-out as one.
const CodeText HostAdapterStatusTexts[] = {
    {0x00, "OK"},
    {0x09, "Time-Out"},
    {0x0B, "SRB Time-Out"},
    {0x0D, "Message Reject"},
    {0x0E, "Bus Reset"},
    {0x0F, "Parity Error"},
    {0x10, "Request Sense Failed"},
    {0x11, "Selection Time-Out"},
    {0x12, "Data Over-Run/Under-Run"},
    {0x13, "Unexpected Bus Free"},
    {0x14, "Phase Error"},
    {kAnyOtherCode, "???"},
};

// By the target-status index, not the status byte (TargetStatusIndex).
const CodeText TargetStatusTexts[] = {
    {0, "Status Good"},
    {1, "Check Condition"},
    {2, "Condition Met"},
    {3, "Busy"},
    {4, "Intermediate"},
    {6, "Intermediate-condition met"},
    {7, "Reservation conflict"},
    {9, "Command Terminated"},
    {11, "Queue full"},
    {kAnyOtherCode, "???"},
};

const CodeText SenseKeyTexts[] = {
    {0, "No Sense"},
    {1, "Recovered Error"},
    {2, "Not Ready"},
    {3, "Medium Error"},
    {4, "Hardware Error"},
    {5, "Illegal Request"},
    {6, "Unit Attention"},
    {11, "Aborted Command"},
    {kAnyOtherCode, "???"},
};

// ASC in the high byte, ASCQ in the low byte. The last row is also the text of
// code FFFFh itself.
const CodeText AdditionalSenseTable[] = {
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
    {kAnyOtherCode, "??? Unknown Error"},
};

constexpr uint8_t kCheckConditionIndex = 1;
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

// Bits 1 to 5 of the status byte weigh 1, 2, 3, 4 and 8; bits 0, 6 and 7 play no part.
uint8_t TargetStatusIndex(uint8_t status) {
    unsigned index = 0;
    if (status & 0x02) index += 1;
    if (status & 0x04) index += 2;
    if (status & 0x08) index += 3;
    if (status & 0x10) index += 4;
    if (status & 0x20) index += 8;
    return static_cast<uint8_t>(index);
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
    return WriteAt(message, 0, "ASPI SRB Status: %s (%02Xh)\n", TextOf(SrbStatusTexts, status), status);
}

uint16_t DescribeHostAdapterStatus(char* message, uint16_t offset) {
    const uint8_t status = LastStatus().SRB_HaStat;
    return WriteAt(message, offset, "Host Adapter Status: %s (%02Xh)\n",
                   TextOf(HostAdapterStatusTexts, status), status);
}

uint16_t DescribeScsiStatus(const uint8_t* cdb, uint8_t cdbLength, const uint8_t* sense,
                            char* message, uint16_t offset) {
    char cdbText[3 * 12] = {};
    FormatCdb(cdb, cdbLength, cdbText);
    const uint8_t status = LastStatus().SRB_TargStat;
    const uint8_t index = TargetStatusIndex(status);
    offset = WriteAt(message, offset, "Scsi Command: %s\nScsi Target Status: %02X %s\n", cdbText, status,
                     TextOf(TargetStatusTexts, index));
    if (index != kCheckConditionIndex) return offset;
    const uint8_t senseKey = sense[2];
    const uint16_t code = static_cast<uint16_t>((sense[12] << 8) | sense[13]);
    return WriteAt(message, offset, "Sense Key: %02X   %s\nASC/ASCQ : %04X %s\n", senseKey,
                   TextOf(SenseKeyTexts, senseKey & 0x0F), code, TextOf(AdditionalSenseTable, code));
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
        const auto error = static_cast<int32_t>(StoredSystemError(LastStatus()));
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
