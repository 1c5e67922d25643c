#!/usr/bin/env bash
# Lists the images of the executable's application icon (group 128) with
# their colour depth and format, and compares them with the expected ones:
# the small and large icon sizes of 100 %, 125 %, 150 % and 200 % (and 256 px
# for Explorer), so that none is stretched, and only the 256 px one PNG,
# which XP cannot read:
#   tests/res/check_icon.sh <windows-build-dir>
set -euo pipefail
build=${1:?windows build directory}
# shellcheck source=tests/res/compare.sh
. "$(dirname "$0")/compare.sh"
expected='16x16 4-bit DIB
20x20 4-bit DIB
24x24 4-bit DIB
32x32 4-bit DIB
40x40 4-bit DIB
48x48 8-bit DIB
64x64 4-bit DIB
256x256 32-bit PNG'
# windres writes each image's bytes as little-endian words: a DIB starts with
# its header's size (28h), a PNG with 89h 'P' 'N' 'G'. A size of 0 in the
# group's directory stands for 256.
actual=$(i686-w64-mingw32-windres -J coff -i "$build/app/KorvSerial.exe" -O rc | awk '
    function octal(digits,   value, i) {
        value = 0
        for (i = 1; i <= length(digits); i++) value = value * 8 + substr(digits, i, 1)
        return value
    }
    / RT_ICON / { image = $1; first_word = 1; next }
    first_word && /0x/ { sub(/,$/, "", $1); start[image] = $1; first_word = 0 }
    / RT_GROUP_ICON / { in_group = ($1 == 128); next }
    /^END/ { in_group = 0 }
    in_group && /^ *"\\[0-7]/ {
        split($0, quoted, "\"")
        split(quoted[2], size, "\\")
        split(quoted[3], fields, ", *")
        width = octal(size[2]); height = octal(size[3])
        format = start[fields[5] + 0] == "0x474e5089L" ? "PNG" : start[fields[5] + 0] == "0x28L" ? "DIB" : "unknown"
        print (width ? width : 256) "x" (height ? height : 256), fields[3] "-bit", format
    }' | sort -n)
compare "application icon: 16, 20, 24, 32, 40, 48 and 64 px images and a 256 px PNG" "$expected" "$actual"
