#!/usr/bin/env bash
# End-to-end tests: runs KorvSerial.exe under Wine on a virtual X server,
# with a simulated ASPI manager standing in for the hardware, and checks what
# the user sees (through tests/e2e/driver.cpp) and what the drives receive
# (through the manager's request log).
#
# Usage: scripts/e2e.sh [windows-build-dir]     (default: build/windows)
# Environment:
#   KORV_E2E_TEMPLATE  where the prepared Wine prefix is cached
#                      (default /tmp/korv-e2e-template-$UID)
#   KORV_E2E_KEEP=1    keep the work directory (logs, outputs, prefix)
#   KORV_E2E_SHOTS=1   save screenshots of the demo dialog and the About box
#   KORV_E2E_ONLY=<case function>  run that case alone
#
# Prints one line per check and finally "N passed, M failed"; exits non-zero
# when a check failed or the run could not be set up.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/windows}" && pwd) || exit 2
exe=$build/app/KorvSerial.exe
manager=$build/tests/sim_aspi/wnaspi32.dll
driver=$build/tests/e2e/e2e_driver.exe
scenarios=$root/tests/e2e/scenarios
template=${KORV_E2E_TEMPLATE:-/tmp/korv-e2e-template-$(id -u)}

for file in "$exe" "$manager" "$driver"; do
    [ -f "$file" ] || { echo "missing $file (build the Windows tree first)"; exit 2; }
done

# shellcheck source=tests/e2e/wine_env.sh
. "$root/tests/e2e/wine_env.sh"

work=$(mktemp -d /tmp/korv-e2e.XXXXXX)
passed=0
failed=0
app_pid=
app_status=

cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
    wine_stop
    if [ "${KORV_E2E_KEEP:-0}" = 1 ]; then echo "work directory kept: $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT
trap 'exit 1' INT TERM

wine_prepare_template "$template" || { echo "cannot prepare the Wine prefix"; exit 2; }
wine_start "$template" "$work" || { echo "cannot start Wine"; exit 2; }
install_manager() { wine_install_system_dll "$manager"; }
install_manager

# --- checks -----------------------------------------------------------------

pass() { passed=$((passed + 1)); echo "PASS $1"; }
fail() { failed=$((failed + 1)); echo "FAIL $1${2:+: $2}"; }

# check <name> <file> <exact line>
check_line() {
    if grep -Fxq -- "$3" "$2"; then pass "$1"; else fail "$1" "no line '$3' in $(basename "$2")"; fi
}

# check_match <name> <file> <extended regular expression for one line>
check_match() {
    if grep -Eq -- "$3" "$2"; then pass "$1"; else fail "$1" "nothing matches '$3' in $(basename "$2")"; fi
}

# check_no_text <name> <file> <fixed text>
check_no_text() {
    if grep -Fq -- "$3" "$2"; then fail "$1" "'$3' found in $(basename "$2")"; else pass "$1"; fi
}

check_equal() {
    if [ "$2" = "$3" ]; then pass "$1"; else fail "$1" "got '$2', expected '$3'"; fi
}

value_of() { grep -m1 "^$2=" "$1" | cut -d= -f2-; }

winpath() { printf 'Z:%s' "${1//\//\\}"; }

# start_app <case> [VAR=value ...]: starts the program in the background with
# the scenario and log of that case; stdout goes to <case>.out.
start_app() {
    local case=$1
    shift
    : > "$work/$case.log"
    : > "$work/$case.drv"
    (cd "${app_cwd:-$work}" && env KORV_SIM_LOG="$(winpath "$work/$case.log")" "$@" \
        wine "${app_exe:-$exe}" > "$work/$case.out" 2> "$work/$case.err") &
    app_pid=$!
}

# drive <case> <steps...>: runs the driver; its lines go to <case>.drv too.
# A failed step leaves a picture of the screen as <case>-failure.png.
drive() {
    local case=$1
    shift
    wine "$driver" "$@" 2>> "$work/$case.err" | tee -a "$work/$case.drv" > "$work/last.drv"
    if [ "${PIPESTATUS[0]}" -ne 0 ]; then
        "$root/tests/e2e/screenshot.sh" "$DISPLAY" "$work/$case-failure.png" 2>/dev/null
        ps -eo pid,etime,time,stat,args | grep '[q]emu-i386' > "$work/$case-failure.ps"
    fi
}

