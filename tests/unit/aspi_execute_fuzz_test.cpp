// Random manager answers through ASPI execution and the command objects: the
// result is always one of the transport's codes and agrees with the order of
// tests, the request never carries more CDB bytes than it holds, events and
// bounce buffers never leak, and sense copies and descriptions stay inside
// their buffers.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "scsi/aspi_execute.h"
#include "scsi/commands.h"
#include "scsi/status_records.h"
#include "tests/fakes/scoped_aspi_transport.h"

namespace {

struct Answer {
    uint8_t requestStatus;
    uint8_t hostAdapterStatus;
    uint8_t targetStatus;
    uint8_t senseLength;
    uint8_t senseArea[16];
};

Answer RandomAnswer(std::mt19937& random) {
    std::uniform_int_distribution<int> byte(0, 255);
    // Mostly the codes that matter, now and then any byte at all.
    const uint8_t requestStatuses[] = {0x00, 0x01, 0x02, 0x04, 0x80, 0x82, 0xE1};
    const uint8_t hostAdapterStatuses[] = {0x00, 0x00, 0x11, 0x12, 0x14};
    const uint8_t targetStatuses[] = {0x00, 0x00, 0x02, 0x08, 0x18};
    Answer answer{};
    answer.requestStatus = random() % 4 == 0 ? static_cast<uint8_t>(byte(random))
                                             : requestStatuses[random() % sizeof requestStatuses];
    answer.hostAdapterStatus = random() % 4 == 0 ? static_cast<uint8_t>(byte(random))
                                                 : hostAdapterStatuses[random() % sizeof hostAdapterStatuses];
    answer.targetStatus = random() % 4 == 0 ? static_cast<uint8_t>(byte(random))
                                            : targetStatuses[random() % sizeof targetStatuses];
    answer.senseLength = static_cast<uint8_t>(byte(random));
    for (uint8_t& value : answer.senseArea) value = static_cast<uint8_t>(byte(random));
    if (random() % 3 == 0) answer.senseArea[2] = 0;
    return answer;
}

// The order of tests, later ones overriding: request status, host-adapter
// status, target status with sense data.
int32_t ExpectedResult(const Answer& answer, bool finished) {
    int32_t result = 0;
    if (!finished || (answer.requestStatus != 0x00 && answer.requestStatus != 0x01)) result = 1;
    if (answer.hostAdapterStatus != 0x00 && answer.hostAdapterStatus != 0x12) result = 2;
    if (answer.targetStatus != 0 && answer.senseArea[2] != 0) result = 4;
    return result;
}

class AspiExecuteFuzz : public ::testing::Test {
protected:
    void SetUp() override {
        manager().adapters.resize(3);
        manager().adapters[1].alignmentMask = 3;
        manager().adapters[2].alignmentMask = 0x1F;
        manager().device = [this](StatusBlock& request) {
            request.SRB_Status = answer.requestStatus;
            request.SRB_HaStat = answer.hostAdapterStatus;
            request.SRB_TargStat = answer.targetStatus;
            request.SRB_SenseLen = answer.senseLength;
            std::memcpy(request.SenseArea, answer.senseArea, sizeof answer.senseArea);
        };
    }

    FakeOs& os() { return aspi.fake.os; }
    FakeAspiManager& manager() { return aspi.manager; }

    // Scripts the next command; returns whether it can reach the manager and
    // whether its wait (if any) succeeds.
    void Script(std::mt19937& random, bool& reachesManager, bool& finished, uint8_t direction) {
        answer = RandomAnswer(random);
        os().eventCreationFails = random() % 20 == 0;
        os().allocationFails = random() % 10 == 0;
        os().allocationMisalignment = random() % 8;
        manager().completesLater = random() % 8 == 0;
        // A manager that answers pending within the call is waited for; that
        // wait can only be ended by failing it.
        const bool pendingWithinTheCall = !manager().completesLater && answer.requestStatus == 0x00;
        os().waitFails = pendingWithinTheCall;
        finished = !pendingWithinTheCall;
        const bool bounces = (direction & 0x18) == 0x10 && manager().adapters[drive.adapterId].alignmentMask != 0;
        reachesManager = !os().eventCreationFails && !(bounces && os().allocationFails);
        manager().executed.clear();
    }

