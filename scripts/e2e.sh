#!/usr/bin/env bash
# End-to-end tests: runs KorvSerial.exe under Wine on a virtual X server and
# checks what the user sees (through tests/e2e/driver.cpp) and what the
# drives receive. The drives are simulated twice over: behind a stand-in ASPI
# manager (tests/sim_aspi), and behind Wine's own pass-through, where a
# preload library answers the SCSI generic requests that Wine makes of the
# drive letters' files (tests/sim_sg).
#
# Groups, each in a fresh copy of a prepared prefix:
#   win32   a 32-bit prefix: every ASPI and pass-through case, the signed copy
#           that scripts/check_signing.sh leaves, then the main cases under
#           Windows XP, 7 and 10, and no transport and a whole run (traced
#           for the functions it calls) under 98 and ME
#   wow64   a 64-bit prefix running the same 32-bit program: the manager in
#           the 32-bit system directory, planted managers, pass-through
#   no-cp932  a system without code page 932 under an English locale: Wine
#           keeps a code page's table for the whole session once a process
#           has loaded it, so the session lacks it from its first process on
#
# Usage: scripts/e2e.sh [windows-build-dir]     (default: build/windows)
# Environment:
#   KORV_E2E_TEMPLATE  where the prepared 32-bit prefix is cached (default
#                      /tmp/korv-e2e-template-$UID; the 64-bit one beside it
#                      with the suffix -wow64)
#   KORV_E2E_KEEP=1    keep the work directories (logs, outputs, prefixes)
#   KORV_E2E_SHOTS=1   save screenshots of the main cases
#   KORV_E2E_DPI=192   the screen's dots per inch (96 is 100 %, 192 is 200 %)
#   KORV_E2E_ONLY="<case function>..."  run those cases alone (in every group that has them)
#
# Prints one line per check, a count per group and finally "N passed,
# M failed"; exits non-zero when a check failed or a group could not be set up.
set -uo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/windows}" && pwd) || exit 2
exe=$build/app/KorvSerial.exe
signed_exe=$build/signing/KorvSerial.exe
manager=$build/tests/sim_aspi/wnaspi32.dll
driver=$build/tests/e2e/e2e_driver.exe
scenarios=$root/tests/e2e/scenarios

# Wine's 32-bit side runs as this machine runs 32-bit programs: said first,
# so that the timings and any failure below are read against it.
"$root/scripts/i386-runner.sh"

for file in "$exe" "$manager" "$driver"; do
    [ -f "$file" ] || { echo "missing $file (build the Windows tree first)"; exit 2; }
done
[ -f "$signed_exe" ] || { echo "missing $signed_exe (scripts/check_signing.sh $build makes it)"; exit 2; }
"$root/tests/sim_sg/build.sh" "$build/sim_sg" || { echo "cannot build the pass-through preload"; exit 2; }
# Each process's loader expands $LIB to its own word size's library folder.
# shellcheck disable=SC2016
sg_preload=$build/sim_sg/'$LIB'/libkorv_sg.so

# shellcheck source=tests/e2e/wine_env.sh
. "$root/tests/e2e/wine_env.sh"
template32=$wine_template
template64=$wine_template_wow64
# shellcheck source=tests/e2e/e2e_lib.sh
. "$root/tests/e2e/e2e_lib.sh"
# shellcheck source=tests/e2e/cases/aspi.sh
. "$root/tests/e2e/cases/aspi.sh"
# shellcheck source=tests/e2e/cases/pass_through.sh
. "$root/tests/e2e/cases/pass_through.sh"
# shellcheck source=tests/e2e/cases/system.sh
. "$root/tests/e2e/cases/system.sh"

work=
works=()
group_name=
evidence_dirs=()
# Evidence of an earlier run's failures would be taken for this run's.
rm -rf "$evidence_root"
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
    wine_stop
    if [ "${KORV_E2E_KEEP:-0}" = 1 ]; then
        echo "work directories kept: ${works[*]}"
    else
        rm -rf "${works[@]}"
    fi
}
trap cleanup EXIT
trap 'exit 1' INT TERM

install_manager() { wine_install_system_dll "$manager"; }

