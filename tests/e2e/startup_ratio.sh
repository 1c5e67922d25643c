#!/usr/bin/env bash
# Start-up time of KorvSerial.exe under Wine compared with a minimal dialog
# program. One launcher process (tests/e2e/startup_timer.cpp) starts the two
# programs in turn, round after round, and polls every millisecond from each
# process's creation until its dialog is visible; the simulated drives answer
# at once. Prints every round and the median, minimum and maximum of the
# ratio. A measurement, not a test: nothing is asserted.
#
# Usage: tests/e2e/startup_ratio.sh [windows-build-dir] [rounds]   (default 11 rounds)
set -uo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build/windows}" && pwd) || exit 2
rounds=${2:-11}

# shellcheck source=tests/e2e/wine_env.sh
. "$root/tests/e2e/wine_env.sh"

work=$(mktemp -d /tmp/korv-startup.XXXXXX)
trap 'wine_stop; rm -rf "$work"' EXIT
trap 'exit 1' INT TERM
wine_prepare_template "$wine_template" || exit 2
wine_start "$wine_template" "$work" || exit 2
wine_install_system_dll "$build/tests/sim_aspi/wnaspi32.dll"
export KORV_SIM_SCENARIO
KORV_SIM_SCENARIO=$(winpath "$root/tests/e2e/scenarios/startup.scenario")

wine "$build/tests/e2e/startup_timer.exe" "$rounds" \
    "$(winpath "$build/app/KorvSerial.exe")" "KorvSerial" \
    "$(winpath "$build/tests/e2e/minimal_dialog.exe")" "KorvSerial Baseline"
