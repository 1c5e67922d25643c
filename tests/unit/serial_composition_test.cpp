#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "survey/serial_composition.h"

namespace {

const std::string kKv948a = "KORVANE DVDR   KV-948A  ";
const std::string kKv942a = "KORVANE DVDR   KV-942A  ";
const std::string kKv935a2 = "KORVANE DVDR   KV-935A2 ";
const std::string kKvR4410a = "KORVANE CD-R   KV-R4410A";
const std::string kKvR2080a = "KORVANE CD-R   KV-R2080A";
const std::string kValorix = "KORVANE CD-R   VALORIX  ";
const std::string kUnlistedDvd = "KORVANE DVDR   KV-999B  ";

struct Block {
    SerialInfoBlock bytes{};
};

// A block whose serial characters are `chars` and whose interface code sits at
// `offset`; the other interface offset holds a code that would give a
// different answer, so reading the wrong one shows.
Block MakeBlock(const char (&chars)[6], size_t offset, uint8_t code) {
    Block block;
    std::memcpy(block.bytes + 26, chars, 5);
    block.bytes[49] = 0x02;
    block.bytes[64] = 0x02;
    block.bytes[offset] = code;
    return block;
}

Block BlockForNumber(int32_t n, size_t offset, uint8_t code) {
    char chars[6];
    std::snprintf(chars, sizeof chars, "%05X", static_cast<unsigned>(n));
    return MakeBlock(chars, offset, code);
}

struct SerialCase {
    std::string identification;
    int32_t n;
    size_t offset;
    uint8_t code;
    std::string serial;
};

class WorkedResults : public ::testing::TestWithParam<SerialCase> {};

TEST_P(WorkedResults, ComposeTheWholeSerialText) {
    const SerialCase& c = GetParam();
    Block block = BlockForNumber(c.n, c.offset, c.code);
    EXPECT_EQ(ComposeSerial(c.identification, block.bytes), c.serial);
}

INSTANTIATE_TEST_SUITE_P(
    Table, WorkedResults,
    ::testing::Values(
        SerialCase{kKv948a, 5000, 49, 0xFF, "507420005000"},
        SerialCase{kKv948a, 5001, 49, 0x00, "507425005001 ext"},
        SerialCase{kKv948a, 999999, 49, 0xFF, "50742999999"},
        SerialCase{kKv935a2, 999999, 49, 0xFF, "506894999999"},
        SerialCase{kKv942a, 4000, 64, 0xFF, "506580004000"},
        SerialCase{kKvR4410a, 4001, 64, 0x05, "505624004001"},
        SerialCase{kKv942a, 1000000, 64, 0xFF, "50658xxxxxxx"},
        SerialCase{kKv942a, 1000000, 64, 0x08, "506581000000 ext"},
        SerialCase{kUnlistedDvd, 5000, 64, 0x08, "005000"},
        SerialCase{kUnlistedDvd, 1000000, 64, 0x00, "xxxxxxx"},
        SerialCase{kUnlistedDvd, 1000000, 64, 0xFF, "xxxxxxx"},
        // Model rows match only exactly: not in another case, not without the padding.
        SerialCase{"KORVANE DVDR   KV-942a  ", 5000, 64, 0xFF, "005000"},
        SerialCase{"KORVANE DVDR   KV-942A", 5000, 64, 0xFF, "005000"}));

// Lot-digit bands, read off whole serials of internal (ATAPI) drives.
INSTANTIATE_TEST_SUITE_P(
    LotDigitBands, WorkedResults,
    ::testing::Values(
        SerialCase{kKv948a, 0, 49, 0xFF, "507420000000"},
        SerialCase{kKv948a, 5001, 49, 0xFF, "507425005001"},
        SerialCase{kKv948a, 100000, 49, 0xFF, "507425100000"},
        SerialCase{kKv948a, 100001, 49, 0xFF, "507424100001"},
        SerialCase{kKv948a, 999998, 49, 0xFF, "507424999998"},
        SerialCase{kKv948a, 1000000, 49, 0xFF, "50742xxxxxxx"},
        SerialCase{kKv942a, 100000, 64, 0xFF, "506580100000"},
        SerialCase{kKv942a, 100001, 64, 0xFF, "506584100001"},
        SerialCase{kKv942a, 999998, 64, 0xFF, "506584999998"},
        SerialCase{kKv942a, 999999, 64, 0xFF, "506584999999"},
        SerialCase{kValorix, 4000, 64, 0x01, "505380004000"},
        SerialCase{kValorix, 4001, 64, 0x01, "505384004001"},
        SerialCase{kValorix, 999999, 64, 0x01, "505384999999"},
        SerialCase{kValorix, 1000000, 64, 0x01, "50538xxxxxxx"},
        SerialCase{kKvR2080a, 0, 64, 0xFF, "503510000000"},
        SerialCase{kKvR2080a, 999999, 64, 0xFF, "503510999999"},
        SerialCase{kKvR2080a, 1000000, 64, 0x08, "5035101000000 ext"}));

// Which offset carries the interface code, and which codes mean external.
INSTANTIATE_TEST_SUITE_P(
    InterfaceCodes, WorkedResults,
    ::testing::Values(
        SerialCase{kKv935a2, 5000, 49, 0x01, "506890005000"},
        SerialCase{kKv935a2, 5000, 64, 0xFF, "506890005000 ext"},
        SerialCase{kKv942a, 5000, 49, 0xFF, "506580005000 ext"},
        SerialCase{kKv942a, 5000, 64, 0x05, "506580005000"},
        SerialCase{kKv942a, 5000, 64, 0x02, "506580005000 ext"},
        SerialCase{kKv942a, 5000, 64, 0x08, "506580005000 ext"},
        SerialCase{kUnlistedDvd, 5000, 64, 0x02, "005000"}));

struct RawSerialCase {
    const char* chars;  // five bytes, not necessarily hexadecimal
    std::string serial;
};

class RawSerialCharacters : public ::testing::TestWithParam<RawSerialCase> {};

TEST_P(RawSerialCharacters, CountWithTheirOwnWeights) {
    Block block;
    std::memcpy(block.bytes + 26, GetParam().chars, 5);
    block.bytes[49] = 0xFF;
    EXPECT_EQ(ComposeSerial(kKv948a, block.bytes), GetParam().serial);
}

INSTANTIATE_TEST_SUITE_P(
    Table, RawSerialCharacters,
    ::testing::Values(
        RawSerialCase{"00000", "507420000000"},
        RawSerialCase{"0000A", "507420000010"},
        RawSerialCase{"0000a", "507420000097"},           // lower case is not converted
        RawSerialCase{"0001a", "507420000113"},
        RawSerialCase{" 0000", "50742xxxxxxx"},           // a leading blank adds 32 x 65536
        RawSerialCase{"0000 ", "507420000032"},
        RawSerialCase{"\xFF\xFF\xFF\xFF\xFF", "50742xxxxxxx"},
        RawSerialCase{"\0\0\0\0\0", "507420000000"}));

TEST(ComposeSerial, NothingIsCarriedFromOneDriveToTheNext) {
    Block external = BlockForNumber(5000, 64, 0x08);
    Block internal = BlockForNumber(5000, 64, 0xFF);
    EXPECT_EQ(ComposeSerial(kKv942a, external.bytes), "506580005000 ext");
    EXPECT_EQ(ComposeSerial(kUnlistedDvd, external.bytes), "005000");
    EXPECT_EQ(ComposeSerial(kKv942a, internal.bytes), "506580005000");
}

struct IdentificationCase {
    std::string identification;
    bool supported;
    uint8_t paramByte;
};

class Identifications : public ::testing::TestWithParam<IdentificationCase> {};

TEST_P(Identifications, FamilyAndParamByte) {
    const IdentificationCase& c = GetParam();
    EXPECT_EQ(IsSupportedDrive(c.identification), c.supported) << c.identification;
    EXPECT_EQ(SerialParamByte(c.identification), c.paramByte) << c.identification;
}

INSTANTIATE_TEST_SUITE_P(
    Table, Identifications,
    ::testing::Values(
        IdentificationCase{kKv948a, true, 1},
        IdentificationCase{"KORVANE DVDR   KV-948A  X", true, 0},
        IdentificationCase{"KORVANE DVDR   KV-948AB ", true, 0},
        IdentificationCase{"KORVANE DVDR   KV-948A", true, 0},
        IdentificationCase{kKv942a, true, 0},
        IdentificationCase{kValorix, true, 0},
        IdentificationCase{kKvR2080a, true, 0},
        IdentificationCase{"KORVANE CD-R   KV-6000A", true, 0},
        IdentificationCase{"KORVANE CD-R   KV-9000A", false, 0},
        IdentificationCase{"korvane DVDR   KV-948A  ", false, 0},
        IdentificationCase{"KORVANE DVDR   KV-", false, 0},
        IdentificationCase{"OTHERCO DVD-ROM DX-100  ", false, 0},
        IdentificationCase{"", false, 0}));

DriveEntry EntryWith(const char* vendor, const char* product) {
    DriveEntry entry{};
    std::memcpy(entry.vendorId, vendor, 8);
    std::memcpy(entry.productId, product, 16);
    std::memset(entry.productRevision, 'R', sizeof entry.productRevision);
    return entry;
}

TEST(IdentificationOf, IsVendorFollowedByProductWithoutSeparator) {
    DriveEntry entry = EntryWith("KORVANE ", "DVDR   KV-948A  ");
    EXPECT_EQ(IdentificationOf(entry), kKv948a);
}

TEST(IdentificationOf, EndsAtAZeroByte) {
    DriveEntry entry = EntryWith("KORVANE ", "DVDR   KV\0-948A ");
    EXPECT_EQ(IdentificationOf(entry), "KORVANE DVDR   KV");
    EXPECT_FALSE(IsSupportedDrive(IdentificationOf(entry)));
    EXPECT_EQ(ComposeDisplayName(kTransportPassThrough, entry), "(A:) KORVANE DVDR   KV");
}

struct DisplayNameCase {
    TransportMode transport;
    uint8_t adapterId;
    uint8_t targetId;
    uint8_t driveLetter;
    std::string name;
};

class DisplayNames : public ::testing::TestWithParam<DisplayNameCase> {};

TEST_P(DisplayNames, NameTheAddressThenTheIdentification) {
    const DisplayNameCase& c = GetParam();
    DriveEntry entry = EntryWith("KORVANE ", "DVDR   KV-948A  ");
    entry.adapterId = c.adapterId;
    entry.targetId = c.targetId;
    entry.driveLetter = c.driveLetter;
    EXPECT_EQ(ComposeDisplayName(c.transport, entry), c.name);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DisplayNames,
    ::testing::Values(
        DisplayNameCase{2, 1, 0, 0, "(1:0) KORVANE DVDR   KV-948A  "},
        DisplayNameCase{5, 3, 15, 9, "(3:15) KORVANE DVDR   KV-948A  "},
        DisplayNameCase{kTransportPassThrough, 0, 4, 4, "(E:) KORVANE DVDR   KV-948A  "},
        DisplayNameCase{kTransportPassThrough, 0, 25, 25, "(Z:) KORVANE DVDR   KV-948A  "}));

}  // namespace