run_case() {
    local before_failed=$failed result=$work/$1${2:+-$2}.result
    [ -n "${KORV_E2E_ONLY:-}" ] && [[ " $KORV_E2E_ONLY " != *" $1 "* ]] && return 0
    echo "--- $*"
    evidence_dir=$evidence_root/$group_name/$1${2:+-$2}
    touch "$work/.case-start"
    use_letters /dev/null
    "$@" > "$result"
    if [ -n "$app_pid" ]; then stop_app 5; fi
    if [ "$failed" -gt "$before_failed" ]; then
        # Whatever the failed run left behind does not reach the next case.
        # Under the emulator a copy left showing its box outlived taskkill,
        # so its Unix process goes too; the server then closes its handles.
        wine taskkill /f /im KorvSerial.exe > /dev/null 2>&1
        pkill -KILL -f -- 'KorvSerial\.exe' 2> /dev/null
        use_version ""
        install_manager
    fi
    cp "$sg_dir/log" "$result.sg"
    cat "$result"
    if [ "$failed" -gt "$before_failed" ]; then
        keep_evidence "$evidence_dir/at-end"
        evidence_dirs+=("${evidence_dir#"$root"/}")
    fi
    evidence_dir=
}

# run_group <name> <arch> <template> <locale> <absent code pages> <case...>:
# one prefix, one X server and one wineserver for the cases of the group.
run_group() {
    local name=$1 arch=$2 template=$3 locale=$4 absent=$5 case group_passed=$passed group_failed=$failed
    shift 5
    group_name=$name
    echo "=== group $name ($arch prefix)"
    export WINEARCH=$arch
    work=$(mktemp -d "/tmp/korv-e2e-$name.XXXXXX")
    works+=("$work")
    sg_dir=$work/sg
    mkdir -p "$sg_dir"
    : > "$sg_dir/drive"
    [ -z "$absent" ] || echo "$absent" > "$sg_dir/absent-code-pages"
    export LC_ALL=$locale
    # The server opens the drive letters' files and so needs the preload too;
    # it refuses the read-write open of a letter the scenario makes read-only.
    wine_server_preload=$sg_preload
    export KORV_SG_DIR=$sg_dir
    if ! wine_prepare_template "$template" || ! wine_start "$template" "$work"; then
        fail "group $name: Wine prefix set up"
        return
    fi
    [ -z "${KORV_E2E_DPI:-}" ] ||
        wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$KORV_E2E_DPI" /f > /dev/null 2>&1
    keep_clipboard_local || fail "group $name: Wine's clipboard manager kept from starting" \
        "$(cat "$work/clipboard-sync.out" 2>/dev/null)"
    mkdir -p "$work/wine-placeholder"
    cp "$(wine_system_dir)/wnaspi32.dll" "$work/wine-placeholder/"
    install_manager
    for case in "$@"; do
        # shellcheck disable=SC2086  # a case is a function name and its arguments
        run_case $case
    done
    wine_stop
    echo "=== group $name: $((passed - group_passed)) passed, $((failed - group_failed)) failed"
}

run_group win32 win32 "$template32" ja_JP.UTF-8 "" \
    case_demo_machine case_keyboard_and_names case_signed case_second_start case_read_error case_stuck_read \
    case_busy_clipboard case_refused_marker case_no_cd_device "case_no_cd_device win98" case_none_supported \
    case_failed_reads_through_manager "case_failed_reads_through_manager win98" case_failed_reads case_manager_without_writer case_manager_with_writer \
    case_english_locale case_planted_manager \
    case_pass_through_machine case_pass_through_none_supported case_pass_through_no_drive \
    case_slow_writer case_second_start_during_survey case_builtin_manager case_network_letter case_namesake_window \
    "case_close_during_survey sysclose" "case_close_during_survey altf4" "case_close_during_survey esc" \
    case_close_during_request_win98 case_restart_after_close case_refused_letters case_silent_running_copy \
    "case_silent_writers silent-writer 1" "case_silent_writers two-silent-writers 2" \
    "case_versions winxp" "case_versions win7" "case_versions win10" \
    "case_no_transport win98" "case_no_transport winme" "case_ansi_system win98" "case_ansi_system winme"

run_group wow64 win64 "$template64" ja_JP.UTF-8 "" \
    case_demo_machine case_planted_manager case_planted_system32 \
    case_pass_through_machine case_pass_through_no_drive case_slow_writer case_builtin_manager

run_group no-cp932 win32 "$template32" en_US.UTF-8 c_932.nls case_no_code_page_932

if [ "${#evidence_dirs[@]}" -gt 0 ]; then
    echo "evidence of the failed checks:"
    printf '  %s\n' "${evidence_dirs[@]}"
fi
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
