#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <memory>
#include <random>
#include <set>

#include "scsi/drive_device.h"
#include "scsi/pass_through.h"
#include "scsi/status_records.h"
#include "scsi/transport.h"
#include "tests/fakes/fake_os.h"
#include "tests/fakes/scsi_state.h"
#include "tests/unit/cdb_length_cases.h"

namespace {

constexpr uint32_t kGetCapabilities = 0x41010;
constexpr int kRounds = 6000;

uint32_t Get32(const uint8_t* bytes) {
    uint32_t value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

// Random drives, devices, answers and arguments. Buffers are exactly as long
// as the arguments promise, so that any access past them is caught by the
// address sanitizer; the handle cache and the bounce buffers must balance
// after every command.
TEST(PassThroughFuzz, EveryOutcomeIsAKnownResultAndNothingLeaks) {
    ScopedFakeOs fake;
    ResetScsiState();
    g_usePassThrough = 1;
    std::mt19937 random(20240611);
    auto below = [&random](uint32_t bound) { return std::uniform_int_distribution<uint32_t>(0, bound - 1)(random); };
    const uint32_t masks[] = {0, 1, 3, 7, 0x1FF};

    fake.os.ioctlHandler = [&](const FakeIoctl& call, uint8_t* out, uint32_t& error) {
        error = below(2) ? below(0x10000) : static_cast<uint32_t>(random());
        const bool succeeded = below(3) != 0;
        if (call.code == kGetCapabilities) {
            const uint32_t mask = masks[below(5)];
            std::memcpy(out + 16, &mask, sizeof mask);
            return succeeded;
        }
        EXPECT_EQ(call.input.size(), 80u);
        auto* data = reinterpret_cast<uint8_t*>(static_cast<uintptr_t>(Get32(out + 20)));
        const uint32_t length = Get32(out + 12);
        if (length > 0 && out[8] == 1) std::memset(data, 0x5A, length);
        if (length > 0 && out[8] == 0) {
            volatile uint8_t sink = 0;
            for (uint32_t i = 0; i < length; ++i) sink = sink ^ data[i];
        }
        out[2] = below(2) ? 0 : static_cast<uint8_t>(below(256));
        const uint8_t senseLength = out[7];
        for (uint8_t i = 0; i < senseLength; ++i) out[48 + i] = below(4) ? 0 : static_cast<uint8_t>(below(256));
        return succeeded;
    };

    const std::set<int32_t> known = {0, 4, -1, -3, -10};
    std::set<int32_t> seen;
    for (int round = 0; round < kRounds; ++round) {
        DriveEntry drive{};
        drive.driveLetter = static_cast<uint8_t>(2 + below(4));
        const CdbLengthCase& cdbCase = kCdbLengthCases[below(std::size(kCdbLengthCases))];
        drive.twelveByteCdb = cdbCase.twelveByteCdb;
        FakeDevice& device = fake.os.devices[DriveDevicePath(drive.driveLetter)];
        device.grantsReadWrite = below(4) != 0;
        device.grantsReadOnly = below(4) != 0;
        if (below(50) == 0) ScsiInitialize(1);
        fake.os.allocationFails = below(8) == 0;
        fake.os.allocationMisalignment = below(8);

        std::unique_ptr<uint8_t[]> cdb(new uint8_t[cdbCase.sent]);
        std::memset(cdb.get(), 0xC3, cdbCase.sent);
        const uint32_t transferLength = below(65);
        std::unique_ptr<uint8_t[]> buffer(new uint8_t[transferLength]);
        std::memset(buffer.get(), 0x3C, transferLength);
        const uint8_t direction = static_cast<uint8_t>(below(256));

        const int32_t result = PassThroughExecute(&drive, cdb.get(), cdbCase.cdbLength, buffer.get(), transferLength,
                                                  direction, below(100));

        ASSERT_EQ(known.count(result), 1u) << "round " << round << " gave " << result;
        seen.insert(result);
        ASSERT_EQ(fake.os.OpenDeviceCount(), g_deviceHandle != nullptr ? 1u : 0u) << "round " << round;
        ASSERT_EQ(fake.os.LiveAllocationCount(), 0u) << "round " << round;
        ASSERT_EQ(g_lastStatus, &g_passThroughStatus);
        for (const FakeIoctl& call : fake.os.ioctls) {
            if (call.code != kGetCapabilities) {
                ASSERT_EQ(call.input[6], cdbCase.sent) << "round " << round;
            }
        }
        if (result != 0) {
            ASSERT_EQ(g_deviceHandle, nullptr) << "round " << round;
        }
        fake.os.ioctls.clear();
        fake.os.opens.clear();
    }
    EXPECT_EQ(seen, known) << "the rounds should reach every outcome";
}

}  // namespace
