# Shared by the Wine scripts: environment, template prefix, Xvfb, drive mapping.
# Source it; every function works on $WINEPREFIX.

export WINEARCH=win32
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono/Gecko prompts, no menu files written into the host's desktop folders for
# every shell link the tests create, and no debugger waiting for a person when a
# program crashes: the crash ends the test.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"

# vx_make_template DIR [ARCH]: a new prefix prepared for the tests, 32-bit unless ARCH
# is win64 (64-bit Windows, where the 32-bit setup runs under WoW64).
vx_make_template() {
    local dir
    local -x WINEARCH=${2:-win32}
    dir=$(realpath -m "$1")  # Wine takes only an absolute prefix
    rm -rf "$dir"
    mkdir -p "$(dirname "$dir")"
    WINEPREFIX=$dir wineboot -i >/dev/null 2>&1 || return 1
    # Without a window manager Wine waits 2 s whenever a top-level window closes;
    # unmanaged windows close at once.
    WINEPREFIX=$dir wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || return 1
    # The tests play no sound: no audio driver, and no ALSA noise in their logs.
    WINEPREFIX=$dir wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d '' /f >/dev/null 2>&1 || return 1
    WINEPREFIX=$dir wineserver -w
}

# vx_copy_prefix TEMPLATE DEST: a clean machine in 0.3 s instead of a new boot.
vx_copy_prefix() {
    rm -rf "$2"
    cp -a "$1" "$2"
}

# vx_start_xvfb WORKDIR: starts a private X server; sets DISPLAY and VX_XVFB_PID.
vx_start_xvfb() {
    local fdfile=$1/display
    : >"$fdfile"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$fdfile" >/dev/null 2>&1 &
    VX_XVFB_PID=$!
    local i factor=${VORLEX_TIME_FACTOR:-1}
    for i in $(seq 1 $((200 * ${factor%.*}))); do  # 10 s, stretched by the run's time factor
        [ -s "$fdfile" ] && break
        sleep 0.05
    done
    [ -s "$fdfile" ] || { echo "Xvfb did not start" >&2; return 1; }
    export DISPLAY=:$(tr -d '\n' <"$fdfile")
}

# vx_set_version VERSION: the Windows version Wine reports (win95, win98, nt40, winxp, win7, win10).
vx_set_version() {
    wine reg add 'HKCU\Software\Wine' /v Version /d "$1" /f >/dev/null 2>&1
}

# vx_map_cdrom FOLDER LETTER: FOLDER becomes a CD-ROM drive LETTER: (restarts the server).
vx_map_cdrom() {
    local letter=${2,,}
    ln -sfn "$(realpath "$1")" "$WINEPREFIX/dosdevices/$letter:"
    wine reg add 'HKLM\Software\Wine\Drives' /v "$letter:" /d cdrom /f >/dev/null 2>&1
    wineserver -k 2>/dev/null
    wineserver -w
}

# vx_stop: ends the prefix's server and the private X server.
vx_stop() {
    wineserver -k 2>/dev/null
    wineserver -w 2>/dev/null
    if [ -n "${VX_XVFB_PID:-}" ]; then
        kill "$VX_XVFB_PID" 2>/dev/null
        wait "$VX_XVFB_PID" 2>/dev/null
        VX_XVFB_PID=
    fi
}
