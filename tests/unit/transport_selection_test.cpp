#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "scsi/buffer_alignment.h"
#include "scsi/transport.h"
#include "tests/fakes/fake_aspi_manager.h"
#include "tests/fakes/fake_os.h"
#include "tests/fakes/scsi_state.h"

namespace {

constexpr uint32_t kWindows9x = 1;  // VER_PLATFORM_WIN32_WINDOWS
constexpr uint8_t kNoAdapters = 0xE8;

enum class Library { Missing, Complete, WithoutSend, WithoutSupportInfo, RefusingRequests, WithoutAdapters };

struct SelectionCase {
    const char* name;
    uint32_t platformId;
    Library library;
    uint32_t supportInfo;
    uint8_t forcePassThrough;
    int32_t expectedResult;
    int32_t expectedPassThrough;
    uint8_t expectedScanCount;
    int expectedSupportInfoCalls;
};

constexpr uint8_t kUntouchedScanCount = 9;

const SelectionCase kSelectionCases[] = {
    {"NtWithoutLibrary", kPlatformWin32Nt, Library::Missing, 0, 0, -1, 1, 1, 0},
    {"NineXWithoutLibrary", kWindows9x, Library::Missing, 0, 0, 0, 0, kUntouchedScanCount, 0},
    {"NtOneAdapter", kPlatformWin32Nt, Library::Complete, 0x0101, 0, 2, 0, 2, 1},
    {"NineXOneAdapter", kWindows9x, Library::Complete, 0x0101, 0, 2, 0, 2, 1},
    {"NtThreeAdapters", kPlatformWin32Nt, Library::Complete, 0x0103, 0, 4, 0, 4, 1},
    {"ReadyWithoutAdapters", kPlatformWin32Nt, Library::Complete, 0x0100, 0, 1, 0, 1, 1},
    {"HighBitsIgnored", kWindows9x, Library::Complete, 0xABCD0102, 0, 3, 0, 3, 1},
    {"NtNoAdapterStatus", kPlatformWin32Nt, Library::Complete, kNoAdapters << 8, 0, -1, 1, 1, 1},
    {"NineXNoAdapterStatus", kWindows9x, Library::Complete, kNoAdapters << 8, 0, 0, 0,
     kUntouchedScanCount, 1},
    {"NtPendingStatus", kPlatformWin32Nt, Library::Complete, 0x0001, 0, -1, 1, 1, 1},
    {"NtSendMissing", kPlatformWin32Nt, Library::WithoutSend, 0x0101, 0, -1, 1, 1, 0},
    {"NtSupportInfoMissing", kPlatformWin32Nt, Library::WithoutSupportInfo, 0x0101, 0, -1, 1, 1, 0},
    {"NineXSendMissing", kWindows9x, Library::WithoutSend, 0x0101, 0, 0, 0, kUntouchedScanCount, 0},
    // Ready by its support query, yet its first adapter does not answer.
    {"NtManagerRefusingRequests", kPlatformWin32Nt, Library::RefusingRequests, 0x0101, 0, -1, 1, 1, 1},
    {"NineXManagerRefusingRequests", kWindows9x, Library::RefusingRequests, 0x0101, 0, 0, 0,
     kUntouchedScanCount, 1},
    {"NtReadyButNoAdapterAnswers", kPlatformWin32Nt, Library::WithoutAdapters, 0x0100, 0, -1, 1, 1, 1},
    {"NtForced", kPlatformWin32Nt, Library::Complete, 0x0101, 1, -1, 1, 1, 0},
    {"NineXForced", kWindows9x, Library::Complete, 0x0101, 1, 0, 0, kUntouchedScanCount, 0},
};

class TransportSelection : public ::testing::TestWithParam<SelectionCase> {
protected:
    void SetUp() override { ResetScsiState(); }
    ScopedFakeOs fake;
};

TEST_P(TransportSelection, PicksTheTransportInForce) {
    const SelectionCase& row = GetParam();
    fake.os.platformId = row.platformId;
    FakeAspiManager manager(fake.os);
    manager.supportInfo = row.supportInfo;
    const std::string libraryPath = FakeAspiManager::LibraryPath(fake.os);
    auto& entries = fake.os.libraries[libraryPath].entries;
    if (row.library == Library::Missing) fake.os.libraries.clear();
    if (row.library == Library::WithoutSend) entries.erase(kSendAspi32CommandName);
    if (row.library == Library::WithoutSupportInfo) entries.erase(kGetAspi32SupportInfoName);
    manager.refusesEveryRequest = row.library == Library::RefusingRequests;
    if (row.library == Library::WithoutAdapters) manager.adapters.clear();
    g_usePassThrough = row.platformId == kPlatformWin32Nt ? 0 : 1;  // the opposite of the platform's
    g_adapterScanCount = kUntouchedScanCount;

    EXPECT_EQ(ScsiInitialize(row.forcePassThrough), row.expectedResult);
    EXPECT_EQ(g_usePassThrough, row.expectedPassThrough);
    EXPECT_EQ(g_adapterScanCount, row.expectedScanCount);
    EXPECT_EQ(manager.supportInfoCalls, row.expectedSupportInfoCalls);
    if (row.forcePassThrough != 0) {
        EXPECT_TRUE(fake.os.loadAttempts.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Table, TransportSelection, ::testing::ValuesIn(kSelectionCases),
                         [](const auto& info) { return std::string(info.param.name); });

class TransportInitialisation : public ::testing::Test {
protected:
    void SetUp() override { ResetScsiState(); }
    ScopedFakeOs fake;
};

TEST_F(TransportInitialisation, LoadsTheManagerFromTheSystemDirectoryOnly) {
    FakeAspiManager manager(fake.os);
    const std::string systemCopy = FakeAspiManager::LibraryPath(fake.os);
    const FakeLibrary planted = fake.os.libraries[systemCopy];
    fake.os.libraries.clear();
    for (const char* elsewhere : {"wnaspi32.dll", "wnaspi32", ".\\wnaspi32.dll",
                                  "C:\\Program Files\\KorvSerial\\wnaspi32.dll",
                                  "C:\\Tools\\wnaspi32.dll", "C:\\WINDOWS\\wnaspi32.dll"}) {
        fake.os.libraries[elsewhere] = planted;
    }

    EXPECT_EQ(ScsiInitialize(0), -1);
    EXPECT_EQ(fake.os.loadAttempts, std::vector<std::string>{"C:\\WINDOWS\\system32\\wnaspi32.dll"});
    EXPECT_EQ(g_aspiModule, nullptr);
    EXPECT_EQ(manager.supportInfoCalls, 0);

    fake.os.libraries[systemCopy] = planted;
    EXPECT_EQ(ScsiInitialize(0), 2);
    EXPECT_EQ(g_aspiModule, &fake.os.libraries[systemCopy]);
    EXPECT_EQ(manager.supportInfoCalls, 1);
}

TEST_F(TransportInitialisation, WithoutASystemDirectoryNothingIsLoaded) {
    FakeAspiManager manager(fake.os);
    const FakeLibrary planted = fake.os.libraries[FakeAspiManager::LibraryPath(fake.os)];
    fake.os.systemDirectory.clear();
    fake.os.libraries["\\wnaspi32.dll"] = planted;
    fake.os.libraries["wnaspi32.dll"] = planted;

    EXPECT_EQ(ScsiInitialize(0), -1);
    EXPECT_TRUE(fake.os.loadAttempts.empty());
    EXPECT_EQ(manager.supportInfoCalls, 0);
}

TEST_F(TransportInitialisation, LooksUpBothEntriesByName) {
    FakeAspiManager manager(fake.os);
    ScsiInitialize(0);
    EXPECT_EQ(fake.os.entryLookups,
              (std::vector<std::string>{"SendASPI32Command", "GetASPI32SupportInfo"}));
    EXPECT_NE(g_sendAspi32Command, nullptr);
    EXPECT_NE(g_getAspi32SupportInfo, nullptr);
}

TEST_F(TransportInitialisation, SecondInitialisationKeepsEntriesAndClearsTables) {
    FakeAspiManager manager(fake.os);
    ASSERT_EQ(ScsiInitialize(0), 2);
    const SendAspi32CommandFn send = g_sendAspi32Command;
    const GetAspi32SupportInfoFn supportInfo = g_getAspi32SupportInfo;
    for (uint8_t i = 0; i < kCachedAlignmentIndexes; ++i) RememberAlignmentMask(i, 0x1FF);
    // The library loaded again no longer offers its entries: the first ones stay.
    fake.os.libraries[FakeAspiManager::LibraryPath(fake.os)].entries.clear();
    fake.os.entryLookups.clear();

    EXPECT_EQ(ScsiInitialize(0), 2);
    EXPECT_EQ(fake.os.loadAttempts.size(), 2u);
    EXPECT_TRUE(fake.os.entryLookups.empty());
    EXPECT_EQ(g_sendAspi32Command, send);
    EXPECT_EQ(g_getAspi32SupportInfo, supportInfo);
    EXPECT_EQ(manager.supportInfoCalls, 2);
    for (uint8_t i = 0; i < kCachedAlignmentIndexes; ++i) {
        EXPECT_EQ(KnownAlignmentMask(i), std::nullopt) << int(i);
    }
}

TEST_F(TransportInitialisation, AManagerThatStopsAnsweringIsNotTakenOnItsEarlierAnswer) {
    FakeAspiManager manager(fake.os);
    ASSERT_EQ(ScsiInitialize(0), 2);
    ASSERT_EQ(g_haInquirySrb.SRB_Status, SS_COMP);
    manager.refusesEveryRequest = true;

    EXPECT_EQ(ScsiInitialize(0), -1);
    EXPECT_EQ(g_usePassThrough, 1);
}

TEST_F(TransportInitialisation, ForcedPassThroughStillClearsTables) {
    RememberAlignmentMask(25, 3);
    EXPECT_EQ(ScsiInitialize(1), -1);
    EXPECT_EQ(KnownAlignmentMask(25), std::nullopt);
}

class AspiHostAdapter : public ::testing::Test {
protected:
    void SetUp() override {
        ResetScsiState();
        manager.adapters = {FakeAspiManager::Adapter{0x0003, 0}, FakeAspiManager::Adapter{0xFFFF, 16}};
        manager.supportInfo = (SS_COMP << 8) | 2;
        ASSERT_EQ(ScsiInitialize(0), 3);
        manager.inquiries.clear();  // the one that tried the first adapter
    }
    ScopedFakeOs fake;
    FakeAspiManager manager{fake.os};
};

TEST_F(AspiHostAdapter, InquirySendsTheHeaderAndHandsOutTheAnswer) {
    g_haInquirySrb.SRB_Flags = 0xFF;
    g_haInquirySrb.SRB_Hdr_Rsvd = 0xDEADBEEF;
    std::memset(g_haInquirySrb.HA_Identifier, 'x', sizeof g_haInquirySrb.HA_Identifier);
    SRB_HAInquiry* answer = nullptr;

    EXPECT_EQ(ScsiHostAdapterInquiry(1, &answer), 0);

    ASSERT_EQ(manager.inquiries.size(), 1u);
    const SRB_HAInquiry& sent = manager.inquiries[0];
    EXPECT_EQ(sent.SRB_Cmd, SC_HA_INQUIRY);
    EXPECT_EQ(sent.SRB_HaId, 1);
    EXPECT_EQ(sent.SRB_Flags, 0);
    EXPECT_EQ(sent.SRB_Hdr_Rsvd, 0u);
    EXPECT_EQ(sent.HA_Identifier[15], 'x') << "only the header is written before sending";
    EXPECT_EQ(answer, &g_haInquirySrb);
    EXPECT_EQ(answer->HA_Unique[3], 16);
}

TEST_F(AspiHostAdapter, FailedInquiryStillHandsOutTheRecord) {
    SRB_HAInquiry* answer = nullptr;
    EXPECT_EQ(ScsiHostAdapterInquiry(2, &answer), 1);
    EXPECT_EQ(answer, &g_haInquirySrb);
}

TEST_F(AspiHostAdapter, PassThroughSendsNoInquiry) {
    g_usePassThrough = 1;
    SRB_HAInquiry* answer = nullptr;
    EXPECT_EQ(ScsiHostAdapterInquiry(0, &answer), 1);
    EXPECT_EQ(answer, nullptr);
    EXPECT_TRUE(manager.inquiries.empty());
}

TEST(AspiWithoutManager, InquiryNeverCallsAMissingEntry) {
    ResetScsiState();
    SRB_HAInquiry* answer = nullptr;
    EXPECT_EQ(ScsiHostAdapterInquiry(0, &answer), 1);
    EXPECT_EQ(answer, nullptr);
}

}  // namespace
