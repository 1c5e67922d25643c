# The cases where parts of the system itself meet the program (sourced by
# scripts/e2e.sh; each case is a function): the system's own ASPI manager, a
# network drive letter, another program's window with the main dialog's title.

# Wine's built-in manager stands in for a real one: it counts one host adapter
# for each SCSI bus in the hardware device map, yet carries out no request.
# The program must not take it and must reach the writers through
# pass-through, as it would on Linux with a real writer.
case_builtin_manager() {
    local c=builtin-manager builtin="WINEDLLOVERRIDES=$WINEDLLOVERRIDES;wnaspi32=b"
    wine_install_system_dll "$work/wine-placeholder/wnaspi32.dll"
    use_letters "$scenarios/pass-through.scenario"
    drive $c scsi-bus
    env "$builtin" wine "$driver" aspi-probe 2>> "$work/$c.err" | tee -a "$work/$c.drv" > /dev/null
    check_line "Wine's manager: ready, one adapter for the registered bus" "$work/$c.drv" "aspi-support=01 adapters=1"
    check_line "Wine's manager: refuses the inquiry and writes nothing into it" "$work/$c.drv" \
        "aspi-inquiry=E0 status-byte=AA"
    start_app $c "$builtin"
    drive $c main:120000 list key:esc wait-exit:30000
    stop_app 30
    check_equal "Wine's manager: pass-through instead" "$(stdout_of $c)" "$pass_through_stdout"
    check_line "Wine's manager: the writers listed" "$work/$c.drv" "count=5"
    check_line "Wine's manager: by drive letter" "$work/$c.drv" "item0=(D:) KORVANE DVDR   KV-948A  "
    check_no_real_device "Wine's manager"
    install_manager
}

# A network letter whose device takes seconds to open, as a remembered
# mapping whose server is away does: the walk never opens it, and the window
# comes as soon as without it. The times are printed, not judged.
network_delay_ms=6000

time_to_window() {
    local c=$1 start end
    start=$(date +%s%N)
    start_app $c "$(no_manager)"
    drive $c main:120000 list key:esc wait-exit:30000
    end=$(date +%s%N)
    stop_app 30
    echo "$(((end - start) / 1000000))"
}

case_network_letter() {
    local c=network with without
    use_letters "$scenarios/network-letter.scenario"
    mkdir -p "$sg_dir/net-g"
    echo "$network_delay_ms" > "$sg_dir/network-open-ms"
    ln -sfn "$sg_dir/net-g" "$WINEPREFIX/dosdevices/g:"
    with=$(time_to_window $c)
    check_line "network letter: the writer on D: listed" "$work/$c.drv" "item0=(D:) KORVANE DVDR   KV-948A  "
    check_line "network letter: nothing else listed" "$work/$c.drv" "count=1"
    check_no_match "network letter: G: never opened" "$sg_dir/log" '^open letter=G'
    check_no_real_device "network letter"

    rm -rf "$WINEPREFIX/dosdevices/g:" "$sg_dir/net-g" "$sg_dir/network-open-ms"
    use_letters "$scenarios/network-letter.scenario"
    without=$(time_to_window $c-local)
    echo "time to the window: ${with} ms with a network letter whose opens take ${network_delay_ms} ms, ${without} ms with the letter local"
}

# A foreign window titled like the main dialog lies above it; a second start
# still brings the utility's own dialog forward and ends.
case_namesake_window() {
    local c=namesake
    start_app $c "$(scenario_env "$scenarios/demo.scenario")"
    drive $c main:120000 namesake-start windows:KorvSerial
    check_line "namesake: in the foreground before the second start" "$work/$c.drv" "foreground-before=namesake"
    check_line "namesake: the second start ends by itself" "$work/$c.drv" "second-start-exit=0"
    check_line "namesake: the utility's dialog brought forward" "$work/$c.drv" "foreground=main"
    check_line "namesake: no second main window" "$work/$c.drv" "windows=1"
    drive $c main:5000 command:2 wait-exit:30000
    stop_app 30
}

# Windows 95, 98 and ME implement these wide-character functions; every other
# W function there is a stub that fails, so the program must call none.
ansi_system_w_functions=" MessageBoxW MessageBoxExW MultiByteToWideChar WideCharToMultiByte lstrlenW lstrcpyW lstrcatW
    GetCommandLineW FindResourceW FindResourceExW EnumResourceTypesW EnumResourceNamesW EnumResourceLanguagesW
    TextOutW ExtTextOutW GetTextExtentPointW GetTextExtentPoint32W GetTextExtentExPointW GetCharWidthW "

