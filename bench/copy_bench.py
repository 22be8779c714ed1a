#!/usr/bin/env python3
"""Install benchmarks under Wine: a 512 MB payload through the copy dialog against
CopyFileA of the same files (same process, same prefix) and against Linux cp, and
the demo payload's install. Prints a table and writes build/bench/copy.md. Figures
only; nothing is asserted.

usage: copy_bench.py [RUNS] [MEGABYTES]   (needs a built tree: make build)
"""
import os
import shutil
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from report import BUILD, TOP, report  # noqa: E402  (also lets scripts/ be imported)
from wine_machine import Machine  # noqa: E402

TOOL = os.path.join(BUILD, "bench", "copy_bench.exe")


def run_tool(m, cd):
    out = m.wine(TOOL, cd, "C:\\benchgame", timeout=1200)[1][-1]
    fields = dict(f.split("=") for f in out.split())
    return float(fields["dialog_ms"]) / 1000, float(fields["copyfile_ms"]) / 1000, int(fields["bytes"])


def measure(runs=3, megabytes=512):
    """The figures, as table rows (figure, value, target)."""
    m = Machine(cd=os.environ["VORLEX_CD"])
    try:
        # A big CD in the prefix: the demo game and a generated archive of the chosen size.
        big = m.unix_path("C:\\bigcd")
        os.makedirs(os.path.join(big, "data"))
        shutil.copy(os.path.join(os.environ["VORLEX_CD"], "data", "vlx.exe"), os.path.join(big, "data"))
        subprocess.run([sys.executable, os.path.join(TOP, "cdimage", "make_filesys.py"),
                        os.path.join(big, "data", "filesys.dat"), str(megabytes * 1048576)], check=True)
        big_runs = [run_tool(m, "C:\\bigcd") for _ in range(runs)]
        cp_runs = []
        for _ in range(runs):
            target = m.unix_path("C:\\cpgame")
            os.makedirs(target, exist_ok=True)
            start = time.monotonic()
            subprocess.run(["cp", os.path.join(big, "data", "vlx.exe"), os.path.join(big, "data", "filesys.dat"),
                            target], check=True)
            cp_runs.append(time.monotonic() - start)
            shutil.rmtree(target)
        shutil.rmtree(big)
        demo_runs = [run_tool(m, "D:\\") for _ in range(runs)]
    finally:
        m.close()

    dialog = statistics.median(r[0] for r in big_runs)
    copyfile = statistics.median(r[1] for r in big_runs)
    cp = statistics.median(cp_runs)
    demo = statistics.median(r[0] for r in demo_runs)
    size = big_runs[0][2] / 1048576
    rows = [
        ("install of %.0f MB through the copy dialog" % size, "%.2f s" % dialog, ""),
        ("CopyFileA of the same files (same prefix)", "%.2f s" % copyfile, ""),
        ("Linux cp of the same files", "%.2f s" % cp, ""),
        ("ratio copy dialog / CopyFileA", "%.2f x" % (dialog / copyfile), "<= 2 x"),
        ("install of the demo payload (%.1f MB, from the CD as D:)" % (demo_runs[0][2] / 1048576), "%.2f s" % demo, ""),
    ]
    return rows


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 3
    megabytes = int(sys.argv[2]) if len(sys.argv) > 2 else 512
    report("copy", "figure (median of %d runs)" % runs, measure(runs, megabytes))

if __name__ == "__main__":
    main()
