#!/usr/bin/env bash
# setup.exe loads on Windows 95 as first shipped, NT 4.0 and 11 (Wine has every DLL): each import is
# a row of docs/system-imports.tsv present ("yes", "yes (stub)") on all three, each row an import,
# and each DLL one the loader takes from the system whatever lies beside (docs/import-dlls.md).
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
# A row not imported would claim a call made another way (looked up at run time) or no longer made.
for row in $(awk -F'\t' 'NR > 1 { print tolower($1) "!" $2 }' "$table"); do
    grep -qxF "$row" <<<"$imports" || { echo "in the table but not imported: $row"; status=1; }
done
exit $status
