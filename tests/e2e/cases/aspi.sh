# The cases through the simulated ASPI manager, and those where no manager
# may be taken (sourced by scripts/e2e.sh; each case is a function).


note=$'\xe3\x80\x80 ドライブを選択し、[Copy]ボタンを押すと \\n\xe3\x80\x80対象ドライブのシリアル番号がコピーできます。\\n\\n\xe3\x80\x80コピー後にユーザー登録ページのシリアル番号入力欄への\\n\xe3\x80\x80貼り付けを行って下さい。'
about_title='KorvSerialのﾊﾞｰｼﾞｮﾝ情報'
demo_items=(
    'item0=(0:1) KORVANE DVDR   KV-948A  '
    'item1=(0:3) KORVANE DVDR   KV-942A  '
    'item2=(1:9) KORVANE CD-R   KV-R4410A'
)

case_demo_machine() {
    local c=demo start
    start=$(date +%s%3N)
    start_app $c "$(scenario_env "$scenarios/demo.scenario")"
    drive $c first-window:120000 main:120000 time:main list serial note rect focus
    print_startup_times $c "the demo set" "$start"
    check_line "a quick survey shows no window before the main dialog" "$work/$c.drv" "first-window=main"
    screenshot $c
    check_line "drives listed in survey order: count" "$work/$c.drv" "count=3"
    for item in "${demo_items[@]}"; do check_line "drives listed in survey order: ${item%%=*}" "$work/$c.drv" "$item"; done
    check_line "first drive selected" "$work/$c.drv" "cursel=0"
    check_line "first drive's serial shown" "$work/$c.drv" "serial=507425005001"
    check_line "note text in Japanese" "$work/$c.drv" "note=$note"
    check_match "window at 10,10" "$work/$c.drv" '^rect=10,10,[0-9]+,[0-9]+$'
    check_line "window topmost" "$work/$c.drv" "topmost=1"
    check_line "Copy button has the focus" "$work/$c.drv" "focus=1"
    check_line "critical-error boxes fail to the program before the survey" "$work/$c.log" "error-mode=0001"

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
    check_centred "About box centred over the main dialog" "$work/$c.drv"
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

# The executable as a release ships it, with a signature: it still starts
# and lists the demo drives.
case_signed() {
    local c=signed
    app_exe=$signed_exe start_app $c "$(scenario_env "$scenarios/demo.scenario")"
    drive $c main:120000 list command:2 wait-exit:30000
    stop_app 30
    for item in count=3 "${demo_items[@]}"; do check_line "signed executable: ${item%%=*}" "$work/$c.drv" "$item"; done
    check_equal "signed executable: exit status after Close" "$app_status" 0
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

# A drive whose serial read never completes, behind a manager that honours the
# abort and behind one that ignores it: the wait for the read is bounded, the
# window comes, and the program answers. A manager left holding the request is
# sent nothing more, so the drive after it shows the read error too. The times
# to the window are printed, not judged.
case_stuck_read() {
    local abort c start
    for abort in honoured ignored; do
        c=stuck-$abort
        { cat "$scenarios/stuck-read.scenario"; echo "abort $abort"; } > "$work/$c.scenario"
        start=$(date +%s%3N)
        start_app $c "$(scenario_env "$work/$c.scenario")"
        drive $c first-window:180000 main:180000 time:main
        check_line "stuck read, abort $abort: the progress window first" "$work/$c.drv" "first-window=progress"
        drive $c main:5000 list serial select:1 serial select:2 serial key:esc wait-exit:30000
        stop_app 30
        check_line "stuck read, abort $abort: all three writers listed" "$work/$c.drv" "count=3"
        check_line "stuck read, abort $abort: the abort names the pending request" "$work/$c.log" \
            "cmd=03 ha=0 pending=1 -> $abort"
        check_line "stuck read, abort $abort: the program answers and ends" "$work/$c.drv" "exit=0"
        print_startup_times $c "a serial read that never completes (abort $abort)" "$start"
    done
    check_equal "stuck read, abort honoured: the drives before and after it read" \
        "$(grep '^serial=' "$work/stuck-honoured.drv" | tr '\n' ' ')" \
        "serial=506580004000 serial=S/No Read error serial=505624004001 "
    check_equal "stuck read, abort ignored: the drive before it read, the one after not tried" \
        "$(grep '^serial=' "$work/stuck-ignored.drv" | tr '\n' ' ')" \
        "serial=506580004000 serial=S/No Read error serial=S/No Read error "
    check_equal "stuck read, abort ignored: nothing sent after the abort" \
        "$(sed -n '/^cmd=03 /,$p' "$work/stuck-ignored.log" | grep -c '^cmd=0[02] ')" 0
}

# Another program holds the clipboard open while Copy is pressed: for a
# moment, and the serial still arrives; for longer than Copy waits, and the
# user is told, the clipboard keeps what it held, and the next Copy works.
case_busy_clipboard() {
    local c=busy-clipboard
    start_app $c "$(scenario_env "$scenarios/demo.scenario")"
    drive $c main:120000 seed-clipboard click-holding-clipboard:1:300 clipboard windows:KorvSerial
    check_line "clipboard busy for 0.3 s: the serial arrives" "$work/$c.drv" "clip-text=507425005001"
    check_line "clipboard busy for 0.3 s: no message box" "$work/$c.drv" "windows=1"

    : > "$work/$c.drv"
    drive $c main:5000 seed-clipboard click-holding-clipboard:1:4000 box:KorvSerial:30000 clipboard box-ok \
        click:1 clipboard key:esc wait-exit:30000
    stop_app 30
    check_line "clipboard busy for 4 s: the user is told" "$work/$c.drv" \
        'box-text=Could not copy the serial number.\n\nシリアル番号をコピーできませんでした。\n他のプログラムがクリップボードを使用中です。\nもう一度 [Copy] ボタンを押して下さい。\n'
    check_equal "clipboard busy for 4 s: the old content stays, the next Copy works" \
        "$(grep '^clip-text=' "$work/$c.drv" | tr '\n' ' ')" "clip-text=e2e-marker clip-text=507425005001 "
}

# A copy started with administrator rights makes a marker that refuses a
# standard start. The second start still counts it as running, ends by itself
# and brings the minimised copy back to the front (here with its About box
# open, whose owner Wine minimises on request).
case_refused_marker() {
    local c=refused-marker
    start_app $c "$(scenario_env "$scenarios/demo.scenario")"
    drive $c main:120000 sysabout about:30000 refuse-marker second-start windows:KorvSerial
    drive $c-end main:5000 about:30000 about-ok key:esc wait-exit:30000
    stop_app 30
    check_line "refused marker: a later start is refused the marker" "$work/$c.drv" "marker-create=error=5"
    check_line "refused marker: the second start ends by itself" "$work/$c.drv" "second-start-exit=0"
    check_line "refused marker: the minimised copy is restored" "$work/$c.drv" "restored=1"
    check_match "refused marker: the running copy in front" "$work/$c.drv" '^foreground=(main|about)$'
    check_line "refused marker: no second main window" "$work/$c.drv" "windows=1"
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

# case_no_cd_device [version]: a manager that finds no CD or DVD device; on
# the NT family the system's pass-through finds none either, and the note
# says that none was found at all.
case_no_cd_device() {
    local version=${1:-} c=nocd${1:+-$1} stdout=$'ASPI Mode\nNo supported drive through ASPI or SPTI: the list comes from ASPI.\nNot forund terget CD/DVD drive.  '
    local note="drive-note=$no_drive_ja\\r\\n$no_drive_en"
    if [ -n "$version" ]; then
        stdout=$'ASPI Mode\nNot forund terget CD/DVD drive.  '
        note='drive-note=ASPI マネージャーは CD または DVD ドライブを見つけられませんでした。ライターが接続され、電源が入っていることを確認してから、もう一度起動してください。\r\nThe ASPI manager found no CD or DVD drive. Check that the writer is connected and switched on, then start the program again.'
    fi
    use_version "$version"
    start_app $c "$(scenario_env "$scenarios/no-cd-device.scenario")"
    drive $c main:120000 list rect drive-note
    screenshot $c
    check_line "no CD/DVD device${version:+, $version}: empty list" "$work/$c.drv" "count=0"
    check_line "no CD/DVD device${version:+, $version}: window stays" "$work/$c.drv" "visible=1"
    check_line "no CD/DVD device${version:+, $version}: the note says so, and what to do" "$work/$c.drv" "$note"
    drive $c main:5000 command:2 wait-exit:30000
    stop_app 30
    check_equal "no CD/DVD device${version:+, $version}: stdout" "$(stdout_of $c)" "$stdout"
    use_version ""
}

# case_failed_reads_through_manager [version]: an illegal request and a
# selection time-out, each named in the note beside a writer that reads.
case_failed_reads_through_manager() {
    local version=${1:-} c=failed-reads-aspi${1:+-$1}
    use_version "$version"
    start_app $c "$(scenario_env "$scenarios/failed-reads.scenario")"
    drive $c main:120000 list serial drive-note
    screenshot $c
    drive $c main:5000 select:1 serial drive-note
    screenshot $c-1
    drive $c main:5000 select:2 serial drive-note
    screenshot $c-2
    drive $c main:5000 key:esc wait-exit:30000
    stop_app 30
    check_equal "manager${version:+, $version}: the first two not read, the third read" \
        "$(grep '^serial=' "$work/$c.drv" | tr '\n' ' ')" "serial=S/No Read error serial=S/No Read error serial=507425005001 "
    check_equal "manager${version:+, $version}: the note names the selected drive with its reason" \
        "$(grep '^drive-note=' "$work/$c.drv")" \
        'drive-note=ドライブ (0:0) はシリアル番号の読み取り要求を受け付けませんでした。USB 変換アダプター経由の場合は、パソコンに直接接続するか、別のアダプターでお試しください。 (05/20/00)\r\nDrive (0:0) did not accept the serial-number request. If it is connected through a USB adapter, connect it directly or try another adapter. (05/20/00)
drive-note=ドライブ (0:1) は時間内に応答しませんでした。ケーブルと電源を確認してから、もう一度起動してください。 (HA 11h)\r\nDrive (0:1) did not answer in time. Check its cable and power, then start the program again. (HA 11h)
drive-note='
    check_equal "manager${version:+, $version}: standard output names both, each with the transport's description" \
        "$(stdout_of $c | grep -E '^(ASPI|Serial|Host)')" \
        $'ASPI Mode\nSerial not read from "(0:0) KORVANE DVDR   KV-942A  ": refused the command (05/20/00)\nSerial not read from "(0:1) KORVANE DVDR   KV-948A  ": no answer (HA 11h)\nHost Adapter Status: Selection Time-Out (11h)'
    use_version ""
}

case_none_supported() {
    local c=nonesupported
    start_app $c "$(scenario_env "$scenarios/none-supported.scenario")"
    drive $c box:KorvSerial1:120000
    # A second start meanwhile brings that box forward and ends.
    (cd "$work" && env "$(scenario_env "$scenarios/none-supported.scenario")" timeout 30 wine "$exe" > "$work/$c-2.out" 2>&1)
    check_equal "none supported: a second start ends by itself" "$?" 0
    drive $c box:KorvSerial1:5000 foreground box-ok
    check_line "none supported: message box text" "$work/$c.drv" 'box-text=対象ドライブが見つかりませんでした。 \n'
    check_line "none supported: the box in front after the second start" "$work/$c.drv" "foreground=box"
    stop_app 30
    check_equal "none supported: the utility ends" "$([ "$app_status" = killed ] && echo running || echo ended)" ended
}

# case_no_transport <version>: a system of the other family, without a manager.
case_no_transport() {
    local version=$1 c=notransport-$1
    use_version "$version"
    check_version $c "$version"
    start_app $c "$(no_manager)"
    drive $c box:KorvSerial:120000 box-ok
    check_line "$version, no transport: message box" "$work/$c.drv" \
        'box-text=Not found ASPI32 or host.\n\nASPIが有効ではありません。\nASPIﾄﾞﾗｲﾊﾞがｲﾝｽﾄｰﾙされていないか、正しく動作していません。\nKorvTools のｲﾝｽﾄｰﾙを行ってみて下さい。\n'
    stop_app 30
    check_equal "$version, no transport: exit status 0" "$app_status" 0
    check_no_text "$version, no transport: no mode line" "$work/$c.out" "Mode"
    use_version ""
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
    check_no_real_device "planted manager"
    install_manager
}

# On 64-bit Windows a 32-bit program's system directory is the 32-bit one
# (syswow64); a manager only in the 64-bit system32 is not for it.
case_planted_system32() {
    local c=planted-system32 native=$WINEPREFIX/drive_c/windows/system32
    wine_remove_system_dll wnaspi32.dll
    cp "$manager" "$native/wnaspi32.dll"
    cp "$scenarios/demo.scenario" "$native/wnaspi32.scenario"
    start_app $c
    drive $c main:120000 list command:2 wait-exit:30000
    stop_app 30
    check_equal "manager in the 64-bit system32 only: pass-through" "$(stdout_of $c | head -1)" "SPTI Mode"
    check_equal "manager in the 64-bit system32 only: its log stays empty" "$(cat "$work/$c.log")" ""
    rm -f "$native/wnaspi32.dll" "$native/wnaspi32.scenario"
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

# A Windows without the East Asian language files has no code page 932 (the
# group's session lacks its table; its locale gives code page 1252).
case_no_code_page_932() {
    local c=no-cp932
    start_app $c "$(scenario_env "$scenarios/demo.scenario")"
    drive $c main:120000 list serial note key:esc wait-exit:30000
    stop_app 30
    check_line "no code page 932: drive names" "$work/$c.drv" "${demo_items[0]}"
    check_line "no code page 932: serial shown" "$work/$c.drv" "serial=507425005001"
    check_match "no code page 932: the note's ASCII part shows" "$work/$c.drv" '^note=.*\[Copy\]'

    use_version win98
    start_app $c-box "$(no_manager)"
    drive $c-box box:KorvSerial:120000 box-ok
    stop_app 30
    check_match "no code page 932: the no-transport box keeps its English line" "$work/$c-box.drv" \
        '^box-text=Not found ASPI32 or host\.\\n\\n.'
    use_version ""
}


# On Windows 98 and ME the ASPI manager's driver writes into the program's
# memory until its request ends: the progress window closed while the serial
# read of a writer is stuck says that it waits, and the utility ends once the
# request has been aborted and has ended.
case_close_during_request_win98() {
    local c=close-win98
    use_version win98
    start_app $c "$(scenario_env "$scenarios/stuck-read.scenario")"
    drive $c close-progress:sysclose:120000
    stop_app 10
    use_version ""
    check_line "Windows 98, closed during a stuck request: the window says it waits for the request" \
        "$work/$c.drv" 'closing-step=ドライブの応答を待ってから終了します (長くて 45 秒ほど)。\nClosing once the drive has answered (about 45 s at most).'
    check_line "Windows 98, closed during a stuck request: ends with status 0 once the request has ended" \
        "$work/$c.drv" "exit=0"
    check_match "Windows 98, closed during a stuck request: the request was aborted first" "$work/$c.log" '^cmd=03 '
    check_no_match "Windows 98, closed during a stuck request: no drive read after it" "$work/$c.log" \
        '^cmd=02 ha=0 target=5 .*cdb=F1'
}

# What a screen reader calls each control, and every command from the keys
# alone. A control without text of its own is named by the static text
# before it, the walk back stopping at a control that is both a group start
# and a tab stop; Wine's oleacc applies that rule to edit controls, so the
# driver applies it itself to the drive list ("label rule"). Hidden
# controls are listed too, though a screen reader passes them by.
footer='  Korvane KV-948SA            Serial Number Read Program.'
main_names=(
    'title-name=KorvSerial'
    'name0=Button|visible|Copy|oleacc'
    'name1=Button|visible|Close|oleacc'
    'name2=Static|visible|Serial Number|oleacc'
    'name3=Edit|visible|Serial Number|oleacc'
    'name4=Static|hidden|ドライブ\nDrive|oleacc'
    'name5=ComboBox|visible|ドライブ\nDrive|label rule'
    'name6=Button|visible|<none>|oleacc'
    'name7=Edit|hidden|ドライブ\nDrive|oleacc'
    "name8=Static|visible|$note|oleacc"
    "name9=Static|visible|$footer|oleacc"
)
about_names=(
    "title-name=$about_title"
    # An icon's window text is the template's reference to it, U+FFFF and
    # its number (128): oleacc gives that as its name on Windows too, where
    # it is documented as no valid name; a screen reader takes the icon for
    # a picture.
    $'name0=Static|visible|\xef\xbf\xbf\xc2\x80|oleacc'
    'name1=Static|visible|KorvSerial Version 1.0|oleacc'
    'name2=Static|visible|Copyright (C) 2004 Korvane|oleacc'
    'name3=Button|visible|OK|oleacc'
)

case_keyboard_and_names() {
    local c=keyboard line
    start_app $c "$(scenario_env "$scenarios/demo.scenario")"
    drive $c main:120000 names:main focus key:tab focus key:tab focus key:tab focus key:tab focus
    for line in "${main_names[@]}"; do check_line "screen reader, main dialog: ${line%%|*}" "$work/$c.drv" "$line"; done
    check_equal "keys: Tab walks Copy, Close, serial field, drive list and back to Copy" \
        "$(grep '^focus=' "$work/$c.drv" | tr '\n' ' ')" "focus=1 focus=2 focus=1000 focus=1001 focus=1 "

    : > "$work/$c.drv"
    drive $c main:5000 key:tab key:tab key:tab key:down list serial seed-clipboard key:enter clipboard
    check_line "keys: Down on the drive list chooses the next drive" "$work/$c.drv" "cursel=1"
    check_line "keys: Enter copies the chosen drive's serial" "$work/$c.drv" "clip-text=506580004000"

    : > "$work/$c.drv"
    drive $c main:5000 key:alt+space menu:30000
    screenshot $c-menu
    # The About item is the system menu's last: Up from the first wraps to
    # it. Its access key, A, would choose Wine's own About item, which Wine
    # puts into every system menu before it.
    drive $c main:5000 key:up key:enter about:30000 names:about key:esc "windows:$about_title" key:alt+f4 wait-exit:30000
    stop_app 30
    check_line "keys: Alt+Space, then the About item, opens the About box" "$work/$c.drv" "about-title=$about_title"
    for line in "${about_names[@]}"; do check_line "screen reader, About box: ${line%%|*}" "$work/$c.drv" "$line"; done
    check_line "keys: Esc closes the About box" "$work/$c.drv" "windows=0"
    check_line "keys: Alt+F4 closes the dialog, and the process ends" "$work/$c.drv" "exit=0"
}
