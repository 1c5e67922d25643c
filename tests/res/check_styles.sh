#!/usr/bin/env bash
# Compares the window styles that the resource compiler put into the
# executable's dialog templates with the tabulated ones (expected_styles.txt),
# template by template and control by control in template order:
#   tests/res/check_styles.sh <windows-build-dir>
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:?windows build directory}
compiled=$(find "$build/app" -name 'KorvSerial.rc.res' | head -1)
[ -n "$compiled" ] || { echo "FAIL resource styles: no compiled resources in $build/app"; exit 1; }
actual=$(i686-w64-mingw32-windres -J coff -i "$compiled" -O rc | awk '
    / DIALOGEX / { dialog = $1; index_ = 0 }
    /^STYLE / { print dialog, "dialog", $2 }
    /^EXSTYLE / { print dialog, "exstyle", $2 }
    /^ *CONTROL / {
        n = split($0, fields, ", *")
        class = fields[n - 5]; gsub(/"/, "", class)
        print dialog, "control", ++index_, fields[n - 6], class, fields[n - 4]
    }')
if diff <(echo "$actual") "$here/expected_styles.txt" > /dev/null; then
    echo "PASS resource styles: every template and control style as tabulated"
else
    echo "FAIL resource styles:"
    diff <(echo "$actual") "$here/expected_styles.txt" || true
    exit 1
fi
