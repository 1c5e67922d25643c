# Wine set-up shared by the end-to-end scripts (sourced, not run).
#
# 32-bit Linux programs run here through qemu-i386 (binfmt_misc), so Wine is
# slow to start: a prefix is prepared once and copied for every run, and one
# persistent wineserver serves the whole run. Wine must reserve its address
# space through wine-preloader (package wine32-preloader); without it every
# Wine process spends minutes probing the address space under qemu.

# Where qemu's user-mode emulator runs 32-bit programs (scripts/enable-i386.sh),
# every Wine process gets the preload that keeps each thread's thread pointers
# its own (tests/emulator/threads_apart.c): the emulator keeps one table of
# them for all threads, so without it one thread of a program goes on with
# another's and the program hangs or crashes. It builds in a second.
wine_env_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
if grep -qx enabled /proc/sys/fs/binfmt_misc/qemu-i386 2>/dev/null; then
    "$wine_env_root/tests/emulator/build.sh" "$wine_env_root/build/emulator" || exit 2
    # shellcheck disable=SC2016  # each process's loader expands $LIB to its own word size's folder
    export LD_PRELOAD="$wine_env_root/build/emulator/"'$LIB'"/libkorv_threads_apart.so${LD_PRELOAD:+ $LD_PRELOAD}"
fi

export WINEDEBUG=-all
# The 32-bit prefix unless a caller asks for the 64-bit one (wine_use_arch).
export WINEARCH=${WINEARCH:-win32}
# No prompts for the .NET and HTML engines, no menu entries, no crash dialogs.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d;wnaspi32=n"
export LC_ALL=ja_JP.UTF-8

wine_xvfb_pid=

# Where the prepared prefixes are kept between runs: the 32-bit one, and the
# 64-bit one beside it.
wine_template=${KORV_E2E_TEMPLATE:-/tmp/korv-e2e-template-$(id -u)}
wine_template_wow64=$wine_template-wow64

# The Windows path of a file of this machine, through Wine's drive Z:.
winpath() { printf 'Z:%s' "${1//\//\\}"; }

# The dialog font and the Windows user-interface fonts of a Japanese system,
# mapped to the IPA Gothic fonts. A program that crashes ends at once, its
# crash's line on its standard error: no debugger is started ("Auto" 1 with
# an empty "Debugger" fails the start; "Auto" 0 would ask in a message box
# that nobody answers), in the 32-bit programs' view of the registry too.
wine_prefix_settings() {
    printf '%s\r\n' \
        'Windows Registry Editor Version 5.00' '' \
        '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes]' \
        '"ＭＳ Ｐゴシック"="IPAPGothic"' \
        '"ＭＳ ゴシック"="IPAGothic"' \
        '"MS PGothic"="IPAPGothic"' \
        '"MS Gothic"="IPAGothic"' \
        '"MS UI Gothic"="IPAPGothic"' \
        '"MS Shell Dlg"="IPAPGothic"' \
        '"MS Shell Dlg 2"="IPAPGothic"' '' \
        '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
        '"ＭＳ Ｐゴシック"="IPAPGothic"' \
        '"ＭＳ ゴシック"="IPAGothic"' \
        '"MS UI Gothic"="IPAPGothic"' '' \
        '[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\AeDebug]' \
        '"Auto"="1"' \
        '"Debugger"=""' '' \
        '[HKEY_LOCAL_MACHINE\Software\Wow6432Node\Microsoft\Windows NT\CurrentVersion\AeDebug]' \
        '"Auto"="1"' \
        '"Debugger"=""' ''
}

