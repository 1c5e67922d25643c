// Random manager answers through ASPI execution and the command objects. Each
// answer is drawn from a table whose results are written out, with everything
// the result must not depend on varied around it: the result is the table's,
// the request carries the CDB bytes written out for its length, events and
// bounce buffers never leak, and sense copies and descriptions stay inside
// their buffers.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <random>
#include <vector>

#include "scsi/aspi_execute.h"
#include "scsi/commands.h"
#include "scsi/status_records.h"
#include "scsi/transport.h"
#include "tests/fakes/scoped_aspi_transport.h"
#include "tests/unit/cdb_length_cases.h"

namespace {

constexpr uint32_t kTimeoutSeconds = 30;

// A field of a table row is a given byte or any byte of a class.
constexpr int kAnyByte = -1;
// Any byte that is no success value of its field: for the request status
// neither 00h nor 01h, for the host-adapter status neither 00h nor 12h, for
// the target status and the sense key byte not 00h.
constexpr int kFailingByte = -2;

enum class Completion { Either, AtTheEvent, Never };

struct AnswerRow {
    const char* name;
    int requestStatus;
    int hostAdapterStatus;
    int targetStatus;
    int senseKeyByte;
    Completion completion;
    int32_t result;
};

const AnswerRow kAnswers[] = {
    {"completed", 0x01, 0x00, 0x00, kAnyByte, Completion::Either, 0},
    {"completed with over-run or under-run", 0x01, 0x12, 0x00, kAnyByte, Completion::Either, 0},
    {"pending until the event", 0x00, 0x00, 0x00, kAnyByte, Completion::AtTheEvent, 0},
    {"target status without sense", 0x01, 0x00, kFailingByte, 0x00, Completion::Either, 0},
    {"request failure", kFailingByte, 0x00, 0x00, kAnyByte, Completion::Either, 1},
    {"request failure, over-run, target status without sense", kFailingByte, 0x12, kFailingByte, 0x00,
     Completion::Either, 1},
    {"never finished", 0x00, 0x00, 0x00, kAnyByte, Completion::Never, 1},
    {"adapter failure", kAnyByte, kFailingByte, 0x00, kAnyByte, Completion::Either, 2},
    {"adapter failure, target status without sense", kAnyByte, kFailingByte, kFailingByte, 0x00,
     Completion::Either, 2},
    {"check condition", kAnyByte, kAnyByte, kFailingByte, kFailingByte, Completion::Either, 4},
};

uint8_t Draw(std::mt19937& random, int field, std::initializer_list<uint8_t> successes) {
    if (field >= 0) return static_cast<uint8_t>(field);
    for (;;) {
        const auto value = static_cast<uint8_t>(random() % 256);
        if (field == kAnyByte || std::find(successes.begin(), successes.end(), value) == successes.end()) {
            return value;
        }
    }
}

struct Answer {
    uint8_t requestStatus;
    uint8_t hostAdapterStatus;
    uint8_t targetStatus;
    uint8_t senseLength;
    uint8_t senseArea[16];
};

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

    // Scripts the next command from a row of answers. After a request the
    // manager kept, the next round plays a fresh process.
    const AnswerRow& Script(std::mt19937& random) {
        if (AspiManagerAbandoned()) aspi.StartAfresh();
        const AnswerRow& row = kAnswers[random() % std::size(kAnswers)];
        answer.requestStatus = Draw(random, row.requestStatus, {0x00, 0x01});
        answer.hostAdapterStatus = Draw(random, row.hostAdapterStatus, {0x00, 0x12});
        answer.targetStatus = Draw(random, row.targetStatus, {0x00});
        answer.senseLength = static_cast<uint8_t>(random() % 256);
        for (uint8_t& value : answer.senseArea) value = static_cast<uint8_t>(random() % 256);
        answer.senseArea[2] = Draw(random, row.senseKeyByte, {0x00});
        os().eventCreationFails = random() % 20 == 0;
        os().allocationFails = random() % 10 == 0;
        os().allocationMisalignment = random() % 8;
        manager().completesLater = row.completion == Completion::AtTheEvent ||
                                   (row.completion == Completion::Either && random() % 8 == 0);
        // A request the manager leaves pending within the call and never
        // completes: the wait for it runs out.
        neverFinished = !manager().completesLater && answer.requestStatus == 0x00;
        os().waitsRunOut = neverFinished;
        manager().executed.clear();
        return row;
    }

