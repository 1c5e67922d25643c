#pragma once

// What a second start says when the running copy shows no window, in
// Shift-JIS: "KorvSerial は既に実行中ですが、応答していません。" and the
// English line below it.
inline constexpr char kRunningCopySilentText[] =
    "KorvSerial \x82\xCD\x8A\xF9\x82\xC9\x8E\xC0\x8D\x73\x92\x86\x82\xC5\x82\xB7\x82\xAA\x81\x41\x89\x9E\x93\x9A"
    "\x82\xB5\x82\xC4\x82\xA2\x82\xDC\x82\xB9\x82\xF1\x81\x42\nKorvSerial is already running but is not responding.";
static_assert(sizeof kRunningCopySilentText - 1 == 102);
