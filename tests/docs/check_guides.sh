#!/usr/bin/env bash
# The guides for Windows users (README.md's section and the two that the
# release ships) tell where the program runs and what a user may meet: Windows 98
# and ME with an ASPI manager alone, the East Asian language files
# that a non-Japanese XP needs, Smart App Control refusing an unsigned
# program, and what holds up the safe removal of a USB writer:
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
done
expect docs/guide/README-ja.txt "that Windows 98 and ME need the ASPI manager" "Windows 98、ME（ASPI for Win32 マネージャーが必要）"
expect docs/guide/README-ja.txt "the East Asian language files" "東アジア言語のファイルをインストールする"
expect docs/guide/README-ja.txt "that Smart App Control cannot be passed" "スマート アプリ コントロール"
expect docs/guide/README-ja.txt "about a USB writer's removal" "ハードウェアを安全に取り外して"

[ "$failed" = 0 ] && echo "PASS guides: Windows 98 and ME with a manager, East Asian language files, Smart App Control, USB writer removal"
exit "$failed"