    // Without an event nothing is sent; without memory for an aligned copy
    // nothing is sent either; a request never finished is left to the
    // manager; whatever else is sent ends in the row's result.
    void ExpectOutcome(const AnswerRow& row, int32_t result) {
        if (os().eventCreationFails) {
            EXPECT_EQ(result, -1);
            EXPECT_TRUE(manager().executed.empty());
        } else if (manager().executed.empty()) {
            EXPECT_TRUE(os().allocationFails);
            EXPECT_EQ(result, -10);
        } else if (neverFinished) {
            EXPECT_EQ(result, 1) << row.name;
            EXPECT_TRUE(AspiManagerAbandoned());
            // Its event and aligned copy stay the manager's.
            ++eventsHeld;
            allocationsHeld = os().LiveAllocationCount();
        } else {
            EXPECT_EQ(result, row.result) << row.name;
            EXPECT_EQ(g_aspiExecSrb.SRB_TargStat, row.result == 4 ? answer.targetStatus : 0) << row.name;
        }
        EXPECT_EQ(os().LiveEventCount(), eventsHeld);
        EXPECT_EQ(os().LiveAllocationCount(), allocationsHeld);
    }

    ScopedAspiTransport aspi;
    DriveEntry drive{};
    Answer answer{};
    bool neverFinished = false;
    size_t eventsHeld = 0;
    size_t allocationsHeld = 0;
};

TEST_F(AspiExecuteFuzz, RandomOutcomesThroughAspiExecute) {
    std::mt19937 random(4242);
    for (int i = 0; i < 1000; ++i) {
        SCOPED_TRACE(i);
        const CdbLengthCase& cdbCase = kCdbLengthCases[random() % std::size(kCdbLengthCases)];
        drive.adapterId = static_cast<uint8_t>(random() % 3);
        drive.twelveByteCdb = cdbCase.twelveByteCdb;
        // Exactly as many bytes as the request may carry: one more read is caught.
        std::vector<uint8_t> cdb(std::max<size_t>(cdbCase.sent, 1));
        for (size_t b = 0; b < cdb.size(); ++b) cdb[b] = static_cast<uint8_t>(0xC0 + b);
        std::vector<uint8_t> data(random() % 64 + 1, 0x5C);
        const uint32_t transferLength = static_cast<uint32_t>(random() % data.size());
        const uint8_t direction = static_cast<uint8_t>(random() % 256);
        const AnswerRow& row = Script(random);

        const int32_t result =
            AspiExecute(&drive, cdb.data(), cdbCase.cdbLength, data.data(), transferLength, direction, kTimeoutSeconds);

        ExpectOutcome(row, result);
        if (!manager().executed.empty()) {
            const StatusBlock& sent = manager().executed[0];
            EXPECT_EQ(sent.SRB_CDBLen, cdbCase.sent);
            EXPECT_EQ(std::vector<uint8_t>(sent.CDBByte, sent.CDBByte + cdbCase.sent),
                      std::vector<uint8_t>(cdb.begin(), cdb.begin() + cdbCase.sent));
        }
        EXPECT_EQ(g_lastStatus, &g_aspiExecSrb);
        if (HasFailure()) return;
    }
}

TEST_F(AspiExecuteFuzz, RandomOutcomesThroughCommandObjects) {
    std::mt19937 random(777);
    for (int i = 0; i < 700; ++i) {
        SCOPED_TRACE(i);
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
        const AnswerRow& row = Script(random);

        const int32_t result = inquiry.Execute();

        ExpectOutcome(row, result);
        EXPECT_EQ(inquiry.result, result);
        EXPECT_LT(std::strlen(inquiry.message), kMessageSize);
        if (result != 0) {
            const size_t copied = std::min<size_t>(g_aspiExecSrb.SRB_SenseLen, 16);
            for (size_t b = copied; b < kSenseSize; ++b) {
                EXPECT_EQ(inquiry.sense[b], 0xEE) << "byte " << b;
            }
            EXPECT_EQ(std::memcmp(inquiry.sense, g_aspiExecSrb.SenseArea, copied), 0);
            EXPECT_NE(inquiry.message[0], '\0');
        } else {
            EXPECT_STREQ(inquiry.message, "");
        }
        if (HasFailure()) return;
    }
}

}  // namespace
