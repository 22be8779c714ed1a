#!/usr/bin/env bash
# make bench: the benchmarks' table, here where this host runs 32-bit x86 programs, else
# in the emulated PC (the table then says so: its figures compare with each other, not
# with a native run's).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
bench='bash scripts/make-wine-template build/windows/wine/template >/dev/null && python3 bench/run_all.py "$@"'
if bash scripts/pc/runs-i386; then
    exec bash -c "$bench" bench "$@"
fi
echo "bench: this host cannot run 32-bit x86 programs; the benchmarks run in the emulated PC"
exec scripts/pc-run -- bash -c "$bench" bench "$@"