# stop_app: waits for the program to end (at most $1 seconds), kills it after
# that; sets app_status to its exit status, or "killed".
stop_app() {
    local limit=${1:-30} waited=0
    while kill -0 "$app_pid" 2>/dev/null && [ "$waited" -lt "$((limit * 10))" ]; do
        sleep 0.1
        waited=$((waited + 1))
    done
    if kill -0 "$app_pid" 2>/dev/null; then
        kill "$app_pid" 2>/dev/null
        wait "$app_pid" 2>/dev/null
        app_status=killed
    else
        wait "$app_pid"
        app_status=$?
    fi
    app_pid=
}

# The program writes its diagnostic lines through the C runtime's text mode,
# so they end in CR LF; the checks compare the lines without the CR.
stdout_of() { tr -d '\r' < "$work/$1.out"; }

scenario_env() { echo "KORV_SIM_SCENARIO=$(winpath "$1")"; }

screenshot() { [ "${KORV_E2E_SHOTS:-0}" = 1 ] && "$root/tests/e2e/screenshot.sh" "$DISPLAY" "$work/$1.png"; }

# --- cases ------------------------------------------------------------------

note=$'\xe3\x80\x80 ドライブを選択し、[Copy]ボタンを押すと \\n\xe3\x80\x80対象ドライブのシリアル番号がコピーできます。\\n\\n\xe3\x80\x80コピー後にユーザー登録ページのシリアル番号入力欄への\\n\xe3\x80\x80貼り付けを行って下さい。'
about_title='KorvSerialのﾊﾞｰｼﾞｮﾝ情報'
demo_items=(
    'item0=(0:1) KORVANE DVDR   KV-948A  '
    'item1=(0:3) KORVANE DVDR   KV-942A  '
    'item2=(1:9) KORVANE CD-R   KV-R4410A'
)

case_demo_machine() {
    local c=demo
    start_app $c "$(scenario_env "$scenarios/demo.scenario")"
    drive $c main:120000 list serial note rect focus
    screenshot $c
    check_line "drives listed in survey order: count" "$work/$c.drv" "count=3"
    for item in "${demo_items[@]}"; do check_line "drives listed in survey order: ${item%%=*}" "$work/$c.drv" "$item"; done
    check_line "first drive selected" "$work/$c.drv" "cursel=0"
    check_line "first drive's serial shown" "$work/$c.drv" "serial=507425005001"
    check_line "note text in Japanese" "$work/$c.drv" "note=$note"
    check_match "window at 10,10" "$work/$c.drv" '^rect=10,10,[0-9]+,[0-9]+$'
    check_line "window topmost" "$work/$c.drv" "topmost=1"
    check_line "Copy button has the focus" "$work/$c.drv" "focus=1"

    : > "$work/$c.drv"
    drive $c main:5000 select:1 serial focus select:2 serial
    check_line "second selection shows its serial" "$work/$c.drv" "serial=506580004000"
    check_line "selection moves focus to Copy" "$work/$c.drv" "focus=1"
    check_line "delayed-completion drive read" "$work/$c.drv" "serial=505624004001"

    : > "$work/$c.drv"
    drive $c main:5000 select:0 click:1 focus repaint focus serial select:2
    check_equal "repaint moves the focus back to Copy" "$(grep '^focus=' "$work/$c.drv" | tr '\n' ' ')" "focus=1000 focus=1 "
    check_match "repaint shows the selected drive's serial" "$work/$c.drv" '^serial=507425005001$'

    : > "$work/$c.drv"
    drive $c main:5000 seed-clipboard click:1 clipboard focus
    check_line "Copy puts the shown text on the clipboard (CF_TEXT)" "$work/$c.drv" "clip-text=505624004001"
    check_line "Copy puts no line end on the clipboard" "$work/$c.drv" "clip-text-hex=353035363234303034303031"
    check_line "Copy: text readable as Unicode too" "$work/$c.drv" "clip-unicode=505624004001"
    check_line "after Copy the serial field has the focus" "$work/$c.drv" "focus=1000"
    check_line "after Copy the serial text is selected" "$work/$c.drv" "selection=0,12"

    : > "$work/$c.drv"
    drive $c main:5000 type:ABC serial select:0 type:x serial
    check_line "typing into the serial field is undone" "$work/$c.drv" "serial=505624004001"
    check_line "typing after another selection is undone" "$work/$c.drv" "serial=507425005001"

    : > "$work/$c.drv"
    drive $c main:5000 seed-clipboard focus key:enter clipboard list
    check_line "Enter copies" "$work/$c.drv" "clip-text=507425005001"
    check_line "Enter leaves the dialog open" "$work/$c.drv" "count=3"

    : > "$work/$c.drv"
    drive $c main:5000 sysabout about:30000 about-ok
    screenshot $c-about
    check_line "About box from the system menu" "$work/$c.drv" "about-title=$about_title"
    check_line "About box owned by the main dialog" "$work/$c.drv" "about-owner=main"
    check_line "About box closes with OK" "$work/$c.drv" "about-closed=1"

    : > "$work/$c.drv"
    drive $c main:5000 key:esc wait-exit:30000
    check_line "Esc closes and the process ends" "$work/$c.drv" "exit=0"
    stop_app 30
    check_equal "exit status after Esc" "$app_status" 0
    check_equal "ASPI Mode on stdout" "$(stdout_of $c)" "ASPI Mode"

    # What the drives received.
    check_match "KV-948A: F1h with 01h, 12-byte CDB (ATAPI)" "$work/$c.log" \
        'cmd=02 ha=0 target=1 lun=0 flags=48 buflen=128 .* cdblen=12 cdb=F1 01 00 00 00 00 00 00 00 80 00 00 '
    check_match "KV-942A: F1h with 00h, 10-byte CDB" "$work/$c.log" \
        'cmd=02 ha=0 target=3 lun=0 flags=48 buflen=128 .* cdblen=10 cdb=F1 00 00 00 00 00 00 00 00 80 '
    check_match "KV-R4410A: F1h with 00h, 12-byte CDB (ATAPI)" "$work/$c.log" \
        'cmd=02 ha=1 target=9 lun=0 flags=48 buflen=128 .* cdblen=12 cdb=F1 00 00 00 00 00 00 00 00 80 00 00 '
    check_match "probes are 6-byte TEST UNIT READY and INQUIRY" "$work/$c.log" \
        'cmd=02 ha=1 target=9 lun=0 flags=48 buflen=40 .* cdblen=6 cdb=12 00 00 00 28 00 '
    check_no_text "no F1h to the hard disk" "$work/$c.log" "ha=0 target=0 lun=0 flags=48 buflen=128"
}

