#include "tests/fakes/fake_drives.h"

#include <algorithm>
#include <cstring>

#include "scsi/drive_device.h"
#include "scsi/pass_through.h"
#include "tests/sim_drives/aspi_request.h"
#include "tests/sim_drives/sim_device.h"

SimDrive Writer(const std::string& identification, const std::string& serialChars) {
    SimDrive writer;
    std::memset(writer.inquiry + 8, ' ', 28);
    std::memcpy(writer.inquiry + 8, identification.data(), std::min<size_t>(identification.size(), 24));
    std::memcpy(writer.serialBlock + 26, serialChars.data(), std::min<size_t>(serialChars.size(), 5));
    writer.serialBlock[49] = 0xFF;
    writer.serialBlock[64] = 0xFF;
    return writer;
}

SimDrive HardDisk() {
    SimDrive disk = Writer("OTHERCO HARD DISK 1000  ");
    disk.inquiry[0] = 0x00;
    return disk;
}

void FakeDrives::ServePassThrough(FakeOs& os) {
    for (const auto& letter : letters) {
        os.devices[DriveDevicePath(static_cast<uint8_t>(letter.first))].grantsReadWrite = !letter.second.readOnly;
    }
    os.ioctlHandler = [this, &os](const FakeIoctl& call, uint8_t* out, uint32_t& error) {
        constexpr uint32_t kInvalidParameter = 87;
        const int letter = call.path[4] - 'a';
        const SimDrive& drive = letters.at(letter);
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
        const SimOutcome outcome = AnswerCommand(&drive, 0, request.Cdb, request.DataTransferLength);
        // The port driver's timer may end the request up to a second early.
        if (outcome.waitsOutTimeOut) os.clockMilliseconds += request.TimeOutValue * 1000 - 900;
        if (outcome.systemError != 0) {
            error = static_cast<uint32_t>(outcome.systemError);
            return false;
        }
        if (!outcome.data.empty()) std::memcpy(request.DataBuffer, outcome.data.data(), outcome.data.size());
        std::memcpy(request.SenseBuffer, outcome.sense, sizeof outcome.sense);
        request.ScsiStatus = outcome.targetStatus;
        return true;
    };
}

void FakeDrives::ServeAspi(FakeAspiManager& manager) {
    manager.device = [this](StatusBlock& request) {
        std::pair<int, int> address{request.SRB_HaId, request.SRB_Target};
        commands.push_back({address, std::vector<uint8_t>(request.CDBByte, request.CDBByte + request.SRB_CDBLen)});
        auto found = targets.find(address);
        const SimDrive* drive = found == targets.end() ? nullptr : &found->second;
        DeliverOutcome(request, AnswerCommand(drive, request.SRB_Lun, request.CDBByte, request.SRB_BufLen));
    };
}