# wine_prepare_template <dir>: creates a prefix of $WINEARCH once; later calls
# find it ready (the marker names the Wine version, architecture and settings
# it was made with).
wine_prepare_template() {
    local template=$1 marker version
    version=$(wine --version 2>/dev/null) || return 1
    [ "$WINEARCH" = win32 ] || version="$version $WINEARCH"
    # A prefix made with other settings is made anew.
    version="$version settings $(wine_prefix_settings | cksum | cut -d' ' -f1)"
    marker="$template/.korv-e2e-ready"
    exec 9> "$template.lock"
    flock 9
    if [ "$(cat "$marker" 2>/dev/null)" != "$version" ]; then
        echo "preparing $WINEARCH Wine prefix $template (once; takes a few minutes under emulation)"
        rm -rf "$template"
        WINEPREFIX=$template wineboot -i > /dev/null 2>&1 || return 1
        wine_prefix_settings | iconv -f UTF-8 -t UTF-16 > "$template.fonts.reg"
        WINEPREFIX=$template wine regedit /S "$(winpath "$template.fonts.reg")" > /dev/null 2>&1
        WINEPREFIX=$template wineserver -w
        rm -f "$template.fonts.reg"
        echo "$version" > "$marker"
    fi
    flock -u 9
}

# Every drive letter's device (the "x::" entries) points at /dev/null, so that
# no command sent through pass-through reaches a device of this machine:
# without an entry, Wine maps C: and Z: to the block devices of the file
# systems behind them. wine_point_letter replaces one entry afterwards.
wine_point_letters_nowhere() {
    local letter
    for letter in {c..z}; do wine_point_letter "$letter" /dev/null; done
}

wine_point_letter() { ln -sfn "$2" "$WINEPREFIX/dosdevices/$1::"; }

# wine_start <template> <work-dir> [current-display]: copies the prefix, starts
# a virtual X server (or, with "current-display", uses $DISPLAY) and a
# persistent wineserver, and waits until Wine's services are up. The server
# runs with $wine_server_preload as LD_PRELOAD when that is set.
wine_start() {
    local template=$1 work=$2
    export WINEPREFIX="$work/prefix"
    cp -a "$template" "$WINEPREFIX" || return 1
    wine_point_letters_nowhere
    if [ "${3:-}" != current-display ]; then
        wine_start_display "$work" || return 1
    fi
    wine_server_start || return 1
    # The first Wine process starts the services; later ones find them running.
    wine cmd /c exit > /dev/null 2>&1
}

# wine_start_display <work-dir>: starts a virtual X server on a display that
# the server picks itself, so that runs side by side never take the same one,
# and sets DISPLAY. The server writes the display's number once it accepts
# clients; it writes nothing when it fails to start.
wine_start_display() {
    local fifo=$1/xvfb.display display=
    mkfifo "$fifo" || return 1
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3> "$fifo" > "$1/xvfb.log" 2>&1 &
    wine_xvfb_pid=$!
    read -r -t 30 display < "$fifo"
    rm -f "$fifo"
    [ -n "$display" ] || return 1
    export DISPLAY=":$display"
}

# With no window manager on the virtual display, Wine draws the windows'
# frames itself (caption, icon, close box) only when it does not hand them to
# a manager; for pictures of what a user sees. The caption buttons' glyphs
# come from Wine's Marlett font, which it finds only among the prefix's fonts.
wine_draw_own_frames() {
    cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f > /dev/null 2>&1
}

wine_server_start() { env ${wine_server_preload:+LD_PRELOAD="$wine_server_preload"} wineserver -p; }

wine_stop() {
    [ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null
    [ -n "$wine_xvfb_pid" ] && kill "$wine_xvfb_pid" 2>/dev/null
    wine_xvfb_pid=
}

# Where a 32-bit program's system directory is: system32 in a 32-bit prefix,
# syswow64 in a 64-bit one.
wine_system_dir() {
    if [ -d "$WINEPREFIX/drive_c/windows/syswow64" ]; then
        echo "$WINEPREFIX/drive_c/windows/syswow64"
    else
        echo "$WINEPREFIX/drive_c/windows/system32"
    fi
}

# Replaces Wine's own placeholder of that name.
wine_install_system_dll() {
    rm -f "$(wine_system_dir)/$(basename "$1")"
    cp "$1" "$(wine_system_dir)/"
}

wine_remove_system_dll() { rm -f "$(wine_system_dir)/$1"; }
