#!/usr/bin/env bash
# Starts D:\setup.exe from the demo CD (build/cd) mapped as a CD-ROM drive under Wine.
# On $DISPLAY when there is one; otherwise on a private Xvfb, saving a screenshot, and
# ending the launcher with Escape (within a minute, stretched by the run's time
# factor). A clean machine each time (a copy of the kept template) unless KEEP=1. Where this
# host cannot run 32-bit x86 programs, the same happens in the emulated PC, whose Wine then
# draws on this host's display.
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
if ! bash "$top/scripts/pc/runs-i386"; then
    if [ -n "${DISPLAY:-}" ]; then
        echo "demo: this host cannot run 32-bit x86 programs; the emulated PC shows the launcher on $DISPLAY"
        echo "demo: (the PC powers off after 4 hours)"
        exec "$top/scripts/pc-run" --display --limit 14400 -- env KEEP="${KEEP:-}" bash scripts/demo.sh
    fi
    echo "demo: this host cannot run 32-bit x86 programs, and has no display: the emulated PC runs"
    echo "demo: the launcher on a screen of its own. To see it in a window, run make demo where"
    echo "demo: \$DISPLAY names an X display (a desktop session, or ssh -X into this machine)."
    exec "$top/scripts/pc-run" --limit 900 -- env KEEP="${KEEP:-}" bash scripts/demo.sh
fi
. "$top/scripts/wine-lib.sh"
demo=$top/build/demo
export WINEPREFIX=$demo/prefix
# In the emulated PC a machine not kept is made in its memory: quicker than the shared folder.
[ "${KEEP:-}" != 1 ] && [ -n "${VORLEX_IN_PC:-}" ] && export WINEPREFIX=/tmp/vorlex-demo-prefix
mkdir -p "$demo"
factor=${VORLEX_TIME_FACTOR:-1}  # 10 in the emulated PC
factor=${factor%.*}

if [ "${KEEP:-}" != 1 ] || [ ! -d "$WINEPREFIX" ]; then
    echo "demo: a clean Windows machine in $WINEPREFIX"
    template=$(vx_kept_template) || { echo "demo: no Wine template could be made" >&2; exit 1; }
    vx_copy_prefix "$template" "$WINEPREFIX" || exit 1
fi
vx_map_cdrom "$top/build/cd" d

if [ -n "${DISPLAY:-}" ]; then
    echo "demo: starting D:\\setup.exe on $DISPLAY"
    cd "$WINEPREFIX/drive_c/windows" && wine 'D:\setup.exe'
    wineserver -w
    exit 0
fi

# No display: a private one, a screenshot of what the player would see, then Escape, as a
# player leaves; a launcher that does not appear or does not end fails the demo.
finish() {
    vx_stop
    [ "${KEEP:-}" = 1 ] || vx_drop_prefix "$WINEPREFIX"
}
trap finish EXIT
vx_start_xvfb "$demo" || exit 1
(cd "$WINEPREFIX/drive_c/windows" && exec timeout $((60 * factor)) wine 'D:\setup.exe') >/dev/null 2>&1 &
setup=$!
driver=$top/build/windows/tests/support/vxdriver.exe
found=$(timeout $((60 * factor)) wine "$driver" find 'Vorlex Setup' '#32770' $((30000 * factor)) 2>/dev/null) ||
    { echo "demo: the launcher did not appear" >&2; exit 1; }
sleep "$factor"  # let the launcher paint a few frames of its animation
# import, not xwd -root: the latter showed the launcher's owned dialogs black.
timeout 60 import -display "$DISPLAY" -window root "$demo/screenshot.png"
echo "demo: no display here; the launcher ran on a private Xvfb ($DISPLAY)."
echo "demo: screenshot saved to $demo/screenshot.png"
timeout $((60 * factor)) wine "$driver" post "${found%% *}" 0x100 27 0 >/dev/null 2>&1  # WM_KEYDOWN Escape
# One that stays is ended by its timeout above, and fails.
wait "$setup"
ended=$?
[ "$ended" = 0 ] || { echo "demo: the launcher did not end at Escape ($ended)" >&2; exit 1; }
echo "demo: Escape ended the launcher"