# relay_from_image <err-file>: Wine's relay trace (+pid,+relay,+loaddll) in
# that file, kept to the calls and returns that the process which loaded the
# program made from the program's own image, in order, as "Call <dll>.<name>(
# <arguments>) ..." and "Ret  <dll>.<name>() retval=<value> ...". The image is
# relocatable: its range is where this process loaded it, for its size.
relay_from_image() {
    local loaded pid base size end
    loaded=$(grep -a -m1 -E '^[0-9a-f]{4}:[0-9a-f]{4}:trace:loaddll:.*KorvSerial\.exe" at [0-9A-Fa-f]{8}' "$1") || return 1
    pid=${loaded%%:*}
    base=$(sed -E 's/.*KorvSerial\.exe" at ([0-9A-Fa-f]{8}).*/\1/' <<< "$loaded" | tr 'A-F' 'a-f')
    size=$(objdump -p "$exe" | awk '$1 == "SizeOfImage" { print $2 }')
    end=$(printf '%08x' $((16#$base + 16#$size)))
    grep -a -E "^$pid:[0-9a-f]{4}:(Call|Ret) " "$1" | awk -v base="$base" -v end="$end" '{
        ret = tolower($NF); sub(/^ret=/, "", ret)
        if (ret >= base && ret < end) { sub(/^[^:]*:[^:]*:/, ""); print }
    }'
}

# relay_calls_from_image <err-file>: the system functions that the program's
# own image called (relay_from_image), one name per line.
relay_calls_from_image() {
    relay_from_image "$1" | awk '$1 == "Call" { name = $2; sub(/^[^.(]*\./, "", name); sub(/\(.*$/, "", name); print name }' | sort -u
}

# check_wake_masks <name> <err-file> <QS_ALLINPUT of the reported version>:
# every wake mask that the program's image passed to MsgWaitForMultipleObjects
# in the relay trace (relay_from_image) lies within what that version defines.
# Wine takes any mask under every version setting, where a real system may
# refuse a bit it never defined and leave the window unserved: so the masks
# are read from the trace rather than waited out.
check_wake_masks() {
    local masks mask beyond=
    masks=$(relay_from_image "$2" | awk '$1 == "Call" && $2 ~ /\.MsgWaitForMultipleObjects\(/ {
        arguments = $2; sub(/^[^(]*\(/, "", arguments); sub(/\)$/, "", arguments)
        split(arguments, argument, ","); print argument[5] }' | sort -u | paste -sd' ')
    for mask in $masks; do
        (((16#$mask & ~$3) != 0)) && beyond+=" $mask"
    done
    if [ -z "$masks" ]; then
        fail "$1" "no wake mask in the trace"
    elif [ -n "$beyond" ]; then
        fail "$1" "traced $masks; beyond $3:$beyond"
    else
        pass "$1 ($masks)"
    fi
}

# case_ansi_system <version>: a whole run under Windows 98 or ME (the survey
# with a writer and a read error behind the progress window, the dialog,
# Copy, the About box, a busy clipboard's box and a second start) calls from
# the program's image only the W functions that system implements, and
# shows the same texts as everywhere. The program reaches the system through
# its imports alone; Wine traces those that come in an A and a W form (the
# others would only lengthen a slow emulated run).
case_ansi_system() {
    local version=$1 c=ansi-$1 s=ansi-$1-steps calls w_calls name
    local imports
    imports=$(objdump -p "$exe" | awk '/DLL Name/ { dll = 1; next } dll && /^\t[0-9a-f]+\t +[0-9]+ +[A-Za-z_]/ { print $NF }' \
        | grep -E '[a-z0-9][AW]$' | paste -sd';')\;MsgWaitForMultipleObjects
    use_version "$version"
    wine reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /d "$imports" /f > /dev/null 2>&1
    local trace=WINEDEBUG=+pid,+relay,+loaddll
    start_app $c "$(scenario_env "$scenarios/slow-read-error.scenario")" "$trace"
    drive $s first-window:180000 progress:180000 main:240000 list serial select:1 serial note \
        seed-clipboard click:1 clipboard sysabout about:60000 about-ok \
        click-holding-clipboard:1:4000 box:KorvSerial:60000 box-ok
    (cd "$work" && env "$(scenario_env "$scenarios/slow-read-error.scenario")" "$trace" \
        timeout 120 wine "$exe" > "$work/$c-2.out" 2> "$work/$c-2.err")
    check_equal "$version: the second start ends by itself" "$?" 0
    drive $s windows:KorvSerial main:5000 command:2 wait-exit:60000
    stop_app 60
    wine reg delete 'HKCU\Software\Wine\Debug' /v RelayInclude /f > /dev/null 2>&1
    use_version ""

    check_line "$version: the progress window first" "$work/$s.drv" "first-window=progress"
    check_line "$version: progress window says what it does" "$work/$s.drv" "progress-text=$progress_text"
    check_match "$version: progress window names the drive being read" "$work/$s.drv" \
        '^progress-step=ドライブ [12] / 2 を読み取っています:\\nReading drive [12] of 2:\\n\(0:[02]\) KORVANE DVDR   KV-94[28]A  $'
    check_line "$version: the writer that failed listed" "$work/$s.drv" "item0=(0:0) KORVANE DVDR   KV-942A  "
    check_line "$version: the writer that read listed" "$work/$s.drv" "item1=(0:2) KORVANE DVDR   KV-948A  "
    check_equal "$version: serials" "$(grep '^serial=' "$work/$s.drv" | tr '\n' ' ')" \
        "serial=S/No Read error serial=507425005001 "
    check_line "$version: note text in Japanese" "$work/$s.drv" "note=$note"
    check_line "$version: Copy puts the serial on the clipboard (CF_TEXT)" "$work/$s.drv" "clip-text-hex=353037343235303035303031"
    check_line "$version: the busy clipboard's box" "$work/$s.drv" \
        'box-text=Could not copy the serial number.\n\nシリアル番号をコピーできませんでした。\n他のプログラムがクリップボードを使用中です。\nもう一度 [Copy] ボタンを押して下さい。\n'
    check_line "$version: About box title" "$work/$s.drv" "about-title=$about_title"
    check_line "$version: exactly one window after the second start" "$work/$s.drv" "windows=1"
    check_line "$version: Close ends the program" "$work/$s.drv" "exit=0"

    for name in first second; do
        local err=$work/$c.err
        [ $name = second ] && err=$work/$c-2.err
        calls=$(relay_calls_from_image "$err")
        check_match "$version, $name start: the trace holds the program's own calls" - '^CreateMutexA$' <<< "$calls"
        w_calls=$(grep -E '[a-z0-9]W$' <<< "$calls" | while read -r w; do
            [[ $ansi_system_w_functions == *" $w "* ]] || echo "$w"; done | paste -sd' ')
        check_equal "$version, $name start: no W function the system lacks" "$w_calls" ""
    done
    check_match "$version: the trace covers the windows" - '^DialogBoxParam[AW]$' <<< "$(relay_calls_from_image "$work/$c.err")"
    check_match "$version: the trace covers the progress window" - '^CreateDialogParam[AW]$' <<< "$(relay_calls_from_image "$work/$c.err")"
    check_wake_masks "$version: the wake masks are Windows 98's" "$work/$c.err" 0xFF
    check_match "$version: the trace covers the second start's search" - '^FindWindowEx[AW]$' <<< "$(relay_calls_from_image "$work/$c-2.err")"
}

# A running copy that shows no window (here a process holding the marker):
# the second start says so in a box instead of ending silently.
case_silent_running_copy() {
    local c=silent-copy said=$work/silent-copy-marker.out holder
    wine "$driver" hold-marker > "$said" 2>&1 &
    holder=$!
    local waited=0
    while ! grep -q '^marker=' "$said" 2>/dev/null && [ "$waited" -lt 600 ]; do
        sleep 0.1
        waited=$((waited + 1))
    done
    start_app $c "$(no_manager)"
    drive $c box:KorvSerial:30000
    kill "$holder"; wait "$holder" 2>/dev/null
    # A third start now runs in full: the box holds no marker.
    drive $c marker-gone:10000
    drive $c box:KorvSerial:5000 box-ok
    stop_app 30
    check_line "a running copy without a window: the second start says so" "$work/$c.drv" \
        'box-text=KorvSerial は既に実行中ですが、応答していません。\nKorvSerial is already running but is not responding.'
    check_line "a running copy without a window: the box keeps no marker alive" "$work/$c.drv" "marker=gone"
    check_equal "a running copy without a window: the second start ends" "$app_status" 0
}
