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

# vx_kept_template [ARCH]: prints the folder of the template made by this Wine and this
# script, making it first where it is missing. Templates are kept between runs in
# $VORLEX_WINE_CACHE (the emulated PC gives a disk of its own for them): a run that finds
# one pays nothing, where making one takes 10 to 20 s natively and minutes in the PC.
# One maker at a time for each (the others wait for it); unused for a week, one goes.
vx_kept_template() {
    local arch=${1:-win32} home key dir
    home=${VORLEX_WINE_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/vorlex-wine}
    key=$({ wine --version && cat "${BASH_SOURCE[0]}"; } | sha256sum | cut -c1-16) || return 1
    dir=$home/$arch-$key
    mkdir -p "$home" || return 1
    (
        flock 9 || exit 1
        [ -f "$dir.ready" ] && exit 0
        rm -rf "$dir"
        vx_make_template "$dir" "$arch" && touch "$dir.ready"
    ) 9>"$dir.lock" || return 1
    touch "$dir.ready"
    find "$home" -maxdepth 1 -name '*.ready' -mtime +7 | while read -r old; do
        rm -rf "${old%.ready}" "${old%.ready}.lock" "$old"
    done
    echo "$dir"
}

# vx_copy_prefix TEMPLATE DEST: a clean machine in a moment instead of a new boot. Where
# VORLEX_WINE_OVERLAY is set (the emulated PC, as root), DEST reads the template through an
# overlay and keeps only its own changes; elsewhere it is a copy.
vx_copy_prefix() {
    local template
    template=$(realpath "$1") || return 1
    vx_drop_prefix "$2"
    if [ -n "${VORLEX_WINE_OVERLAY:-}" ]; then
        mkdir -p "$2" "$2.changes/upper" "$2.changes/work"
        mount -t overlay overlay -o "lowerdir=$template,upperdir=$2.changes/upper,workdir=$2.changes/work" "$2" &&
            return 0
        rmdir "$2"
    fi
    cp -a "$template" "$2"
}

vx_drop_prefix() {
    if mountpoint -q "$1" 2>/dev/null; then umount "$1" || umount -l "$1"; fi
    rm -rf "$1" "$1.changes"
}

# vx_preset HIVE KEY NAME TEXT: a text value written into a registry file of the prefix
# (system.reg, user.reg) while nothing of it runs: read by Windows as it starts, for no Wine
# process of its own. KEY as the file names it, under its hive (Software\Wine\Drives).
vx_preset() {
    local quote='s/\\/\\\\/g; s/"/\\"/g'
    printf '\n[%s] 0\n"%s"="%s"\n' "$(sed "$quote" <<<"$2")" "$(sed "$quote" <<<"$3")" \
        "$(sed "$quote" <<<"$4")" >>"$WINEPREFIX/$1"
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

# vx_set_version VERSION: the Windows version Wine reports (win95, win98, nt40, winxp,
# win7, win10), before the prefix's first program runs.
vx_set_version() {
    vx_preset user.reg 'Software\Wine' Version "$1"
}

# vx_map_cdrom FOLDER LETTER: FOLDER becomes a CD-ROM drive LETTER:, before the prefix's
# first program runs.
vx_map_cdrom() {
    local letter=${2,,}
    ln -sfn "$(realpath "$1")" "$WINEPREFIX/dosdevices/$letter:"
    vx_preset system.reg 'Software\Wine\Drives' "$letter:" cdrom
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
