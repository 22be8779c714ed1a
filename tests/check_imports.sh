#!/usr/bin/env bash
# setup.exe runs from a bare CD on a bare Windows: it may import system DLLs only.
set -u
exe=${1:?usage: check_imports.sh setup.exe}
allowed="kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll ole32.dll comctl32.dll winmm.dll msvcrt.dll"
names=$(i686-w64-mingw32-objdump -p "$exe" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z')
[ -n "$names" ] || { echo "no import table read from $exe"; exit 1; }
status=0
for name in $names; do
    case " $allowed " in
        *" $name "*) echo "ok: $name" ;;
        *) echo "not a system DLL: $name"; status=1 ;;
    esac
done
exit $status
