#pragma once

// The SCSI commands the program sends, as small objects that carry their CDB,
// data buffer, direction and time-out and, after they ran, their result code,
// a copy of the sense data and a description of the failure. Execute hands
// them to whichever transport ScsiInitialize settled on.

#include <cstdint>

#include "scsi/descriptions.h"
#include "scsi/device_records.h"

constexpr uint32_t kDefaultTimeoutSeconds = 30;
constexpr uint8_t kCdbSize = kTwelveByteCdbLength;  // the longest CDB the commands build
constexpr uint8_t kSenseSize = 32;

class CScsiCmd {
public:
    CScsiCmd();
    virtual ~CScsiCmd();

    // Clears the CDB parameters (the opcode stays), the data buffer, the sense
    // copy, the description and the result, and raises cdbLength to 12 for a
    // drive that takes 12-byte CDBs.
    virtual void Reset();
    // Runs the command on `device`, which must be set; returns the transport's
    // result code, also kept in `result`. A failure leaves its sense data in
    // `sense` and its description in `message`.
    virtual int32_t Execute();

    DriveEntry* device;  // not owned
    uint8_t cdb[kCdbSize];
    uint8_t cdbLength;
    uint8_t* buffer;  // not owned
    uint32_t transferLength;
    uint8_t direction;
    uint8_t sense[kSenseSize];
    char message[kMessageSize];
    int32_t result;
    // Seconds: pass-through hands it to the port driver; ASPI waits that long
    // and a margin before it aborts the request.
    uint32_t timeout;
};

class CTestUnitReadyCmd : public CScsiCmd {
public:
    CTestUnitReadyCmd();
    ~CTestUnitReadyCmd() override;
};

class CInquiryCmd : public CScsiCmd {
public:
    CInquiryCmd();
    ~CInquiryCmd() override;

    // CDB byte 4 = the low 8 bits of transferLength.
    void SetAllocationLength();
};

// The vendor serial-information read, opcode F1h.
class CSerialInfoCmd : public CScsiCmd {
public:
    CSerialInfoCmd();
    ~CSerialInfoCmd() override;

    // The base Reset, then the four parameters become 0.
    void Reset() override;
    // Writes the parameters into CDB bytes 1..9, most significant byte first.
    void PackCdb();

    uint8_t paramByte;
    uint32_t paramLong;
    uint16_t paramWord;
    uint16_t allocationLength;
};

// Routes one command to the transport in force: pass-through while
// g_usePassThrough is set, ASPI otherwise.
int32_t ScsiExecute(const DriveEntry* device, const uint8_t* cdb, uint8_t cdbLength, uint8_t* buffer,
                    uint32_t transferLength, uint8_t direction, uint32_t timeout);