    void ExpectNothingLeft() {
        EXPECT_EQ(os().LiveEventCount(), 0u);
        EXPECT_EQ(os().LiveAllocationCount(), 0u);
    }

    ScopedAspiTransport aspi;
    DriveEntry drive{};
    Answer answer{};
};

TEST_F(AspiExecuteFuzz, RandomOutcomesThroughAspiExecute) {
    std::mt19937 random(4242);
    for (int i = 0; i < 1000; ++i) {
        drive.adapterId = static_cast<uint8_t>(random() % 3);
        drive.twelveByteCdb = random() % 4 == 0 ? 1 : 0;
        const uint8_t cdbLength = static_cast<uint8_t>(random() % 256);
        const uint8_t direction = static_cast<uint8_t>(random() % 256);
        const size_t cdbBytesRead = drive.twelveByteCdb == 1 ? 12 : std::min<size_t>(cdbLength, 16);
        std::vector<uint8_t> cdb(std::max<size_t>(cdbBytesRead, 1), 0xC5);
        std::vector<uint8_t> data(random() % 64 + 1, 0x5C);
        const uint32_t transferLength = static_cast<uint32_t>(random() % data.size());
        bool reachesManager = false;
        bool finished = false;
        Script(random, reachesManager, finished, direction);

        const int32_t result = AspiExecute(&drive, cdb.data(), cdbLength, data.data(), transferLength, direction);

        if (!reachesManager) {
            EXPECT_TRUE(result == -1 || result == -10) << "iteration " << i;
            EXPECT_TRUE(manager().executed.empty()) << "iteration " << i;
        } else {
            ASSERT_EQ(manager().executed.size(), 1u) << "iteration " << i;
            EXPECT_EQ(result, ExpectedResult(answer, finished)) << "iteration " << i;
            EXPECT_EQ(manager().executed[0].SRB_CDBLen, cdbBytesRead) << "iteration " << i;
            if (result != 4) {
                EXPECT_EQ(g_aspiExecSrb.SRB_TargStat, 0) << "iteration " << i;
            }
        }
        EXPECT_EQ(g_lastStatus, &g_aspiExecSrb);
        ExpectNothingLeft();
        if (HasFailure()) return;
    }
}

TEST_F(AspiExecuteFuzz, RandomOutcomesThroughCommandObjects) {
    std::mt19937 random(777);
    for (int i = 0; i < 700; ++i) {
        drive.adapterId = static_cast<uint8_t>(random() % 3);
        drive.twelveByteCdb = random() % 4 == 0 ? 1 : 0;
        std::vector<uint8_t> data(40);
        CInquiryCmd inquiry;
        inquiry.device = &drive;
        inquiry.buffer = data.data();
        inquiry.transferLength = static_cast<uint32_t>(data.size());
        inquiry.Reset();
        inquiry.SetAllocationLength();
        inquiry.cdbLength = static_cast<uint8_t>(random() % 256);
        inquiry.direction = static_cast<uint8_t>(random() % 256);
        std::memset(inquiry.sense, 0xEE, sizeof inquiry.sense);
        bool reachesManager = false;
        bool finished = false;
        Script(random, reachesManager, finished, inquiry.direction);

        const int32_t result = inquiry.Execute();

        EXPECT_TRUE(result == 0 || result == 1 || result == 2 || result == 4 || result == -1 || result == -10)
            << "iteration " << i << " result " << result;
        EXPECT_EQ(inquiry.result, result);
        EXPECT_LT(std::strlen(inquiry.message), kMessageSize);
        if (result != 0) {
            const size_t copied = std::min<size_t>(g_aspiExecSrb.SRB_SenseLen, 16);
            for (size_t b = copied; b < kSenseSize; ++b) {
                EXPECT_EQ(inquiry.sense[b], 0xEE) << "iteration " << i << " byte " << b;
            }
            EXPECT_EQ(std::memcmp(inquiry.sense, g_aspiExecSrb.SenseArea, copied), 0) << "iteration " << i;
            EXPECT_NE(inquiry.message[0], '\0') << "iteration " << i;
        } else {
            EXPECT_STREQ(inquiry.message, "");
        }
        ExpectNothingLeft();
        if (HasFailure()) return;
    }
}

}  // namespace
