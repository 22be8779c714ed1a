#!/usr/bin/env python3
"""make bench: every benchmark in one table (medians of RUNS runs), printed and written
to build/bench/bench.md with the machine it came from.

usage: run_all.py [RUNS [MEGABYTES]]   (needs a built tree: make build; MEGABYTES: the
copy bench's payload, 512 unless given)"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import copy_bench  # noqa: E402
import launcher_bench  # noqa: E402
import size_bench  # noqa: E402
from report import report  # noqa: E402


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 5
    megabytes = int(sys.argv[2]) if len(sys.argv) > 2 else 512
    rows = copy_bench.measure(runs, megabytes) + launcher_bench.measure(runs) + size_bench.measure()
    report("bench", "figure (median of %d runs)" % runs, rows)


if __name__ == "__main__":
    main()
