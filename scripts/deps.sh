#!/usr/bin/env bash
# Installs the Debian packages the build, the Wine tests and the demo need.
# Idempotent: does nothing when everything is already there.
set -euo pipefail

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

pkgs=(g++-mingw-w64-i686-posix binutils-mingw-w64-i686 cmake make g++ googletest
      imagemagick python3 clang-14 libclang-rt-14-dev xorriso osslsigncode openssl)
# Wine runs here where this host runs 32-bit x86 programs; elsewhere in the emulated PC,
# which is built from Debian's packages with debootstrap and run by QEMU (socat and xauth
# take its windows to this host's display).
# osslsigncode and openssl: a publisher's signature on setup.exe, and the tests' throwaway one.
# locales and a Japanese font: the journeys on a Japanese Windows (Wine under ja_JP.UTF-8).
if bash "$(dirname "$0")/pc/runs-i386"; then
    pkgs+=(wine wine32:i386 wine64 xvfb xdotool x11-apps locales fonts-ipafont-gothic)
    native=1
else
    pkgs+=(qemu-system-x86 debootstrap e2fsprogs cpio socat xauth)
fi
# Wine takes a Japanese Windows's code page (932) from the locale, which must be there.
japanese() {
    [ -z "${native:-}" ] || locale -a 2>/dev/null | grep -qix 'ja_JP.utf8' || $SUDO localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
}
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
# A package counts only when its files are all there: a tool deleted by hand (or by a
# clean-up of the machine) is put back by reinstalling its package.
broken() { dpkg -V "$1" 2>/dev/null | grep -q '^missing '; }
reinstall=()
for p in "${pkgs[@]}"; do
    if ! have "$p"; then need+=("$p")
    elif broken "$p"; then reinstall+=("$p"); fi
done
if [ ${#need[@]} -eq 0 ] && [ ${#reinstall[@]} -eq 0 ]; then
    japanese
    exit 0
fi
[ ${#need[@]} -eq 0 ] || echo "deps: installing ${need[*]}" >&2
if [[ " ${need[*]} " == *:i386* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
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
japanese
