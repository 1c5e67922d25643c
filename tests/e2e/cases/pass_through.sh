# The cases through the system's own pass-through on the drive letters, with
# the manager disabled (sourced by scripts/e2e.sh; each case is a function).
# Wine turns every request into SG_IO on the letter's Unix file, which the
# preload answers; its log ($sg_dir/log) shows what the drives received.

# F: opens for reading only: Windows refuses every pass-through request on
# such a handle, so its writer is never identified and not listed; it is
# named as a drive whose access was denied. J:'s INQUIRY and K:'s serial read
# fail with EIO, which Wine turns into the system's "not ready" (21): J: is
# named as not ready, K: is listed and its failure described, as is H:'s.
pass_through_stdout='SPTI Mode
Serial not read from "(H:) KORVANE DVDR   KV-942A  ": refused the command (05/24/00)
Scsi Command: F1 00 00 00 00 00 00 00 00 80
Scsi Target Status: 02 Check Condition
Sense Key: 05   Illegal Request
ASC/ASCQ : 2400 ??? Unknown Error
Serial not read from "(K:) KORVANE DVDR   KV-948A  ": not ready (Windows 21)
Windows System Error : 0021
Access to drive F: was denied (by policy or security software).
Drive J: was not ready and could not be checked.'
pass_through_items=(
    'item0=(D:) KORVANE DVDR   KV-948A  '
    'item1=(G:) KORVANE CD-R   KV-R4410A'
    'item2=(H:) KORVANE DVDR   KV-942A  '
    'item3=(K:) KORVANE DVDR   KV-948A  '
    'item4=(M:) KORVANE DVDR   KV-948A  '
)

case_pass_through_machine() {
    local c=pt-machine log=$sg_dir/log
    use_letters "$scenarios/pass-through.scenario"
    start_app $c "$(no_manager)"
    drive $c main:120000 list serial
    check_equal "pass-through: no drive held open while the window waits (a USB writer stays removable)" \
        "$(drive_holders | tr '\n' ' ')" ""
    screenshot $c
    drive $c main:5000 select:1 serial select:2 serial select:3 serial select:4 serial
    check_line "pass-through: drives listed by letter: count" "$work/$c.drv" "count=5"
    for item in "${pass_through_items[@]}"; do check_line "pass-through: drives listed by letter: ${item%%=*}" "$work/$c.drv" "$item"; done
    check_equal "pass-through: each drive's serial, failed reads as S/No Read error" \
        "$(grep '^serial=' "$work/$c.drv" | tr '\n' ' ')" \
        "serial=507425005001 serial=505624004001 serial=S/No Read error serial=S/No Read error serial=507425005001 "

    : > "$work/$c.drv"
    drive $c main:5000 select:0 seed-clipboard click:1 clipboard key:esc wait-exit:30000
    check_line "pass-through: Copy puts the serial on the clipboard" "$work/$c.drv" "clip-text=507425005001"
    stop_app 30
    check_equal "pass-through: SPTI Mode on stdout, the failed reads described, F: named as denied and J: as not ready" "$(stdout_of $c)" "$pass_through_stdout"

    check_match "hard disk on C: gets TEST UNIT READY" "$log" '^letter=C cdblen=6 cdb=00 00 00 00 00 00 dir=none len=0 timeout=30000 '
    check_match "hard disk on C: gets INQUIRY for 40 bytes" "$log" '^letter=C cdblen=6 cdb=12 00 00 00 28 00 dir=in len=40 timeout=30000 '
    check_no_match "no F1h to the hard disk, the foreign drive or the drive whose INQUIRY failed" "$log" '^letter=[CEJ] .*cdb=F1'
    check_match "KV-948A on D:: F1h with 01h, 12-byte CDB (ATAPI)" "$log" \
        '^letter=D cdblen=12 cdb=F1 01 00 00 00 00 00 00 00 80 00 00 dir=in len=128 '
    check_match "KV-942A on H:: F1h with 00h, 10-byte CDB" "$log" \
        '^letter=H cdblen=10 cdb=F1 00 00 00 00 00 00 00 00 80 dir=in len=128 '
    check_match "KV-R4410A on G:: F1h with 00h, 12-byte CDB after TEST UNIT READY not ready" "$log" \
        '^letter=G cdblen=12 cdb=F1 00 00 00 00 00 00 00 00 80 00 00 dir=in len=128 '
    check_match "G: answered TEST UNIT READY not ready" "$log" '^letter=G cdblen=6 cdb=00 .* -> status=02 sensekey=02 '
    check_match "F: refused read-write" "$log" '^open letter=F mode=rw refused$'
    check_match "F: opened read-only" "$log" '^open letter=F mode=ro$'
    check_match "F: INQUIRY refused on the read-only handle" "$log" '^letter=F cdblen=6 cdb=12 .* -> refused read-only$'
    check_no_match "F: no request answered on the read-only handle" "$log" '^letter=F .* -> status='

    : > "$work/$c.drv"
    LD_PRELOAD="$sg_preload${LD_PRELOAD:+ $LD_PRELOAD}" drive $c pt-probe:D:ro pt-probe:D:rw
    check_line "a read-only handle: the request fails with access denied" "$work/$c.drv" "pt-request=failed error=5"
    check_line "a read-write handle: the request is carried out" "$work/$c.drv" "pt-request=ok status=00"
    check_match "K: F1h failed with errno 5" "$log" '^letter=K cdblen=12 cdb=F1 .* -> errno=5$'
    check_no_real_device "pass-through machine"
}

