#!/usr/bin/env bash
# Builds KorvSerial.exe twice, each from a fresh copy of the source tree (as it
# is, uncommitted changes included; without .git, build/ and dist/) in a
# directory of its own, at another path, time zone and locale, and fails
# unless the two executables are equal byte for byte:
#   scripts/check_reproducible.sh
# The copies and their builds stay in build/reproducible/ for inspection.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work=$root/build/reproducible
rm -rf "$work"

# build_copy <directory> <time zone> <locale>: the executable ends up in
# <directory>/build/app/KorvSerial.exe.
build_copy() {
    local copy=$1
    mkdir -p "$copy/src"
    tar -C "$root" --exclude=./.git --exclude=./build --exclude=./dist -c . | tar -C "$copy/src" -x
    env TZ="$2" LC_ALL="$3" cmake -S "$copy/src" --preset windows -B "$copy/build" > /dev/null
    env TZ="$2" LC_ALL="$3" cmake --build "$copy/build" -j "$(nproc)" --target KorvSerial > /dev/null
}

# Paths of different lengths, so that a build path that leaks into the image
# shows as a difference, and so does a link time: the builds are seconds apart.
build_copy "$work/first" UTC C.UTF-8
build_copy "$work/second-copy-elsewhere" Asia/Tokyo ja_JP.UTF-8
first=$work/first/build/app/KorvSerial.exe
second=$work/second-copy-elsewhere/build/app/KorvSerial.exe

if cmp -s "$first" "$second"; then
    echo "PASS reproducible build: two builds in different directories give the same KorvSerial.exe," \
        "SHA-256 $(sha256sum < "$first" | cut -d' ' -f1)"
else
    echo "FAIL reproducible build: the two builds of one source differ"
    sha256sum "$first" "$second"
    echo "differing bytes (offset in decimal, then the octal bytes of each build), at most 20:"
    cmp -l "$first" "$second" | head -20 || true
    exit 1
fi
