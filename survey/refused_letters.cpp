#include "survey/refused_letters.h"

#include "scsi/os_seam.h"
#include "survey/survey.h"
#include "survey/survey_texts.h"
#include "text/format.h"

// Every refusal but access denied is another program's hold on the drive.
Text ReportRefusedLetters(const RefusedLetters& refused) {
    Text pairs;
    for (uint8_t index = 0; index < kDriveLetters; ++index) {
        const uint32_t error = refused.error[index];
        if (error == 0) continue;
        const bool denied = error == kErrorAccessDenied;
        const char letter = static_cast<char>('A' + index);
        const Text english = FormatText(denied ? kLetterDeniedEnglish : kLetterInUseEnglish, letter);
        const Text japanese = FormatText(denied ? kLetterDeniedJapanese : kLetterInUseJapanese, letter);
        SurveyUi().WriteStdout(FormatText("%s\n", english.c_str()).c_str());
        pairs = FormatText("%s%s%s\n%s", pairs.c_str(), pairs.empty() ? "" : "\n\n", japanese.c_str(), english.c_str());
    }
    return pairs;
}