case_pass_through_none_supported() {
    local c=pt-nonesupported
    use_letters "$scenarios/pass-through-none-supported.scenario"
    start_app $c "$(no_manager)"
    drive $c box:KorvSerial1:120000 box-ok
    check_line "pass-through, none supported: message box text" "$work/$c.drv" 'box-text=対象ドライブが見つかりませんでした。 \n'
    stop_app 30
    check_equal "pass-through, none supported: the utility ends" "$([ "$app_status" = killed ] && echo running || echo ended)" ended
    check_equal "pass-through, none supported: SPTI Mode on stdout" "$(stdout_of $c)" "SPTI Mode"
    check_no_real_device "pass-through, none supported"
}

no_drive_ja='CD または DVD ドライブが見つかりませんでした。ライターが接続され、電源が入っていることを確認してから、もう一度起動してください。'
no_drive_en='No CD or DVD drive was found. Check that the writer is connected and switched on, then start the program again.'

case_pass_through_no_drive() {
    local c=pt-nodrive
    use_letters /dev/null
    start_app $c "$(no_manager)"
    drive $c main:120000 list drive-note
    screenshot $c
    drive $c main:5000 command:2 wait-exit:30000
    stop_app 30
    check_line "pass-through, no drive: empty list" "$work/$c.drv" "count=0"
    check_line "pass-through, no drive: the note says so, and what to do" "$work/$c.drv" \
        "drive-note=$no_drive_ja\\r\\n$no_drive_en"
    check_equal "pass-through, no drive: stdout" "$(stdout_of $c)" $'SPTI Mode\nNot forund terget CD/DVD drive.  '
    check_no_real_device "pass-through, no drive"
}

