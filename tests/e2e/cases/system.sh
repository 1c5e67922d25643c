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
    check_equal "Wine's manager: pass-through instead" "$(stdout_of $c)" "SPTI Mode"
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
    drive $c box:KorvSerial:30000 box-ok
    stop_app 30
    kill "$holder"; wait "$holder" 2>/dev/null
    check_line "a running copy without a window: the second start says so" "$work/$c.drv" \
        'box-text=KorvSerial は既に実行中ですが、応答していません。\nKorvSerial is already running but is not responding.'
    check_equal "a running copy without a window: the second start ends" "$app_status" 0
}
