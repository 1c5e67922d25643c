#!/usr/bin/env bash
# What print_startup_times (tests/e2e/e2e_lib.sh) says of a driver's output,
# with every time seen and with times the driver did not see; no Wine needed:
#   tests/e2e/check_startup_times.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
. "$root/tests/e2e/e2e_lib.sh"
wrong=0

# check <case> <driver output> <line expected for a start at 1000 ms>
check() {
    printf '%s' "$2" > "$work/$1.drv"
    local said
    said=$(print_startup_times "$1" "a test" 1000)
    if [ "$said" = "$3" ]; then
        echo "PASS start-up times, $1"
    else
        echo "FAIL start-up times, $1: said \"$said\""
        wrong=1
    fi
}

check "both seen" $'first-window=progress\nfirst-window-at=2500\nmain-at=4100\n' \
    "start-up with a test: first window (progress) after 1500 ms, filled main dialog after 3100 ms"
check "main dialog not seen" $'first-window=progress\nfirst-window-at=2500\n' \
    "start-up with a test: first window (progress) after 1500 ms, filled main dialog not seen"
check "nothing seen" "" \
    "start-up with a test: first window (none) not seen, filled main dialog not seen"
exit "$wrong"