# A writer on D: whose serial read fails, beside a good one on E:: D: is
# listed with the read error, and the note names it with the reason, what to
# do and the short code. Each is <D:'s failure>|<standard output's
# reason>|<the note's Japanese line>|<its English line>. Wine ends the hung
# request with error 31 where USB storage on Windows gives 121: either way
# the request ran out its time-out, which is what makes it no answer.
failed_reads=(
    'check=F1:02/04/01|not ready (02/04/01)|ドライブ (D:) はまだ準備ができていないため、シリアル番号を読み取れませんでした。数秒待ってから、もう一度起動してください。 (02/04/01)|Drive (D:) was not ready yet, so its serial number could not be read. Wait a few seconds, then start the program again. (02/04/01)'
    'check=F1:05/20/00|refused the command (05/20/00)|ドライブ (D:) はシリアル番号の読み取り要求を受け付けませんでした。USB 変換アダプター経由の場合は、パソコンに直接接続するか、別のアダプターでお試しください。 (05/20/00)|Drive (D:) did not accept the serial-number request. If it is connected through a USB adapter, connect it directly or try another adapter. (05/20/00)'
    'hang=F1|no answer (Windows 31)|ドライブ (D:) は時間内に応答しませんでした。ケーブルと電源を確認してから、もう一度起動してください。 (Windows 31)|Drive (D:) did not answer in time. Check its cable and power, then start the program again. (Windows 31)'
    'errno=F1:13|in use by another program (Windows 5)|ドライブ (D:) は他のプログラムが使用中のため、シリアル番号を読み取れませんでした。そのプログラムを終了してから、もう一度起動してください。 (Windows 5)|Drive (D:) is in use by another program, so its serial number could not be read. Close that program, then start this one again. (Windows 5)'
)

case_failed_reads() {
    local entry failure reason ja en c i=0
    for entry in "${failed_reads[@]}"; do
        IFS='|' read -r failure reason ja en <<< "$entry"
        c=failed-read-$i
        i=$((i + 1))
        printf '%s %s\n%s\n' 'drive D: vendor="KORVANE" product="DVDR   KV-948A" byte3=32 serial=01389 iface49=FF' "$failure" \
            'drive E: vendor="KORVANE" product="CD-R   KV-R4410A" byte3=32 serial=00FA1 iface64=05' > "$work/$c.scenario"
        use_letters "$work/$c.scenario"
        start_app $c "$(no_manager)"
        drive $c main:120000 list serial drive-note
        screenshot $c
        drive $c main:5000 select:1 serial drive-note
        drive $c main:5000 key:esc wait-exit:30000
        stop_app 30
        check_equal "$failure: D: not read, E: read" "$(grep -E '^(item|serial)' "$work/$c.drv" | tr '\n' ' ')" \
            "item0=(D:) KORVANE DVDR   KV-948A   item1=(E:) KORVANE CD-R   KV-R4410A serial=S/No Read error serial=505624004001 "
        check_equal "$failure: with D: selected the note names it, the reason and what to do; with E: nothing" \
            "$(grep '^drive-note=' "$work/$c.drv")" "drive-note=$ja\\r\\n$en"$'\n'"drive-note="
        check_equal "$failure: standard output names D: and the reason" "$(stdout_of $c | head -2)" \
            $'SPTI Mode\nSerial not read from "(D:) KORVANE DVDR   KV-948A  ": '"$reason"
    done
    check_no_real_device "failed reads"
}

# On the NT family a manager that reaches no writer (an adapter without a
# device, or only another maker's drive) gives way to the system's
# pass-through, which lists the writer on D:.
case_manager_without_writer() {
    local aspi c
    for aspi in empty-adapter none-supported; do
        c=manager-$aspi
        use_letters "$scenarios/letter-writer.scenario"
        start_app $c "$(scenario_env "$scenarios/$aspi.scenario")"
        drive $c main:120000 list serial key:esc wait-exit:30000
        stop_app 30
        check_equal "manager, $aspi: the writer on D: listed and read" \
            "$(grep -E '^(count|item|serial)' "$work/$c.drv" | tr '\n' ' ')" \
            "count=1 item0=(D:) KORVANE DVDR   KV-948A   serial=507425005001 "
        check_equal "manager, $aspi: standard output says where the list comes from" "$(stdout_of $c)" \
            $'ASPI Mode\nNo supported drive through ASPI: the list comes from SPTI.'
    done
    check_no_real_device "manager without a writer"
}

