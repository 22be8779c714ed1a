#!/usr/bin/env bash
# setup.exe must load on Windows 95 as first shipped, on NT 4.0 without service packs
# and on Windows 11: the loader refuses a program whose imports it cannot all find, and
# Wine has them all. Every DLL!function it imports must be a row of the checked table
# (docs/system-imports.tsv: dll, function, win95, nt40, win11, source) marked present
# ("yes", or "yes (stub)" for an entry that exists but fails) on all three, and every row
# of the table must be an import.
# And every DLL it imports by name must be one the loader takes from the system whatever
# lies beside the program (the first column of docs/import-dlls.md's table).
set -u
exe=${1:?usage: check_imports.sh setup.exe system-imports.tsv import-dlls.md}
table=${2:?usage: check_imports.sh setup.exe system-imports.tsv import-dlls.md}
allowed=${3:?usage: check_imports.sh setup.exe system-imports.tsv import-dlls.md}
imports=$(i686-w64-mingw32-objdump -p "$exe" | awk '
    /DLL Name:/ { dll = tolower($3); next }
    /^$/ { next }
    dll != "" && NF == 3 && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ { print dll "!" $3 }' | sort -u)
[ -n "$imports" ] || { echo "no import table read from $exe"; exit 1; }
status=0
for dll in $(i686-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ { print toupper($3) }'); do
    grep -qF "| $dll |" "$allowed" || { echo "imported by name, but the loader may take it from beside: $dll"; status=1; }
done
for import in $imports; do
    row=$(awk -F'\t' -v want="$import" 'tolower($1) "!" $2 == want {
        print ($3 ~ /^yes/ && $4 ~ /^yes/ && $5 ~ /^yes/) ? "ok" : "missing", $1, $2, $3, $4, $5; exit }' "$table")
    case $row in
        "") echo "not in the table: $import"; status=1 ;;
        ok*) echo "ok: $import" ;;
        *) echo "missing on a supported Windows: ${row#missing }"; status=1 ;;
    esac
done
# And the table is the import list itself: a row the program does not import is a claim
# about a call the program makes some other way (looked up at run time) or no longer makes.
for row in $(awk -F'\t' 'NR > 1 { print tolower($1) "!" $2 }' "$table"); do
    grep -qxF "$row" <<<"$imports" || { echo "in the table but not imported: $row"; status=1; }
done
exit $status
