#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

#include "text/text.h"

namespace {

TEST(Text, HoldsWhatItWasMadeFrom) {
    const struct {
        Text text;
        std::string_view expected;
    } cases[] = {
        {Text(), ""},
        {Text(nullptr), ""},
        {Text("KORVANE"), "KORVANE"},
        {Text("S/No\0Read", 9), std::string_view("S/No\0Read", 9)},
        {Text(3, '0'), "000"},
        {Text("", 0), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(std::string_view(c.text), c.expected);
        EXPECT_EQ(c.text.c_str()[c.text.size()], '\0');
        EXPECT_EQ(c.text.empty(), c.expected.empty());
    }
}

TEST(Text, CopiesOutliveTheOriginalAndEachOther) {
    auto original = std::make_unique<Text>("506580004000");
    Text copy = *original;
    Text assigned;
    assigned = copy;
    original.reset();
    copy.clear();
    EXPECT_EQ(assigned, "506580004000");
    EXPECT_TRUE(copy.empty());

    assigned = assigned;
    EXPECT_EQ(assigned, "506580004000");
    Text moved = std::move(assigned);
    EXPECT_EQ(moved, "506580004000");
    EXPECT_TRUE(assigned.empty());
}

TEST(Text, WritingACopyLeavesTheOthersAlone) {
    const Text shown = "505624004001";
    Text edited = shown;
    edited.WritableData()[0] = 'X';
    EXPECT_EQ(shown, "505624004001");
    EXPECT_EQ(edited, "X05624004001");
    EXPECT_EQ(Text().WritableData(), nullptr);
}

TEST(Text, ComparesWithTextsLiteralsAndStandardStrings) {
    const Text serial = "507425005001";
    EXPECT_TRUE(serial == Text("507425005001"));
    EXPECT_TRUE(serial == std::string("507425005001"));
    EXPECT_TRUE("507425005001" == serial);
    EXPECT_FALSE(serial == "507425005001 ext");
    EXPECT_FALSE(serial == Text());
}

}  // namespace
