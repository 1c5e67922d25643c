#include <gtest/gtest.h>

#include <climits>
#include <cstdarg>
#include <cstring>
#include <string>

#include "text/format.h"

namespace {

// Without the compiler's check of the arguments against the format.
int FormatUnchecked(char* text, size_t size, const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    const int length = FormatIntoV(text, size, format, arguments);
    va_end(arguments);
    return length;
}

TEST(FormatInto, ConvertsAsTheCLibraryDoes) {
    const char unterminated[4] = {'K', 'V', '-', '9'};
    const struct {
        Text formatted;
        const char* expected;
    } cases[] = {
        {FormatText("%d", 0), "0"},
        {FormatText("%d", -42), "-42"},
        {FormatText("%d", INT_MIN), "-2147483648"},
        {FormatText("%04d", 7), "0007"},
        {FormatText("%04d", -7), "-007"},
        {FormatText("%04d", 123456), "123456"},
        {FormatText("%3d", 5), "  5"},
        {FormatText("%02X", 0x0A), "0A"},
        {FormatText("%02X", 0x1FF), "1FF"},
        {FormatText("%04X", 0x3A01), "3A01"},
        {FormatText("%X", 0xFFFFFFFFu), "FFFFFFFF"},
        {FormatText("(%c:)", 'E'), "(E:)"},
        {FormatText("%s|%s", "ASPI", ""), "ASPI|"},
        {FormatText("%.24s", "KORVANE DVDR   KV-948A  and more"), "KORVANE DVDR   KV-948A  "},
        {FormatText("%.4s", unterminated), "KV-9"},
        {FormatText("%.24s", "KV\0-948A"), "KV"},
        {FormatText("%5s", "ab"), "   ab"},
        {FormatText("100%%"), "100%"},
        {FormatText("%s", static_cast<const char*>(nullptr)), "(null)"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.formatted, c.expected);
}

TEST(FormatInto, CopiesOtherConversionsAsWrittenWithoutTakingAnArgument) {
    char text[32];
    EXPECT_EQ(FormatUnchecked(text, sizeof text, "%u|%-3d|%d", 5), 9);
    EXPECT_STREQ(text, "%u|%-3d|5");
}

TEST(FormatInto, CutsOffWhatDoesNotFitAndCountsIt) {
    const struct {
        size_t size;
        const char* expected;
    } cases[] = {{1, ""}, {5, "Sens"}, {14, "Sense Key: 05"}, {15, "Sense Key: 05"}};
    for (const auto& c : cases) {
        char text[16];
        std::memset(text, '#', sizeof text);
        EXPECT_EQ(FormatInto(text, c.size, "Sense Key: %02X", 5), 13) << c.size;
        EXPECT_STREQ(text, c.expected) << c.size;
        EXPECT_EQ(text[c.size], '#') << "written past the size " << c.size;
    }
    EXPECT_EQ(FormatInto(nullptr, 0, "%s%d", "ASC/ASCQ", 1234), 12);
}

TEST(FormatText, HoldsTextsLongerThanAnyDescription) {
    const std::string line(700, 'x');
    const Text text = FormatText("%s|%s", line.c_str(), line.c_str());
    EXPECT_EQ(text.size(), 1401u);
    EXPECT_EQ(std::string_view(text), line + "|" + line);
}

}  // namespace
