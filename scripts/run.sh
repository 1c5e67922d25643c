#!/usr/bin/env bash
# Builds KorvSerial.exe and starts it under Wine against the bundled demo set
# of simulated drives. The window opens on $DISPLAY; with no display it opens
# on a virtual one, and the script prints what the window shows, saves
# screenshots of the main dialog and the About box (build/run/KorvSerial.png,
# build/run/KorvSerial-about.png) and closes the program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/install-deps.sh
cmake --preset windows >/dev/null
cmake --build build/windows -j "$(nproc)" >/dev/null

# shellcheck source=tests/e2e/wine_env.sh
. tests/e2e/wine_env.sh
wine_prepare_template "$wine_template"

work=$(mktemp -d /tmp/korv-run.XXXXXX)
own_display=yes
if [ -n "${DISPLAY:-}" ]; then own_display=no; fi

cleanup() { wine_stop; rm -rf "$work"; }
trap cleanup EXIT

if [ "$own_display" = no ]; then
    wine_start "$wine_template" "$work" current-display
else
    wine_start "$wine_template" "$work"
    wine_draw_own_frames
fi
wine_install_system_dll build/windows/tests/sim_aspi/wnaspi32.dll
cp tests/e2e/scenarios/demo.scenario "$(wine_system_dir)/wnaspi32.scenario"

driver=build/windows/tests/e2e/e2e_driver.exe
wine build/windows/app/KorvSerial.exe > "$work/stdout.txt" 2>/dev/null &
app=$!

if [ "$own_display" = no ]; then
    echo "KorvSerial is running on $DISPLAY; close its window to end."
    wait "$app" || true
    exit 0
fi

wine "$driver" main:120000 list serial note rect 2>/dev/null | tee "$work/window.txt"
mkdir -p build/run
tests/e2e/screenshot.sh "$DISPLAY" build/run/KorvSerial.png KorvSerial
wine "$driver" main:5000 sysabout about:30000 > /dev/null 2>&1
tests/e2e/screenshot.sh "$DISPLAY" build/run/KorvSerial-about.png 'KorvSerialのﾊﾞｰｼﾞｮﾝ情報'
echo "standard output: $(tr '\n' '|' < "$work/stdout.txt")"
echo "screenshots: build/run/KorvSerial.png build/run/KorvSerial-about.png"
wine "$driver" main:5000 about:5000 about-ok key:esc wait-exit:30000 >/dev/null 2>&1 || true
wait "$app" || true
