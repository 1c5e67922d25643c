#pragma once

// The progress window's texts, in Shift-JIS whatever the build machine's or
// the user's code page, Japanese first and English below. They read:
//   "ライターを探して、シリアル番号を読み取っています。"
//   "ドライブを探しています..."
//   "ドライブ %d / %d を読み取っています:" and the drive's name below the English line

inline constexpr char kProgressText[] =
    "\x83\x89\x83\x43\x83^\x81[\x82\xF0\x92T\x82\xB5\x82\xC4\x81\x41\x83V\x83\x8A\x83\x41\x83\x8B\x94\xD4\x8D\x86\x82\xF0\x93\xC7\x82\xDD\x8E\xE6\x82\xC1\x82\xC4\x82\xA2\x82\xDC\x82\xB7\x81\x42\nLooking for the writers and reading their serial numbers.";

inline constexpr char kFindingDrivesText[] =
    "\x83h\x83\x89\x83\x43\x83u\x82\xF0\x92T\x82\xB5\x82\xC4\x82\xA2\x82\xDC\x82\xB7...\nLooking for the drives...";

// Formatted with the drive's number and the count twice (Japanese, then
// English), then the drive's display name.
inline constexpr char kReadingDriveFormat[] =
    "\x83h\x83\x89\x83\x43\x83u %d / %d \x82\xF0\x93\xC7\x82\xDD\x8E\xE6\x82\xC1\x82\xC4\x82\xA2\x82\xDC\x82\xB7:\nReading drive %d of %d:\n%s";

// Shown in place of the step on a system where a drive request cannot be
// left behind: "ドライブの応答を待ってから終了します (長くて 45 秒ほど)。"
inline constexpr char kClosingAfterRequestText[] =
    "\x83h\x83\x89\x83" "C\x83u\x82\xCC\x89\x9E\x93\x9A\x82\xF0\x91\xD2\x82\xC1\x82\xC4\x82\xA9\x82\xE7\x8FI\x97\xB9\x82\xB5\x82\xDC\x82\xB7 (\x92\xB7\x82\xAD\x82\xC4 45 \x95" "b\x82\xD9\x82\xC7)\x81" "B\nClosing once the drive has answered (about 45 s at most).";