case_second_start() {
    local c=second
    start_app $c "$(scenario_env "$scenarios/demo.scenario")"
    local first=$app_pid
    rm -f "$work/$c-2.log"
    drive $c main:120000
    (cd "$work" && env KORV_SIM_LOG="$(winpath "$work/$c-2.log")" "$(scenario_env "$scenarios/demo.scenario")" \
        timeout 60 wine "$exe" > "$work/$c-2.out" 2>&1)
    check_equal "second start ends by itself" "$?" 0
    drive $c windows:KorvSerial
    check_line "exactly one window after a second start" "$work/$c.drv" "windows=1"
    check_equal "second start shows and surveys nothing" "$(cat "$work/$c-2.out" "$work/$c-2.log" 2>/dev/null)" ""
    app_pid=$first
    drive $c main:5000 command:2 wait-exit:30000
    stop_app 30
    check_equal "Close button ends the first copy" "$app_status" 0
}

case_read_error() {
    local c=readerror
    start_app $c "$(scenario_env "$scenarios/read-error.scenario")"
    drive $c main:120000 list serial select:1 serial command:2
    check_line "failed drive still listed" "$work/$c.drv" "item0=(0:0) KORVANE DVDR   KV-942A  "
    check_line "failed read shows S/No Read error" "$work/$c.drv" "serial=S/No Read error"
    check_line "later drive still read" "$work/$c.drv" "serial=507425005001"
    stop_app 30
}

case_no_cd_device() {
    local c=nocd
    start_app $c "$(scenario_env "$scenarios/no-cd-device.scenario")"
    drive $c main:120000 list rect
    check_line "no CD/DVD device: empty list" "$work/$c.drv" "count=0"
    check_line "no CD/DVD device: window stays" "$work/$c.drv" "visible=1"
    drive $c main:5000 command:2 wait-exit:30000
    stop_app 30
    check_equal "no CD/DVD device: stdout" "$(stdout_of $c)" $'ASPI Mode\nNot forund terget CD/DVD drive.  '
}

case_none_supported() {
    local c=nonesupported
    start_app $c "$(scenario_env "$scenarios/none-supported.scenario")"
    drive $c box:KorvSerial1:120000 box-ok
    check_line "none supported: message box text" "$work/$c.drv" 'box-text=対象ドライブが見つかりませんでした。 \n'
    stop_app 30
    check_equal "none supported: the utility ends" "$([ "$app_status" = killed ] && echo running || echo ended)" ended
}

