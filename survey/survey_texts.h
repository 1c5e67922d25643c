#pragma once

// The survey's message-box texts, in Shift-JIS as the user has always seen them.

// "Not found ASPI32 or host.\n\nASPIが有効ではありません。\n
//  ASPIﾄﾞﾗｲﾊﾞがｲﾝｽﾄｰﾙされていないか、正しく動作していません。\n
//  KorvTools のｲﾝｽﾄｰﾙを行ってみて下さい。\n"
constexpr char kNoTransportText[] =
    "Not found ASPI32 or host.\n"
    "\n"
    "ASPI\x82\xAA\x97L\x8C\xF8\x82\xC5\x82\xCD\x82\xA0\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81" "B\n"
    "ASPI\xC4\xDE\xD7\xB2\xCA\xDE\x82\xAA\xB2\xDD\xBD\xC4\xB0\xD9\x82\xB3\x82\xEA\x82\xC4\x82\xA2\x82\xC8"
    "\x82\xA2\x82\xA9\x81" "A\x90\xB3\x82\xB5\x82\xAD\x93\xAE\x8D\xEC\x82\xB5\x82\xC4\x82\xA2\x82\xDC\x82"
    "\xB9\x82\xF1\x81" "B\n"
    "KorvTools \x82\xCC\xB2\xDD\xBD\xC4\xB0\xD9\x82\xF0\x8Ds\x82\xC1\x82\xC4\x82\xDD\x82\xC4\x89\xBA\x82"
    "\xB3\x82\xA2\x81" "B\n";
static_assert(sizeof kNoTransportText - 1 == 152);

// "対象ドライブが見つかりませんでした。 \n"
constexpr char kNoSupportedDriveText[] =
    "\x91\xCE\x8F\xDB\x83h\x83\x89\x83" "C\x83u\x82\xAA\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB9"
    "\x82\xF1\x82\xC5\x82\xB5\x82\xBD\x81" "B \n";
static_assert(sizeof kNoSupportedDriveText - 1 == 38);

constexpr char kNoSupportedDriveCaption[] = "KorvSerial1";
constexpr char kReadErrorSerial[] = "S/No Read error";
constexpr char kPassThroughModeLine[] = "SPTI Mode\n";
constexpr char kAspiModeLine[] = "ASPI Mode\n";
// Misspelt and with two trailing blanks, kept byte for byte: it is the
// utility's own output, which whoever reads its log may be matching.
constexpr char kNoDriveLine[] = "Not forund terget CD/DVD drive.  \n";

// A CD-ROM letter that refused the program, a pair of lines each (Japanese,
// then English, the letter in both):
//   "ドライブ %c: は他のプログラムが使用中のため確認できませんでした。"
//   "ドライブ %c: へのアクセスが拒否されました (管理者の設定やセキュリティ ソフト)。"
// The English line alone also goes to standard output.
constexpr char kLetterInUseJapanese[] =
    "\x83\x68\x83\x89\x83\x43\x83\x75 %c: \x82\xCD\x91\xBC\x82\xCC\x83\x76\x83\x8D\x83\x4F\x83\x89\x83\x80"
    "\x82\xAA\x8E\x67\x97\x70\x92\x86\x82\xCC\x82\xBD\x82\xDF\x8A\x6D\x94\x46\x82\xC5\x82\xAB\x82\xDC\x82\xB9"
    "\x82\xF1\x82\xC5\x82\xB5\x82\xBD\x81\x42";
static_assert(sizeof kLetterInUseJapanese - 1 == 65);
constexpr char kLetterInUseEnglish[] = "Drive %c: is in use by another program and could not be checked.";
constexpr char kLetterDeniedJapanese[] =
    "\x83\x68\x83\x89\x83\x43\x83\x75 %c: \x82\xD6\x82\xCC\x83\x41\x83\x4E\x83\x5A\x83\x58\x82\xAA\x8B\x91"
    "\x94\xDB\x82\xB3\x82\xEA\x82\xDC\x82\xB5\x82\xBD (\x8A\xC7\x97\x9D\x8E\xD2\x82\xCC\x90\xDD\x92\xE8\x82\xE2"
    "\x83\x5A\x83\x4C\x83\x85\x83\x8A\x83\x65\x83\x42 \x83\x5C\x83\x74\x83\x67)\x81\x42";
static_assert(sizeof kLetterDeniedJapanese - 1 == 79);
constexpr char kLetterDeniedEnglish[] = "Access to drive %c: was denied (by policy or security software).";
