#!/usr/bin/env bash
# Starts D:\setup.exe from the demo CD (build/cd) mapped as a CD-ROM drive under Wine.
# On $DISPLAY when there is one; otherwise on a private Xvfb, saving a screenshot.
# A clean machine each time unless KEEP=1. Where this host cannot run 32-bit x86 programs,
# the same happens in the emulated PC, whose Wine then draws on this host's display.
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
if ! bash "$top/scripts/pc/runs-i386"; then
    if [ -n "${DISPLAY:-}" ]; then
        echo "demo: this host cannot run 32-bit x86 programs; the emulated PC shows the launcher on $DISPLAY"
        exec "$top/scripts/pc-run" --display -- env KEEP="${KEEP:-}" bash scripts/demo.sh
    fi
    echo "demo: this host cannot run 32-bit x86 programs, and has no display: the emulated PC runs"
    echo "demo: the launcher on a screen of its own. To see it in a window, run make demo where"
    echo "demo: \$DISPLAY names an X display (a desktop session, or ssh -X into this machine)."
    exec "$top/scripts/pc-run" -- env KEEP="${KEEP:-}" bash scripts/demo.sh
fi
. "$top/scripts/wine-lib.sh"
demo=$top/build/demo
export WINEPREFIX=$demo/prefix
# In the emulated PC a machine not kept is made in its memory: quicker than the shared folder.
[ "${KEEP:-}" != 1 ] && [ -n "${VORLEX_IN_PC:-}" ] && export WINEPREFIX=/tmp/vorlex-demo-prefix
mkdir -p "$demo"

if [ "${KEEP:-}" != 1 ] || [ ! -d "$WINEPREFIX" ]; then
    echo "demo: preparing a clean Windows machine in $WINEPREFIX"
    rm -rf "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1
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
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
trap vx_stop EXIT
vx_start_xvfb "$demo" || exit 1
(cd "$WINEPREFIX/drive_c/windows" && exec wine 'D:\setup.exe') >/dev/null 2>&1 &
setup=$!
driver=$top/build/windows/tests/support/vxdriver.exe
factor=${VORLEX_TIME_FACTOR:-1}  # 10 in the emulated PC
found=$(wine "$driver" find 'Vorlex Setup' '#32770' $((30000 * ${factor%.*})) 2>/dev/null) ||
    { echo "demo: the launcher did not appear" >&2; exit 1; }
sleep "${factor%.*}"  # let the launcher paint a few frames of its animation
# import, not xwd -root: the latter showed the launcher's owned dialogs black.
import -display "$DISPLAY" -window root "$demo/screenshot.png"
echo "demo: no display here; the launcher ran on a private Xvfb ($DISPLAY)."
echo "demo: screenshot saved to $demo/screenshot.png"
wine "$driver" post "${found%% *}" 0x100 27 0 >/dev/null 2>&1  # WM_KEYDOWN Escape
# One that stays is ended after 20 s (stretched by the run's time factor), and fails.
(sleep $((20 * ${factor%.*})) && kill "$setup" 2>/dev/null) &
watchdog=$!
wait "$setup"
ended=$?
kill "$watchdog" 2>/dev/null
[ "$ended" = 0 ] || { echo "demo: the launcher did not end at Escape ($ended)" >&2; exit 1; }
echo "demo: Escape ended the launcher"
