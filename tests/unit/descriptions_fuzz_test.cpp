// Random failures of every shape through the descriptions: whatever the
// result code, status bytes, sense data and CDB length, the text stays inside
// the 512-character buffer. The buffers are exactly as large as their callers'
// so that the sanitizers see any access past them.

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>

#include "scsi/descriptions.h"
#include "scsi/status_records.h"

namespace {

// The longest text that the tables and formats can compose.
constexpr size_t kLongestDescription = 284;

class DescriptionsFuzz : public ::testing::Test {
protected:
    void SetUp() override {
        savedLastStatus_ = g_lastStatus;
        g_lastStatus = status.get();
    }
    void TearDown() override { g_lastStatus = savedLastStatus_; }

    void Randomise(std::mt19937& random) {
        std::uniform_int_distribution<int> byte(0, 255);
        for (size_t i = 0; i < 12; ++i) cdb[i] = static_cast<uint8_t>(byte(random));
        for (size_t i = 0; i < 32; ++i) sense[i] = static_cast<uint8_t>(byte(random));
        status->SRB_Status = static_cast<uint8_t>(byte(random));
        status->SRB_HaStat = static_cast<uint8_t>(byte(random));
        status->SRB_TargStat = static_cast<uint8_t>(byte(random));
    }

    // Checks the text and that it ended where the buffer's bytes say it did.
    void ExpectBounded(int32_t result, uint8_t cdbLength) {
        std::memset(message.get(), 'q', kMessageSize - 1);
        message[kMessageSize - 1] = '\0';
        std::strcpy(message.get(), "before");
        DescribeFailure(result, cdb.get(), cdbLength, sense.get(), message.get());
        const size_t length = std::strlen(message.get());
        ASSERT_LT(length, kMessageSize);
        const int32_t describedClass = result & 7;
        if (result == -1 || result == -3 || result == -10 || describedClass == 1 || describedClass == 2 ||
            describedClass == 4) {
            EXPECT_LE(length, kLongestDescription) << "result " << result;
            EXPECT_EQ(message[length - 1], '\n');
        } else {
            EXPECT_STREQ(message.get(), "before") << "result " << result;
        }
    }

    std::unique_ptr<StatusBlock> status = std::make_unique<StatusBlock>();
    std::unique_ptr<uint8_t[]> cdb = std::make_unique<uint8_t[]>(12);
    std::unique_ptr<uint8_t[]> sense = std::make_unique<uint8_t[]>(32);
    std::unique_ptr<char[]> message = std::make_unique<char[]>(kMessageSize);

private:
    StatusBlock* savedLastStatus_ = nullptr;
};

TEST_F(DescriptionsFuzz, EveryStatusByteOfEveryField) {
    std::mt19937 random(20240611);
    for (int field = 0; field < 3; ++field) {
        for (int value = 0; value < 256; ++value) {
            Randomise(random);
            uint8_t* target = field == 0   ? &status->SRB_Status
                              : field == 1 ? &status->SRB_HaStat
                                           : &status->SRB_TargStat;
            *target = static_cast<uint8_t>(value);
            for (int32_t result : {1, 2, 4, -3}) {
                ExpectBounded(result, static_cast<uint8_t>(random() % 256));
                if (HasFatalFailure()) return;
            }
        }
    }
}

TEST_F(DescriptionsFuzz, RandomFailures) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> smallResult(-12, 12);
    for (int i = 0; i < 10000; ++i) {
        Randomise(random);
        const int32_t result =
            (i % 4 == 0) ? static_cast<int32_t>(random()) : static_cast<int32_t>(smallResult(random));
        ExpectBounded(result, static_cast<uint8_t>(i % 256));
        if (HasFatalFailure()) return;
    }
}

TEST_F(DescriptionsFuzz, EveryPartAtEveryOffsetStaysInTheBuffer) {
    std::mt19937 random(99);
    for (uint16_t offset = 0; offset < kMessageSize + 8; ++offset) {
        Randomise(random);
        std::memset(message.get(), 'q', kMessageSize - 1);
        message[kMessageSize - 1] = '\0';
        const uint16_t afterAdapter = DescribeHostAdapterStatus(message.get(), offset);
        const uint16_t afterScsi = DescribeScsiStatus(cdb.get(), static_cast<uint8_t>(random() % 256),
                                                      sense.get(), message.get(), afterAdapter);
        ASSERT_LT(std::strlen(message.get()), kMessageSize);
        if (offset < kMessageSize) {
            EXPECT_EQ(static_cast<size_t>(afterScsi), std::strlen(message.get())) << "offset " << offset;
        }
    }
}

}  // namespace
