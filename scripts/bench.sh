#!/usr/bin/env bash
# make bench: the benchmarks' table, here where this host runs 32-bit x86 programs, else
# in the emulated PC (the table then says so: its figures compare with each other, not
# with a native run's). It ends after VORLEX_BENCH_LIMIT seconds (an hour) whatever it is doing.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
limit=${VORLEX_BENCH_LIMIT:-3600}
bench='bash scripts/make-wine-template build/windows/wine/template >/dev/null && python3 bench/run_all.py "$@"'
if bash scripts/pc/runs-i386; then
    exec timeout "$limit" bash -c "$bench" bench "$@"
fi
echo "bench: this host cannot run 32-bit x86 programs; the benchmarks run in the emulated PC"
exec scripts/pc-run --limit "$limit" -- bash -c "$bench" bench "$@"
