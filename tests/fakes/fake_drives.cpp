#include "tests/fakes/fake_drives.h"

#include <algorithm>
#include <cstring>

#include "scsi/drive_device.h"
#include "scsi/pass_through.h"

namespace {

constexpr uint8_t kGood = 0x00;
constexpr uint8_t kCheckCondition = 0x02;

void SetSense(uint8_t* sense, uint8_t key, uint8_t asc) {
    sense[0] = 0x70;
    sense[2] = key;
    sense[7] = 10;
    sense[12] = asc;
}

}  // namespace

FakeDrive HardDisk() {
    FakeDrive disk;
    disk.identification = "OTHERCO HARD DISK 1000  ";
    disk.peripheral = 0x00;
    return disk;
}

FakeDrive Writer(const std::string& identification, const std::string& serialChars) {
    FakeDrive writer;
    writer.identification = identification;
    writer.serialChars = serialChars;
    return writer;
}

uint8_t FakeDrives::Answer(const FakeDrive& drive, const uint8_t* cdb, uint8_t* data,
                           uint32_t length, uint8_t* sense) {
    switch (cdb[0]) {
    case 0x00:
        if (!drive.notReady) return kGood;
        SetSense(sense, 0x02, 0x3A);  // not ready, medium not present
        return kCheckCondition;
    case 0x12: {
        uint8_t reply[40] = {};
        reply[0] = drive.peripheral;
        reply[3] = drive.versionByte;
        std::memset(reply + 8, ' ', 28);
        std::memcpy(reply + 8, drive.identification.data(), std::min<size_t>(drive.identification.size(), 24));
        std::memcpy(data, reply, std::min<uint32_t>({length, drive.inquiryDelivered, 40}));
        return kGood;
    }
    case 0xF1: {
        if (drive.serialReadFails) {
            SetSense(sense, 0x05, 0x24);  // illegal request, invalid field in CDB
            return kCheckCondition;
        }
        uint8_t block[128] = {};
        std::memcpy(block + 26, drive.serialChars.data(), std::min<size_t>(drive.serialChars.size(), 5));
        block[49] = drive.interfaceAt49;
        block[64] = drive.interfaceAt64;
        std::memcpy(data, block, std::min<uint32_t>(length, 128));
        return kGood;
    }
    default:
        SetSense(sense, 0x05, 0x20);  // invalid command operation code
        return kCheckCondition;
    }
}

void FakeDrives::ServePassThrough(FakeOs& os) {
    for (const auto& letter : letters) os.devices[DriveDevicePath(static_cast<uint8_t>(letter.first))] = {};
    os.ioctlHandler = [this](const FakeIoctl& call, uint8_t* out, uint32_t& error) {
        constexpr uint32_t kInvalidParameter = 87;
        const int letter = call.path[4] - 'a';
        const FakeDrive& drive = letters.at(letter);
        if (call.code == kIoctlScsiGetCapabilities) {
            reinterpret_cast<ScsiCapabilities*>(out)->AlignmentMask = drive.alignmentMask;
            return true;
        }
        if (call.code != kIoctlScsiPassThroughDirect) return false;
        auto& request = *reinterpret_cast<PassThroughRequest*>(out);
        if ((reinterpret_cast<uintptr_t>(request.DataBuffer) & drive.alignmentMask) != 0) {
            error = kInvalidParameter;
            return false;
        }
        commands.push_back({{0, letter}, std::vector<uint8_t>(request.Cdb, request.Cdb + request.CdbLength)});
        request.ScsiStatus = Answer(drive, request.Cdb, static_cast<uint8_t*>(request.DataBuffer),
                                    request.DataTransferLength, request.SenseBuffer);
        return true;
    };
}

void FakeDrives::ServeAspi(FakeAspiManager& manager) {
    manager.device = [this](StatusBlock& request) {
        std::pair<int, int> address{request.SRB_HaId, request.SRB_Target};
        commands.push_back({address, std::vector<uint8_t>(request.CDBByte, request.CDBByte + request.SRB_CDBLen)});
        auto found = targets.find(address);
        if (found == targets.end()) {
            request.SRB_Status = 0x04;     // completed with error
            request.SRB_HaStat = 0x11;     // selection time-out
            return;
        }
        request.SRB_TargStat = Answer(found->second, request.CDBByte, request.SRB_BufPointer,
                                      request.SRB_BufLen, request.SenseArea);
        if (request.SRB_TargStat != kGood) request.SRB_Status = 0x04;
    };
}
