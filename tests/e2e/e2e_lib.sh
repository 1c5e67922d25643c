# Checks and program control shared by the end-to-end cases (sourced by
# scripts/e2e.sh once it has set root, exe, manager, driver, scenarios, work,
# sg_dir and sg_preload).

passed=0
failed=0
app_pid=
app_status=

# Where a failed check leaves its evidence: one folder per case, which
# run_case sets and fills (see keep_evidence).
evidence_root=$root/build/e2e-failures
evidence_dir=

pass() { passed=$((passed + 1)); echo "PASS $1"; }

# A failed check keeps, at once, what the case has written so far (a later
# step of the case may write over it) and a picture of the whole virtual
# screen, while whatever went wrong may still show; its FAIL line names them.
fail() {
    failed=$((failed + 1))
    if [ -z "$evidence_dir" ]; then
        echo "FAIL $1${2:+: $2}"
        return
    fi
    local moment=$evidence_dir/at-failure-$failed crash
    keep_evidence "$moment"
    "$root/tests/e2e/screenshot.sh" "${DISPLAY:-}" "$moment/screen.png" > /dev/null 2>&1
    crash=$(crashes_of_case | head -n 1)
    echo "FAIL $1${2:+: $2}${crash:+ [crash: $crash]} [evidence: ${moment#"$root"/}]"
}

# How a crash of a Windows program under test shows on its standard error:
# Wine's line for an unhandled exception, which it writes before it looks for
# a debugger, and the emulator's for a signal the program did not survive.
crash_pattern='wine: Unhandled|wine: .*starting debugger|qemu: uncaught target signal|stack smashing detected|wine client error'

# The crash lines that the programs started by the running case have written.
crashes_of_case() {
    find "$work" -maxdepth 1 -name '*.err' -newer "$work/.case-start" -exec grep -Eh -- "$crash_pattern" {} + 2>/dev/null \
        | sort -u
}

# keep_evidence <folder>: what the case's run left in the work directory (the
# driver's output, the program's standard output and Wine's errors, the
# simulated drives' logs, pictures) goes into <folder>.
keep_evidence() {
    mkdir -p "$1"
    find "$work" -maxdepth 1 -type f -newer "$work/.case-start" ! -name .case-start -exec cp {} "$1/" \;
    cp "$sg_dir/log" "$1/sg.log" 2>/dev/null
}

# check_line <name> <file> <exact line>
check_line() {
    if grep -Fxq -- "$3" "$2"; then pass "$1"; else fail "$1" "no line '$3' in $(basename "$2")"; fi
}

# check_match <name> <file> <extended regular expression for one line>
check_match() {
    if grep -Eq -- "$3" "$2"; then pass "$1"; else fail "$1" "nothing matches '$3' in $(basename "$2")"; fi
}

# check_no_match <name> <file> <extended regular expression>
check_no_match() {
    if grep -Eq -- "$3" "$2"; then fail "$1" "'$(grep -Em1 -- "$3" "$2")' in $(basename "$2")"; else pass "$1"; fi
}

# check_no_text <name> <file> <fixed text>
check_no_text() {
    if grep -Fq -- "$3" "$2"; then fail "$1" "'$3' found in $(basename "$2")"; else pass "$1"; fi
}

check_equal() {
    if [ "$2" = "$3" ]; then pass "$1"; else fail "$1" "got '$2', expected '$3'"; fi
}

# start_app <case> [VAR=value ...]: starts the program in the background with
# the scenario and log of that case; stdout goes to <case>.out. The
# pass-through preload is always there: a case without simulated letters
# finds every letter pointing at /dev/null. An earlier copy's marker must be
# gone first, or the start would take itself for a second one and end.
start_app() {
    local case=$1
    shift
    : > "$work/$case.log"
    : > "$work/$case.drv"
    drive "$case" marker-gone:30000
    # Wine's errors of this start go to <case>.err, for the evidence of a failure.
    (cd "${app_cwd:-$work}" && env KORV_SIM_LOG="$(winpath "$work/$case.log")" KORV_SG_DIR="$sg_dir" \
        LD_PRELOAD="$sg_preload${LD_PRELOAD:+ $LD_PRELOAD}" WINEDEBUG=-all,err+all "$@" wine "${app_exe:-$exe}" > "$work/$case.out" 2> "$work/$case.err") &
    app_pid=$!
}

