#include "scsi/commands.h"

#include <cstring>

#include "scsi/aspi_execute.h"
#include "scsi/pass_through.h"
#include "scsi/status_records.h"
#include "scsi/transport.h"

namespace {

constexpr uint8_t kTestUnitReadyOpcode = 0x00;
constexpr uint8_t kInquiryOpcode = 0x12;
constexpr uint8_t kSerialInfoOpcode = 0xF1;
constexpr uint8_t kSixByteCdb = 6;
constexpr uint8_t kTenByteCdb = 10;

size_t SenseBytesToCopy(const StatusBlock& status) {
    size_t count = status.SRB_SenseLen;
    if (count > sizeof status.SenseArea) count = sizeof status.SenseArea;
    if (count > kSenseSize) count = kSenseSize;
    return count;
}

}  // namespace

CScsiCmd::CScsiCmd()
    : device(nullptr),
      cdb{},
      cdbLength(kSixByteCdb),
      buffer(nullptr),
      transferLength(0),
      direction(DirectionNone),
      sense{},
      message{},
      result(0),
      timeout(kDefaultTimeoutSeconds) {
    CScsiCmd::Reset();
}

CScsiCmd::~CScsiCmd() = default;

void CScsiCmd::Reset() {
    std::memset(cdb + 1, 0, sizeof cdb - 1);
    if (device != nullptr && TakesTwelveByteCdbs(*device)) cdbLength = kTwelveByteCdbLength;
    if (transferLength != 0 && buffer != nullptr) std::memset(buffer, 0, transferLength);
    std::memset(sense, 0, sizeof sense);
    message[0] = '\0';
    result = 0;
}

int32_t CScsiCmd::Execute() {
    // This object's bound, not a rule of what is sent: the transports read that many bytes of `cdb`.
    const uint8_t length = cdbLength > sizeof cdb ? sizeof cdb : cdbLength;
    result = ScsiExecute(device, cdb, length, buffer, transferLength, direction, timeout);
    if (result != 0) {
        // The next command overwrites the status record: keep the sense now.
        if (g_lastStatus != nullptr) {
            std::memcpy(sense, g_lastStatus->SenseArea, SenseBytesToCopy(*g_lastStatus));
        }
        DescribeFailure(result, cdb, cdbLength, sense, message);
    }
    return result;
}

CTestUnitReadyCmd::CTestUnitReadyCmd() {
    cdb[0] = kTestUnitReadyOpcode;
    direction = DirectionNone;
    cdbLength = kSixByteCdb;
}

CTestUnitReadyCmd::~CTestUnitReadyCmd() = default;

CInquiryCmd::CInquiryCmd() {
    cdb[0] = kInquiryOpcode;
    cdbLength = kSixByteCdb;
    direction = DirectionIn;
}

CInquiryCmd::~CInquiryCmd() = default;

void CInquiryCmd::SetAllocationLength() { cdb[4] = static_cast<uint8_t>(transferLength & 0xFF); }

CSerialInfoCmd::CSerialInfoCmd() : paramByte(0), paramLong(0), paramWord(0), allocationLength(0) {
    cdb[0] = kSerialInfoOpcode;
    cdbLength = kTenByteCdb;
    direction = DirectionIn;
    CSerialInfoCmd::Reset();
}

CSerialInfoCmd::~CSerialInfoCmd() = default;

void CSerialInfoCmd::Reset() {
    CScsiCmd::Reset();
    paramByte = 0;
    paramLong = 0;
    paramWord = 0;
    allocationLength = 0;
}

void CSerialInfoCmd::PackCdb() {
    cdb[1] = paramByte;
    cdb[2] = static_cast<uint8_t>(paramLong >> 24);
    cdb[3] = static_cast<uint8_t>(paramLong >> 16);
    cdb[4] = static_cast<uint8_t>(paramLong >> 8);
    cdb[5] = static_cast<uint8_t>(paramLong);
    cdb[6] = static_cast<uint8_t>(paramWord >> 8);
    cdb[7] = static_cast<uint8_t>(paramWord);
    cdb[8] = static_cast<uint8_t>(allocationLength >> 8);
    cdb[9] = static_cast<uint8_t>(allocationLength);
}

int32_t ScsiExecute(const DriveEntry* device, const uint8_t* cdb, uint8_t cdbLength, uint8_t* buffer,
                    uint32_t transferLength, uint8_t direction, uint32_t timeout) {
    if (g_usePassThrough != 0) {
        return PassThroughExecute(device, cdb, cdbLength, buffer, transferLength, direction, timeout);
    }
    return AspiExecute(device, cdb, cdbLength, buffer, transferLength, direction, timeout);
}