# A manager that reaches a writer stays the transport: no letter is asked anything.
case_manager_with_writer() {
    local c=manager-demo
    use_letters "$scenarios/letter-writer.scenario"
    start_app $c "$(scenario_env "$scenarios/demo.scenario")"
    drive $c main:120000 list key:esc wait-exit:30000
    stop_app 30
    check_line "manager with a writer: its list" "$work/$c.drv" "count=3"
    check_no_match "manager with a writer: no letter asked" "$sg_dir/log" '^letter='
    check_equal "manager with a writer: standard output" "$(stdout_of $c)" "ASPI Mode"
}

# case_versions <version>: the main cases of both transports on a system
# reporting that version.
case_versions() {
    local version=$1 c=version-$1
    use_version "$version"
    check_version $c "$version"
    start_app $c "$(scenario_env "$scenarios/demo.scenario")"
    drive $c main:120000 list serial key:esc wait-exit:30000
    stop_app 30
    check_line "$version, ASPI: drives listed" "$work/$c.drv" "count=3"
    check_line "$version, ASPI: serial shown" "$work/$c.drv" "serial=507425005001"
    check_equal "$version, ASPI: ASPI Mode" "$(stdout_of $c)" "ASPI Mode"

    use_letters "$scenarios/pass-through.scenario"
    start_app $c-pt "$(no_manager)"
    drive $c-pt main:120000 list serial select:4 serial key:esc wait-exit:30000
    stop_app 30
    check_line "$version, pass-through: drives listed" "$work/$c-pt.drv" "count=5"
    check_equal "$version, pass-through: serials" "$(grep '^serial=' "$work/$c-pt.drv" | tr '\n' ' ')" \
        "serial=507425005001 serial=507425005001 "
    check_equal "$version, pass-through: SPTI Mode, the failed reads, F: and J:" "$(stdout_of $c-pt)" "$pass_through_stdout"
    check_no_real_device "$version, pass-through"

    # A writer slow enough for the progress window: the wake masks of its
    # thread, traced, are what this version defines.
    local documented_mask=0x4FF
    [ "$version" = win10 ] && documented_mask=0x1CFF
    use_letters "$scenarios/slow-writer.scenario"
    wine reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /d MsgWaitForMultipleObjects /f > /dev/null 2>&1
    start_app $c-slow "$(no_manager)" WINEDEBUG=+pid,+relay,+loaddll
    drive $c-slow first-window:60000 handover:120000 main:120000 key:esc wait-exit:30000
    stop_app 30
    wine reg delete 'HKCU\Software\Wine\Debug' /v RelayInclude /f > /dev/null 2>&1
    check_line "$version, slow writer: the progress window first" "$work/$c-slow.drv" "first-window=progress"
    check_line "$version, slow writer: the progress window stays until the dialog shows" "$work/$c-slow.drv" \
        "main-shown-before-progress-gone=1"
    check_wake_masks "$version, slow writer: the wake masks are the version's" "$work/$c-slow.err" "$documented_mask"
    use_version ""
}

# A writer that answers every request four seconds late: within about a
# second of the start the progress window says what is being read; the main
# dialog comes afterwards, alone, with both writers.
progress_text='ライターを探して、シリアル番号を読み取っています。\nLooking for the writers and reading their serial numbers.'
progress_step='ドライブ 1 / 2 を読み取っています:\nReading drive 1 of 2:\n(D:) KORVANE DVDR   KV-948A  '
# What a screen reader calls the window and its controls: the bar by the
# text before it, a rule Wine's oleacc leaves to the driver ("label rule").
progress_names=(
    'title-name=KorvSerial'
    "name0=Static|visible|$progress_text|oleacc"
    "name1=msctls_progress32|visible|$progress_text|label rule"
)

