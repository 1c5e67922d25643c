#include "survey/refused_letters.h"

#include "survey/survey_texts.h"
#include "text/format.h"

namespace {

constexpr uint32_t kAccessDenied = 5;

// Every refusal but access denied is another program's hold on the drive.
Text LineFor(const char* inUse, const char* denied, uint32_t error, char letter) {
    return FormatText(error == kAccessDenied ? denied : inUse, letter);
}

template <typename Line>
Text EachRefused(const RefusedLetters& refused, const char* separator, Line line) {
    Text all;
    for (uint8_t index = 0; index < kDriveLetters; ++index) {
        const uint32_t error = refused.error[index];
        if (error == 0) continue;
        const Text one = line(error, static_cast<char>('A' + index));
        all = FormatText("%s%s%s", all.c_str(), all.empty() ? "" : separator, one.c_str());
    }
    return all;
}

}  // namespace

Text DescribeRefusedLetters(const RefusedLetters& refused) {
    return EachRefused(refused, "\n", [](uint32_t error, char letter) {
        const Text japanese = LineFor(kLetterInUseJapanese, kLetterDeniedJapanese, error, letter);
        const Text english = LineFor(kLetterInUseEnglish, kLetterDeniedEnglish, error, letter);
        return FormatText("%s\n%s", japanese.c_str(), english.c_str());
    });
}

Text LogRefusedLetters(const RefusedLetters& refused) {
    return EachRefused(refused, "", [](uint32_t error, char letter) {
        const Text english = LineFor(kLetterInUseEnglish, kLetterDeniedEnglish, error, letter);
        return FormatText("%s\n", english.c_str());
    });
}
