#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "scsi/buffer_alignment.h"
#include "scsi/enumerate.h"
#include "scsi/transport.h"
#include "tests/fakes/fake_drives.h"
#include "tests/fakes/scsi_state.h"

namespace {

const std::string kWriter = "KORVANE DVDR   KV-948A  ";
const std::vector<uint8_t> kInquiryCdb = {0x12, 0x00, 0x00, 0x00, 0x28, 0x00};

class PassThroughEnumeration : public ::testing::Test {
protected:
    void SetUp() override { ResetScsiState(); }
    void TearDown() override { ResetScsiState(); }

    int32_t Enumerate(uint16_t maxCount = 26) {
        drives.ServePassThrough(fake.os);
        EXPECT_EQ(ScsiInitialize(0), kTransportPassThrough);
        return ScsiEnumerateDrives(entries, maxCount);
    }

    std::vector<int> InquiredLetters() const {
        std::vector<int> letters;
        for (const FakeCommand& command : drives.commands) {
            if (command.cdb == kInquiryCdb) letters.push_back(command.address.second);
        }
        return letters;
    }

    ScopedFakeOs fake;
    FakeDrives drives;
    DriveEntry entries[26] = {};
};

TEST_F(PassThroughEnumeration, SkipsAHardDiskAndTakesTheWriterBehindIt) {
    drives.letters[2] = HardDisk();
    drives.letters[3] = Writer(kWriter);

    ASSERT_EQ(Enumerate(), 1);
    EXPECT_EQ(entries[0].targetId, 3);
    EXPECT_EQ(entries[0].adapterId, 0);
    EXPECT_EQ(entries[0].lun, 0);
    EXPECT_EQ(entries[0].driveLetter, 3);
    EXPECT_EQ(entries[0].twelveByteCdb, 0);
    EXPECT_EQ(std::string(entries[0].vendorId, 24), kWriter);
    EXPECT_EQ(InquiredLetters(), (std::vector<int>{2, 3}));
    EXPECT_EQ(fake.os.OpenDeviceCount(), 1u) << "only the transport's cached device stays open";
}

TEST_F(PassThroughEnumeration, WalksCThroughZAndNeverAOrB) {
    Enumerate();
    std::vector<std::string> probed;
    for (const FakeOpen& open : fake.os.opens) {
        if (open.access == (kGenericRead | kGenericWrite)) probed.push_back(open.path);
    }
    ASSERT_EQ(probed.size(), 24u);
    EXPECT_EQ(probed.front(), "\\\\.\\c:");
    EXPECT_EQ(probed.back(), "\\\\.\\z:");
}

// The letter opens for reading only, which proves that it exists; but the
// system refuses a pass-through request on such a handle, so the drive never
// answers its INQUIRY and is not listed.
TEST_F(PassThroughEnumeration, ALetterThatOpensOnlyForReadingIsProbedButNotListed) {
    drives.letters[4] = Writer(kWriter);
    drives.letters[4].readOnly = true;
    drives.letters[5] = Writer(kWriter);

    ASSERT_EQ(Enumerate(), 1);
    EXPECT_EQ(entries[0].driveLetter, 5);
    EXPECT_EQ(InquiredLetters(), (std::vector<int>{5}));
    size_t readOnlyOpensOfE = 0;
    for (const FakeOpen& open : fake.os.opens) {
        if (open.path == "\\\\.\\e:" && open.access == kGenericRead && open.succeeded) ++readOnlyOpensOfE;
    }
    EXPECT_GE(readOnlyOpensOfE, 2u) << "opened to prove the letter, and again for the probes";
}

TEST_F(PassThroughEnumeration, NeverOpensANetworkLetter) {
    drives.letters[6] = Writer(kWriter);
    drives.letters[7] = Writer(kWriter);
    fake.os.driveTypes["g:\\"] = kDriveRemote;

    ASSERT_EQ(Enumerate(), 1);
    EXPECT_EQ(entries[0].driveLetter, 7);
    ASSERT_EQ(fake.os.driveTypeQueries.size(), 24u);
    EXPECT_EQ(fake.os.driveTypeQueries.front(), "c:\\");
    EXPECT_EQ(fake.os.driveTypeQueries.back(), "z:\\");
    for (const FakeOpen& open : fake.os.opens) EXPECT_NE(open.path, "\\\\.\\g:");
}

TEST_F(PassThroughEnumeration, StopsAtMaxCountBeforeProbingTheNextAddress) {
    drives.letters[3] = Writer(kWriter);
    drives.letters[5] = Writer(kWriter);
    ASSERT_EQ(Enumerate(1), 1);
    EXPECT_EQ(InquiredLetters(), (std::vector<int>{3}));
}

TEST_F(PassThroughEnumeration, WritesNoSlotWhenThereIsNoRoom) {
    drives.letters[3] = Writer(kWriter);
    DriveEntry untouched = entries[0];
    EXPECT_EQ(Enumerate(0), 0);
    EXPECT_EQ(std::memcmp(&entries[0], &untouched, sizeof untouched), 0);
}

struct InquiryCase {
    const char* name;
    SimDrive drive;
    bool accepted;
    int32_t twelveByteCdb;
};

SimDrive With(SimDrive drive, void (*change)(SimDrive&)) {
    change(drive);
    return drive;
}

class InquiryAcceptance : public ::testing::TestWithParam<InquiryCase> {};

TEST_P(InquiryAcceptance, DecidesFromTheInquiryAlone) {
    ResetScsiState();
    ScopedFakeOs fake;
    FakeDrives drives;
    drives.letters[3] = GetParam().drive;
    drives.ServePassThrough(fake.os);
    ASSERT_EQ(ScsiInitialize(0), kTransportPassThrough);
    DriveEntry entries[26] = {};
    const int32_t found = ScsiEnumerateDrives(entries, 26);
    ASSERT_EQ(found, GetParam().accepted ? 1 : 0) << GetParam().name;
    if (found == 1) {
        EXPECT_EQ(entries[0].twelveByteCdb, GetParam().twelveByteCdb) << GetParam().name;
    }
    ResetScsiState();
}

INSTANTIATE_TEST_SUITE_P(
    Table, InquiryAcceptance,
    ::testing::Values(
        InquiryCase{"writer", Writer(kWriter), true, 0},
        InquiryCase{"no medium",
                    With(Writer(kWriter), [](SimDrive& d) { d.failures.push_back(CheckCondition(0x00, 0x02, 0x3A, 0)); }),
                    true, 0},
        InquiryCase{"qualifier 1", With(Writer(kWriter), [](SimDrive& d) { d.inquiry[0] = 0x25; }), false, 0},
        InquiryCase{"hard disk", HardDisk(), false, 0},
        InquiryCase{"ATAPI version", With(Writer(kWriter), [](SimDrive& d) { d.inquiry[3] = 0x32; }), true, 1},
        InquiryCase{"SCSI-2 version", With(Writer(kWriter), [](SimDrive& d) { d.inquiry[3] = 0x02; }), true, 0}));

TEST(ShortInquiry, LeavesTheBytesNotSentAtZero) {
    ResetScsiState();
    ScopedFakeOs fake;
    FakeDrives drives;
    drives.letters[3] = Writer(kWriter);
    drives.letters[3].inquiry[4] = 15;  // 20 bytes: the vendor and four product characters
    drives.ServePassThrough(fake.os);
    ASSERT_EQ(ScsiInitialize(0), kTransportPassThrough);
    DriveEntry entries[26];
    std::memset(entries, 0xAA, sizeof entries);
    ASSERT_EQ(ScsiEnumerateDrives(entries, 26), 1);
    EXPECT_EQ(std::string(entries[0].vendorId, 12), "KORVANE DVDR");
    for (size_t i = 8; i < 16; ++i) {
        EXPECT_EQ(entries[0].productId[i], 0) << i;
    }
    ResetScsiState();
}

class AspiEnumeration : public ::testing::Test {
protected:
    void SetUp() override { ResetScsiState(); }
    void TearDown() override { ResetScsiState(); }