case_slow_writer() {
    local c=slow-writer start
    use_letters "$scenarios/slow-writer.scenario"
    start=$(date +%s%3N)
    start_app $c "$(no_manager)"
    drive $c first-window:60000 progress:60000 names:progress
    screenshot $c-progress
    drive $c handover:120000 main:120000 time:main windows:KorvSerial foreground list serial select:1 serial
    print_startup_times $c "a writer answering 4 s late" "$start"
    check_line "slow writer: the progress window comes first" "$work/$c.drv" "first-window=progress"
    check_line "slow writer: progress window titled as the program" "$work/$c.drv" "progress-title=KorvSerial"
    check_line "slow writer: progress window says what it does" "$work/$c.drv" "progress-text=$progress_text"
    check_line "slow writer: progress window names the drive being read" "$work/$c.drv" "progress-step=$progress_step"
    check_match "slow writer: progress window where the dialog will be" "$work/$c.drv" '^progress-rect=10,10,[0-9]+,[0-9]+$'
    check_line "slow writer: progress window topmost" "$work/$c.drv" "progress-topmost=1"
    check_line "slow writer: progress window on the taskbar" "$work/$c.drv" "progress-taskbar=1"
    check_line "slow writer: the main dialog shown before the progress window goes" "$work/$c.drv" \
        "main-shown-before-progress-gone=1"
    check_line "slow writer: the main dialog in front afterwards" "$work/$c.drv" "foreground=main"
    for line in "${progress_names[@]}"; do check_line "screen reader, progress window: ${line%%|*}" "$work/$c.drv" "$line"; done
    check_match "screen reader, progress window: name2=Static, the drive being read" "$work/$c.drv" \
        '^name2=Static\|visible\|ドライブ [12] / 2 を読み取っています:\\nReading drive [12] of 2:\\n\([DE]:\) KORVANE .*\|oleacc$'
    check_line "slow writer: the main dialog alone afterwards" "$work/$c.drv" "windows=1"
    check_line "slow writer: both writers listed" "$work/$c.drv" "count=2"
    check_line "slow writer: the slow writer listed" "$work/$c.drv" "item0=(D:) KORVANE DVDR   KV-948A  "
    check_line "slow writer: the other writer listed" "$work/$c.drv" "item1=(E:) KORVANE CD-R   KV-R4410A"
    check_equal "slow writer: both serials read" "$(grep '^serial=' "$work/$c.drv" | tr '\n' ' ')" \
        "serial=507425005001 serial=505624004001 "
    drive $c main:5000 key:esc wait-exit:30000
    stop_app 30
    check_equal "slow writer: no thread or window keeps the process after Esc" "$app_status" 0
}

# Started again while the first copy still reads a slow writer, before any
# window of it shows: the second start waits for that window, brings it in
# front of another program's window and ends. Another program's minimised
# dialog with the same title is left as it is.
case_second_start_during_survey() {
    local c=early-second
    use_letters "$scenarios/slow-writer.scenario"
    start_app $c "$(no_manager)"
    drive $c early-second-start
    check_line "second start during the survey: started before any window of the first" "$work/$c.drv" \
        "window-at-second-start=none"
    check_line "second start during the survey: ends by itself" "$work/$c.drv" "second-start-exit=0"
    check_line "second start during the survey: another program's dialog so titled stays minimised" \
        "$work/$c.drv" "namesake-minimised=1"
    check_line "second start during the survey: another program's dialog so titled stays in the background" \
        "$work/$c.drv" "namesake-foreground=0"
    check_match "second start during the survey: the running copy's window in front" "$work/$c.drv" \
        '^foreground=(progress|main)$'
    drive $c main:120000 windows:KorvSerial key:esc wait-exit:30000
    check_line "second start during the survey: one main window afterwards" "$work/$c.drv" "windows=1"
    stop_app 30
}