# drive <case> <steps...>: runs the driver; its lines go to <case>.drv too.
# A failed step leaves a picture of the screen as <case>-failure.png. A crash
# of the program ends the driver's wait at once: its step fails with the
# crash's line, where it would otherwise wait out its limit for a window that
# never comes (Wine's crash handling may even hang the crashed process).
drive() {
    local case=$1 driver_pid crash status
    shift
    wine "$driver" "$@" 2>> "$work/$case.err" > "$work/last.drv" &
    driver_pid=$!
    while kill -0 "$driver_pid" 2>/dev/null; do
        crash=$(grep -Em1 -- "$crash_pattern" "$work/$case.err" 2>/dev/null) && break
        sleep 0.2
    done
    if [ -n "${crash:-}" ]; then
        kill "$driver_pid" 2>/dev/null
        echo "error=the program crashed: $crash" >> "$work/last.drv"
    fi
    wait "$driver_pid"
    status=$?
    cat "$work/last.drv" >> "$work/$case.drv"
    if [ "$status" -ne 0 ]; then
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

# The setting for start_app under which the program finds no ASPI manager:
# Wine loads neither the installed one nor its own.
no_manager() { echo "WINEDLLOVERRIDES=$WINEDLLOVERRIDES;wnaspi32=d"; }

screenshot() { [ "${KORV_E2E_SHOTS:-0}" = 1 ] && "$root/tests/e2e/screenshot.sh" "$DISPLAY" "$work/$1.png"; }

# use_version <version>: what Wine tells the program and the driver about the
# Windows they run on ("" for the prefix's default).
use_version() {
    local program
    for program in KorvSerial.exe e2e_driver.exe; do
        if [ -n "$1" ]; then
            wine reg add "HKCU\\Software\\Wine\\AppDefaults\\$program" /v Version /d "$1" /f > /dev/null 2>&1
        else
            wine reg delete "HKCU\\Software\\Wine\\AppDefaults\\$program" /f > /dev/null 2>&1
        fi
    done
}

# check_centred <name> <drv-file>: the About box's centre is the main
# dialog's (within a pixel: odd sizes halve unevenly).
check_centred() {
    local al at ar ab ml mt mr mb dx dy
    IFS=, read -r al at ar ab < <(sed -n 's/^about-rect=//p' "$2")
    IFS=, read -r ml mt mr mb < <(sed -n 's/^about-main-rect=//p' "$2")
    dx=$(((al + ar) - (ml + mr)))
    dy=$(((at + ab) - (mt + mb)))
    if [ "${dx#-}" -le 2 ] && [ "${dy#-}" -le 2 ]; then pass "$1"; else
        fail "$1" "About box at $al,$at,$ar,$ab, main dialog at $ml,$mt,$mr,$mb"
    fi
}

# check_version <case> <version>: the version, as GetVersionEx reports it, that
# Wine gives the programs for that setting.
check_version() {
    local expected
    case $2 in
        win98) expected='4.10 platform=1' ;;
        winme) expected='4.90 platform=1' ;;
        winxp) expected='5.1 platform=2' ;;
        win7) expected='6.1 platform=2' ;;
        win10) expected='10.0 platform=2' ;;
    esac
    wine "$driver" winver > "$work/$1.ver" 2>> "$work/$1.err"
    check_line "$2: reported as Windows $expected" "$work/$1.ver" "winver=$expected"
}

