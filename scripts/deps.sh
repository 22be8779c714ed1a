#!/usr/bin/env bash
# Installs the Debian packages the build, the Wine tests and the demo need.
# Idempotent: does nothing when everything is already there.
set -euo pipefail

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

pkgs=(g++-mingw-w64-i686-posix binutils-mingw-w64-i686 cmake make g++ googletest
      wine wine32:i386 xvfb xdotool x11-apps imagemagick python3 clang-14 libclang-rt-14-dev xorriso)
# A package counts only when its files are all there: a tool deleted by hand (or by a
# clean-up of the machine) is put back by reinstalling its package.
broken() { dpkg -V "$1" 2>/dev/null | grep -q '^missing '; }
reinstall=()
for p in "${pkgs[@]}"; do
    if ! have "$p"; then need+=("$p")
    elif broken "$p"; then reinstall+=("$p"); fi
done
[ ${#need[@]} -eq 0 ] && [ ${#reinstall[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
[ ${#need[@]} -eq 0 ] || echo "deps: installing ${need[*]}" >&2
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
if [ ${#need[@]} -gt 0 ]; then
    $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi
if [ ${#reinstall[@]} -gt 0 ]; then
    echo "deps: reinstalling ${reinstall[*]} (files missing)" >&2
    $SUDO apt-get install -y -qq --no-install-recommends --reinstall "${reinstall[@]}" >/dev/null
fi