# Writers that have stopped answering beside a good one: the first request to
# each waits out its 30-second time-out, and it is sent nothing more, so the
# main dialog comes after one time-out per such writer, with the good writer.
case_silent_writers() {
    local scenario=$1 silent=$2 c=silent-$1 start letter log=$sg_dir/log writers="a writer"
    [ "$silent" = 1 ] || writers="$silent writers"
    use_letters "$scenarios/$scenario.scenario"
    start=$(date +%s%3N)
    start_app $c "$(no_manager)"
    drive $c first-window:60000 main:240000 time:main list serial
    print_startup_times $c "$writers that stopped answering" "$start"
    check_line "$scenario: only the answering writer listed" "$work/$c.drv" "count=1"
    check_line "$scenario: the answering writer" "$work/$c.drv" "item0=(E:) KORVANE CD-R   KV-R4410A"
    check_line "$scenario: its serial read" "$work/$c.drv" "serial=505624004001"
    for letter in $(sed -n 's/^drive \([C-Z]\): .*hang=.*/\1/p' "$scenarios/$scenario.scenario"); do
        check_match "$scenario: $letter: waited out the TEST UNIT READY's time-out" "$log" \
            "^letter=$letter cdblen=6 cdb=00 00 00 00 00 00 dir=none len=0 timeout=30000 -> errno=110$"
        check_equal "$scenario: $letter: sent nothing after it" "$(grep -c "^letter=$letter " "$log")" 1
    done
    drive $c main:5000 key:esc wait-exit:30000
    stop_app 30
    check_no_real_device "$scenario"
}

# The progress window closed while the survey's thread waits for a writer
# that does not answer: the utility ends at once, with nothing left behind.
case_close_during_survey() {
    local how=$1 c=close-$1
    use_letters "$scenarios/silent-writer.scenario"
    start_app $c "$(no_manager)"
    drive $c close-progress:"$how":10000
    stop_app 10
    check_line "closed by $how while a drive does not answer: the utility ends with status 0" "$work/$c.drv" "exit=0"
    sed -n "s/^exit-after-ms=/closed by $how: ended after ms: /p" "$work/$c.drv"
    # Wine's server closes a killed process's handles a moment after the
    # process counts as ended; the marker's going says it has.
    drive $c marker-gone:30000 windows:KorvSerial
    check_equal "closed by $how: no drive held" "$(drive_holders | tr '\n' ' ')" ""
    check_line "closed by $how: no window left" "$work/$c.drv" "windows=0"
}

# Drives that refuse the program are named with the reason, in the dialog or
# the box and on standard output; the system's disk, refused too, is not.
refused_e_ja='ドライブ E: は他のプログラムが使用中のため確認できませんでした。'
refused_e_en='Drive E: is in use by another program and could not be checked.'
refused_f_ja='ドライブ F: へのアクセスが拒否されました (管理者の設定やセキュリティ ソフト)。'
refused_f_en='Access to drive F: was denied (by policy or security software).'
# refused_run <case> <scenario> <first window's step> <steps...>: a start
# with the scenario's letters, its window seen (and photographed), then left.
refused_run() {
    local c=$1 scenario=$2 window=$3 leave=key:esc
    shift 3
    [[ $window == box:* ]] && leave=box-ok
    use_letters "$scenarios/$scenario.scenario"
    start_app "$c" "$(no_manager)"
    drive "$c" "$window:120000" "$@"
    screenshot "$c"
    drive "$c" "$window:5000" "$leave" wait-exit:30000
    stop_app 30
}

