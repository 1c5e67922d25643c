#!/usr/bin/env bash
# Start-up time of KorvSerial.exe under Wine compared with a minimal dialog
# program: the median time from process start to a visible window over a few
# runs of each, and their ratio. A measurement, not a test: nothing is asserted.
#
# Usage: tests/e2e/startup_ratio.sh [windows-build-dir] [runs]
set -uo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build/windows}" && pwd) || exit 2
runs=${2:-5}
template=${KORV_E2E_TEMPLATE:-/tmp/korv-e2e-template-$(id -u)}
driver=$build/tests/e2e/e2e_driver.exe

# shellcheck source=tests/e2e/wine_env.sh
. "$root/tests/e2e/wine_env.sh"

work=$(mktemp -d /tmp/korv-startup.XXXXXX)
trap 'wine_stop; rm -rf "$work"' EXIT
trap 'exit 1' INT TERM
wine_prepare_template "$template" || exit 2
wine_start "$template" "$work" || exit 2
wine_install_system_dll "$build/tests/sim_aspi/wnaspi32.dll"
export KORV_SIM_SCENARIO="Z:${root//\//\\}\\tests\\e2e\\scenarios\\demo.scenario"

# time_to_window <exe> <driver step that waits for its window>: seconds from
# the program's start until the already running driver sees the window.
time_to_window() {
    local exe=$1 step=$2 start end
    : > "$work/driver.out"
    wine "$driver" windows:none "$step" "command:2" > "$work/driver.out" 2>/dev/null &
    local driver_pid=$!
    until grep -q '^windows=' "$work/driver.out"; do sleep 0.05; done
    start=$(date +%s.%N)
    wine "$exe" > /dev/null 2>&1 &
    local app_pid=$!
    wait "$driver_pid"
    end=$(date +%s.%N)
    local waited=0
    while kill -0 "$app_pid" 2>/dev/null && [ "$waited" -lt 300 ]; do sleep 0.1; waited=$((waited + 1)); done
    kill "$app_pid" 2>/dev/null
    wait "$app_pid" 2>/dev/null
    echo "$end - $start" | bc
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

baseline=$(for _ in $(seq "$runs"); do time_to_window "$build/tests/e2e/minimal_dialog.exe" "title:KorvSerial Baseline:120000"; done | median)
program=$(for _ in $(seq "$runs"); do time_to_window "$build/app/KorvSerial.exe" "main:120000"; done | median)
echo "minimal dialog: median ${baseline}s to window ($runs runs)"
echo "KorvSerial:     median ${program}s to window ($runs runs)"
echo "ratio: $(echo "scale=2; $program / $baseline" | bc)"