# use_letters <scenario>: the scenario's "drive X:" letters become simulated
# pass-through drives, hard links to the one simulated device file, and but
# for C:, the system's disk, CD-ROM drives to the system; every other
# letter's device points at /dev/null.
use_letters() {
    local letter
    rm -f "$sg_dir"/[c-z]
    cp "$1" "$sg_dir/scenario"
    : > "$sg_dir/log"
    wine_point_letters_nowhere
    find "$WINEPREFIX/dosdevices" -maxdepth 1 -lname "$sg_dir/cd-*" -delete
    for letter in $(sed -n 's/^drive \([C-Zc-z]\): .*/\1/p' "$1" | tr 'A-Z' 'a-z'); do
        ln "$sg_dir/drive" "$sg_dir/$letter"
        wine_point_letter "$letter" "$sg_dir/$letter"
        [ "$letter" = c ] && continue
        mkdir -p "$sg_dir/cd-$letter"
        ln -sfn "$sg_dir/cd-$letter" "$WINEPREFIX/dosdevices/$letter:"
    done
}

# drive_holders: "<pid> <file>" for every descriptor a process holds on a
# simulated drive's file. Under Wine both the server and the program hold one
# while the program has a handle on the drive open.
drive_holders() {
    find /proc/[0-9]*/fd -maxdepth 1 -lname "$sg_dir/[c-z]" -printf '%h %l\n' 2>/dev/null \
        | sed 's|^/proc/\([0-9]*\)/fd|\1|' | sort -u
}

# check_no_real_device <case>: every letter's device is a simulated drive or
# /dev/null, and the preload refused no request to anything else.
check_no_real_device() {
    local letter target stray=
    for letter in {c..z}; do
        target=$(readlink -f "$WINEPREFIX/dosdevices/$letter::")
        [ "$target" = /dev/null ] || [ "$target" -ef "$sg_dir/drive" ] || stray="$stray $letter:=$target"
    done
    stray="$stray$(grep '^refused ' "$sg_dir/log" | grep -vx 'refused path=/dev/null' | sort -u | tr '\n' ' ')"
    check_equal "$1: no command can reach a device of this machine" "$stray" ""
}

# print_startup_times <case> <what> <start ms>: from the program's start (the
# shell's clock, just before start_app) to its first visible window and to
# the filled main dialog, as the driver's first-window and time:main steps saw
# them; a moment the driver did not see is said to be not seen. Printed,
# never judged.
print_startup_times() {
    local first main kind
    first=$(sed -n 's/^first-window-at=//p' "$work/$1.drv" | head -n 1)
    kind=$(sed -n 's/^first-window=//p' "$work/$1.drv" | head -n 1)
    main=$(sed -n 's/^main-at=//p' "$work/$1.drv" | head -n 1)
    echo "start-up with $2: first window (${kind:-none}) $(time_since "$3" "$first"), filled main dialog $(time_since "$3" "$main")"
}

# time_since <start ms> <moment ms, or nothing when it was not seen>
time_since() {
    if [ -n "$2" ]; then echo "after $(($2 - $1)) ms"; else echo "not seen"; fi
}

# Wine's X clipboard manager runs in its desktop process from the session's
# first window on: at its start it takes X's selection into the clipboard
# (opening and emptying it), and after every change it offers the clipboard
# to X. On a busy machine it starts late or lags a change behind, and then
# keeps the clipboard open for seconds or puts an older text back over a
# newer one. A Windows clipboard changes only when a program changes it, so
# every group keeps the manager from starting: a driver owns, before any
# window exists, the mutex that the manager must own first, until the
# group's Wine session ends. Waits for the driver to say whether it could.
keep_clipboard_local() {
    local said=$work/clipboard-sync.out waited=0
    wine "$driver" hold-clipboard-sync > "$said" 2>&1 &
    while ! grep -q '^clipboard-sync=' "$said" 2>/dev/null && [ "$waited" -lt 600 ]; do
        sleep 0.1
        waited=$((waited + 1))
    done
    grep -qx 'clipboard-sync=held' "$said"
}