    int32_t Enumerate(uint16_t maxCount = 26) {
        drives.ServeAspi(manager);
        manager.supportInfo = (SS_COMP << 8) | manager.adapters.size();
        EXPECT_EQ(ScsiInitialize(0), static_cast<int32_t>(manager.adapters.size() + 1));
        manager.inquiries.clear();  // the one that tried the first adapter
        return ScsiEnumerateDrives(entries, maxCount);
    }

    std::vector<std::pair<int, int>> InquiredTargets() const {
        std::vector<std::pair<int, int>> targets;
        for (const FakeCommand& command : drives.commands) {
            if (command.cdb == kInquiryCdb) targets.push_back(command.address);
        }
        return targets;
    }

    ScopedFakeOs fake;
    FakeAspiManager manager{fake.os};
    FakeDrives drives;
    DriveEntry entries[26] = {};
};

TEST_F(AspiEnumeration, WalksEveryTargetOfEveryAdapterAndSkipsTheIdPastTheLast) {
    manager.adapters = {{0, 0}, {3, 16}};
    drives.targets[{0, 5}] = Writer(kWriter);
    drives.targets[{1, 12}] = Writer(kWriter);

    ASSERT_EQ(Enumerate(), 2);
    EXPECT_EQ(entries[0].adapterId, 0);
    EXPECT_EQ(entries[0].targetId, 5);
    EXPECT_EQ(entries[1].adapterId, 1);
    EXPECT_EQ(entries[1].targetId, 12);
    EXPECT_EQ(InquiredTargets().size(), 8u + 16u) << "0 in HA_Unique byte 3 means 8 targets";
    ASSERT_EQ(manager.inquiries.size(), 3u);
    EXPECT_EQ(manager.inquiries.back().SRB_HaId, 2);
    EXPECT_EQ(KnownAlignmentMask(1), 3u);
    EXPECT_EQ(KnownAlignmentMask(2), std::nullopt);
}

TEST_F(AspiEnumeration, StopsAtMaxCount) {
    manager.adapters = {{0, 4}};
    drives.targets[{0, 1}] = Writer(kWriter);
    drives.targets[{0, 2}] = Writer(kWriter);
    ASSERT_EQ(Enumerate(1), 1);
    EXPECT_EQ(InquiredTargets(), (std::vector<std::pair<int, int>>{{0, 0}, {0, 1}}));
}

}  // namespace
