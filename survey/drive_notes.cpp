#include "survey/drive_notes.h"

#include "survey/survey.h"
#include "survey/survey_texts.h"
#include "text/format.h"

namespace {

struct CategoryTexts {
    FailureCategory category;
    const char* japanese;
    const char* english;
};

// Each with the drive's address and the short code.
const CategoryTexts kReadFailureTexts[] = {
    {FailureCategory::NotReady, kReadNotReadyJapanese, kReadNotReadyEnglish},
    {FailureCategory::RefusedCommand, kReadRefusedJapanese, kReadRefusedEnglish},
    {FailureCategory::NoAnswer, kReadNoAnswerJapanese, kReadNoAnswerEnglish},
    {FailureCategory::InUse, kReadInUseJapanese, kReadInUseEnglish},
    {FailureCategory::Denied, kReadDeniedJapanese, kReadDeniedEnglish},
    {FailureCategory::Disconnected, kReadDisconnectedJapanese, kReadDisconnectedEnglish},
    {FailureCategory::Other, kReadOtherJapanese, kReadOtherEnglish},
};

// Each with the drive letter; the enumeration notes no other kind of refusal.
const CategoryTexts kRefusedLetterTexts[] = {
    {FailureCategory::InUse, kLetterInUseJapanese, kLetterInUseEnglish},
    {FailureCategory::Denied, kLetterDeniedJapanese, kLetterDeniedEnglish},
    {FailureCategory::NotReady, kLetterNotReadyJapanese, kLetterNotReadyEnglish},
};

// The last row stands for every category without a row of its own.
template <size_t N>
const CategoryTexts& TextsOf(const CategoryTexts (&table)[N], FailureCategory category) {
    for (const CategoryTexts& row : table) {
        if (row.category == category) return row;
    }
    return table[N - 1];
}

Text Pair(const Text& japanese, const Text& english) {
    return FormatText("%s\n%s", japanese.c_str(), english.c_str());
}

}  // namespace

Text JoinNotes(const Text& first, const Text& second) {
    if (first.empty()) return second;
    if (second.empty()) return first;
    return FormatText("%s\n\n%s", first.c_str(), second.c_str());
}

Text ReportReadFailure(const Text& displayName, const Text& address, const FailureReason& reason,
                       const char* description) {
    SurveyUi().WriteStdout(
        FormatText(kReadFailureLine, displayName.c_str(), CategoryName(reason.category), reason.code).c_str());
    SurveyUi().WriteStdout(description);
    const CategoryTexts& texts = TextsOf(kReadFailureTexts, reason.category);
    return Pair(FormatText(texts.japanese, address.c_str(), reason.code),
                FormatText(texts.english, address.c_str(), reason.code));
}

Text NoDriveNote(bool managerAlone) {
    if (managerAlone) return Pair(kManagerFoundNoDriveJapanese, kManagerFoundNoDriveEnglish);
    return Pair(kNoDriveFoundJapanese, kNoDriveFoundEnglish);
}

Text ReportRefusedLetters(const RefusedLetters& refused) {
    Text pairs;
    for (uint8_t index = 0; index < kDriveLetters; ++index) {
        const FailureCategory category = refused.category[index];
        if (category == FailureCategory::None) continue;
        const CategoryTexts& texts = TextsOf(kRefusedLetterTexts, category);
        const char letter = static_cast<char>('A' + index);
        const Text english = FormatText(texts.english, letter);
        SurveyUi().WriteStdout(FormatText("%s\n", english.c_str()).c_str());
        pairs = JoinNotes(pairs, Pair(FormatText(texts.japanese, letter), english));
    }
    return pairs;
}
