#!/usr/bin/env bash
# The guides for Windows users (README.md's section and the two that the
# release ships) tell where the program runs and what a user may meet: Windows 98
# and ME with an ASPI manager alone, the East Asian language files
# that a non-Japanese XP needs, Smart App Control refusing an unsigned
# program, what holds up the safe removal of a USB writer, what to do about a
# drive named as in use or denied, about a copy that does not respond, a
# serial that could not be read and an empty list:
#   tests/docs/check_guides.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
failed=0

# expect <file> <what it tells> <text that tells it>
expect() {
    grep -qF -- "$3" "$root/$1" && return
    echo "FAIL guides: $1 does not tell $2 (no \"$3\")"
    failed=1
}

for guide in README.md docs/guide/README-en.txt; do
    expect "$guide" "that Windows 98 and ME need the ASPI manager" "Windows 98 or ME with an"
    expect "$guide" "the East Asian language files" "Install files for East Asian languages"
    expect "$guide" "that Smart App Control cannot be passed" 'no "Run anyway"'
    expect "$guide" "about a USB writer's removal" "Safely Remove Hardware"
    expect "$guide" "what a drive in use means" "close that program and start KorvSerial again"
    expect "$guide" "what a denied drive means" "ask your administrator"
    expect "$guide" "what a running copy that does not respond means" "already running but"
    expect "$guide" "what a serial read refused by an adapter means" "connect the writer directly"
    expect "$guide" "what an empty list means" "No CD or DVD drive was found."
done
expect docs/guide/README-ja.txt "that Windows 98 and ME need the ASPI manager" "Windows 98、ME（ASPI for Win32 マネージャーが必要）"
expect docs/guide/README-ja.txt "the East Asian language files" "東アジア言語のファイルをインストールする"
expect docs/guide/README-ja.txt "that Smart App Control cannot be passed" "スマート アプリ コントロール"
expect docs/guide/README-ja.txt "about a USB writer's removal" "ハードウェアを安全に取り外して"
expect docs/guide/README-ja.txt "what a drive in use means" "そのプログラムを終了して"
expect docs/guide/README-ja.txt "what a denied drive means" "管理者にお問い合わせください"
expect docs/guide/README-ja.txt "what a running copy that does not respond means" "応答していません"
expect docs/guide/README-ja.txt "what a serial read refused by an adapter means" "別のアダプターでお試しください"
expect docs/guide/README-ja.txt "what an empty list means" "CD または DVD"

[ "$failed" = 0 ] && echo "PASS guides: Windows 98 and ME with a manager, East Asian language files, Smart App Control, USB writer removal, drives named as in use or denied, a copy not responding, failed reads, an empty list"
exit "$failed"