case_refused_letters() {
    local c=refused-alone
    refused_run $c refused-alone main list drive-note
    check_line "refused, alone: empty list" "$work/$c.drv" "count=0"
    check_line "refused, alone: the empty list and the letter with its reason in the dialog" "$work/$c.drv" \
        "drive-note=$no_drive_ja\\r\\n$no_drive_en\\r\\n\\r\\n$refused_e_ja\\r\\n$refused_e_en"
    check_equal "refused, alone: stdout" "$(stdout_of $c)" $'SPTI Mode\n'"$refused_e_en"$'\nNot forund terget CD/DVD drive.  '
    check_match "refused, alone: E: open refused" "$sg_dir/log" '^open letter=E mode=ro refused$'

    c=refused-beside
    refused_run $c refused-letters main list serial drive-note names:main \
        focus key:tab focus key:tab focus key:tab focus key:tab focus key:tab focus
    check_line "refused, beside a writer: the writer listed, alone" "$work/$c.drv" "item0=(D:) KORVANE DVDR   KV-948A  "
    check_line "refused, beside a writer: its serial" "$work/$c.drv" "serial=507425005001"
    check_line "refused, beside a writer: E: and F: named, C: not" "$work/$c.drv" \
        "drive-note=$refused_e_ja\\r\\n$refused_e_en\\r\\n\\r\\n$refused_f_ja\\r\\n$refused_f_en"
    check_equal "refused, beside a writer: stdout" "$(stdout_of $c)" $'SPTI Mode\n'"$refused_e_en"$'\n'"$refused_f_en"
    check_line "refused, beside a writer: a screen reader names the lines by their hidden label" "$work/$c.drv" \
        'name11=Edit|visible|ドライブについてのお知らせ\nAbout the drives|oleacc'
    check_equal "refused, beside a writer: Tab reaches the lines after the drive list" \
        "$(grep -E '^(focus|count)=' "$work/$c.drv" | tr '\n' ' ')" "count=1 focus=1 focus=2 focus=1000 focus=1001 focus=1004 focus=1 "

    c=refused-box
    refused_run $c refused-box box:KorvSerial1
    check_line "refused, beside another maker's drive: the box names the letter" "$work/$c.drv" \
        "box-text=対象ドライブが見つかりませんでした。 \\n\\n$refused_f_ja\\n$refused_f_en"
    check_equal "refused, beside another maker's drive: stdout" "$(stdout_of $c)" $'SPTI Mode\n'"$refused_f_en"
    check_no_real_device "refused letters"
}

# Closed while a writer does not answer, then started again at once. On
# Windows the closed copy may live on, windowless, until the request's
# time-out; Wine ends it at once, so what the closing copy gives up before it
# is ended is read from Wine's relay trace of its calls: the marker's one
# handle closed and both windows unmarked before TerminateProcess. The new
# start then runs in full.
case_restart_after_close() {
    local c=restart-closed trace marker before_end
    use_letters "$scenarios/silent-writer.scenario"
    wine reg add 'HKCU\Software\Wine\Debug' /v RelayInclude /d 'CreateMutexA;RemovePropA;CloseHandle;TerminateProcess' /f \
        > /dev/null 2>&1
    start_app $c "$(no_manager)" WINEDEBUG=+pid,+relay,+loaddll
    drive $c close-progress:esc:10000
    stop_app 10
    wine reg delete 'HKCU\Software\Wine\Debug' /v RelayInclude /f > /dev/null 2>&1
    trace=$(relay_from_image "$work/$c.err")
    marker=$(sed -n -E 's/^Ret +[A-Za-z0-9_]+\.CreateMutexA\(\) retval=([0-9a-f]+) .*/\1/p' <<< "$trace" | head -1)
    before_end=$(sed -n -E '/^Call [A-Za-z0-9_]+\.TerminateProcess\(/q; p' <<< "$trace")
    check_match "closed during a request: the process is ended" - '^Call [A-Za-z0-9_]+\.TerminateProcess\(' <<< "$trace"
    check_match "closed during a request: the marker's handle closed before the end" - \
        "^Call [A-Za-z0-9_]+\\.CloseHandle\\(${marker:-none}\\)" <<< "$before_end"
    check_equal "closed during a request: both windows unmarked before the end" \
        "$(grep -c -E '^Call [A-Za-z0-9_]+\.RemovePropA\(' <<< "$before_end")" 2

    use_letters "$scenarios/pass-through.scenario"
    c=restart-again
    start_app $c "$(no_manager)"
    drive $c main:120000 list key:esc wait-exit:30000
    stop_app 30
    check_line "started again right after a close: the main dialog with the drives" "$work/$c.drv" "count=5"
}