case_no_transport() {
    local c=notransport
    wine reg add 'HKCU\Software\Wine\AppDefaults\KorvSerial.exe' /v Version /d win98 /f > /dev/null 2>&1
    start_app $c WINEDLLOVERRIDES="$WINEDLLOVERRIDES;wnaspi32=d"
    drive $c box:KorvSerial:120000 box-ok
    check_line "no transport: message box" "$work/$c.drv" \
        'box-text=Not found ASPI32 or host.\n\nASPIが有効ではありません。\nASPIﾄﾞﾗｲﾊﾞがｲﾝｽﾄｰﾙされていないか、正しく動作していません。\nKorvTools のｲﾝｽﾄｰﾙを行ってみて下さい。\n'
    stop_app 30
    check_equal "no transport: exit status 0" "$app_status" 0
    check_no_text "no transport: no mode line" "$work/$c.out" "Mode"
    wine reg delete 'HKCU\Software\Wine\AppDefaults\KorvSerial.exe' /f > /dev/null 2>&1
}

case_pass_through() {
    local c=passthrough
    start_app $c WINEDLLOVERRIDES="$WINEDLLOVERRIDES;wnaspi32=d"
    drive $c main:120000 command:2 wait-exit:30000
    stop_app 30
    check_equal "manager disabled on NT: SPTI Mode" "$(stdout_of $c | head -1)" "SPTI Mode"
}

case_planted_manager() {
    local c=planted
    mkdir -p "$work/planted-cwd" "$work/planted-app"
    for dir in "$work/planted-cwd" "$work/planted-app"; do
        cp "$manager" "$dir/wnaspi32.dll"
        cp "$scenarios/demo.scenario" "$dir/wnaspi32.scenario"
    done
    cp "$exe" "$work/planted-app/KorvSerial.exe"
    wine_remove_system_dll wnaspi32.dll
    app_cwd=$work/planted-cwd app_exe=$work/planted-app/KorvSerial.exe start_app $c
    drive $c main:120000 list command:2 wait-exit:30000
    stop_app 30
    check_equal "planted manager not loaded: pass-through" "$(stdout_of $c | head -1)" "SPTI Mode"
    check_equal "planted manager not loaded: its log stays empty" "$(cat "$work/$c.log")" ""
    install_manager
}

case_english_locale() {
    local c=english
    start_app $c "$(scenario_env "$scenarios/demo.scenario")" LC_ALL=en_US.UTF-8
    drive $c main:120000 note list sysabout about:30000 about-ok command:2 wait-exit:30000
    check_line "en_US: note text in Japanese" "$work/$c.drv" "note=$note"
    check_line "en_US: About title in Japanese" "$work/$c.drv" "about-title=$about_title"
    check_line "en_US: drives listed" "$work/$c.drv" "${demo_items[0]}"
    stop_app 30
}

cases=(
    case_demo_machine
    case_second_start
    case_read_error
    case_no_cd_device
    case_none_supported
    case_no_transport
    case_pass_through
    case_english_locale
    case_planted_manager
)
# Wine's 32-bit processes run under qemu's user-mode emulation here, which now
# and then kills one of them ("stack smashing detected", an uncaught SIGSEGV)
# whatever it runs. A case that fails is therefore run once more, from a clean
# state, and only its second run counts; the first run's failures are shown
# as "FLAKY" lines, so a repeated real fault still fails the suite.
run_case() {
    local case=$1 before_passed=$passed before_failed=$failed
    touch "$work/.case-start"
    "$case" > "$work/$case.result"
    if [ -n "$app_pid" ]; then stop_app 5; fi
    if [ "$failed" -gt "$before_failed" ]; then
        sed -n 's/^FAIL /FLAKY first run: /p' "$work/$case.result"
        # Whether the emulator killed a process during that run.
        find "$work" -maxdepth 1 -name '*.err' -newer "$work/.case-start" -exec cat {} + 2>/dev/null \
            | grep -E 'qemu: uncaught|stack smashing' | sort -u | sed 's/^/FLAKY emulator: /'
        passed=$before_passed
        failed=$before_failed
        wine taskkill /f /im KorvSerial.exe > /dev/null 2>&1
        install_manager
        "$case" > "$work/$case.result"
        if [ -n "$app_pid" ]; then stop_app 5; fi
    fi
    cat "$work/$case.result"
}

for case in "${cases[@]}"; do
    if [ -z "${KORV_E2E_ONLY:-}" ] || [ "$case" = "$KORV_E2E_ONLY" ]; then
        echo "--- $case"
        run_case "$case"
    fi
done

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
