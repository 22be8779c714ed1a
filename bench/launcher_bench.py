#!/usr/bin/env python3
"""Launcher benchmarks under Wine: CPU used by 10 s of idle animation, and the time
from start to the first painted frame against a bare dialog program. Prints a table
and writes it to build/bench/launcher.md. Figures only; nothing is asserted.

usage: launcher_bench.py [RUNS]   (needs a built tree: make build)
"""
import os
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from report import BUILD, TOP, report  # noqa: E402  (also lets scripts/ be imported)
from launcher_picture import POINTS, colour  # noqa: E402
from wine_machine import SCREEN_H, SCREEN_W, Machine, scaled  # noqa: E402

CLK_TCK = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    """User and system time of a process so far; 0 once it has ended."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
    except (FileNotFoundError, ProcessLookupError):
        return 0.0
    return (int(fields[11]) + int(fields[12])) / CLK_TCK


def own_servers(m):
    """This machine's wineserver and X server: not those of other Wine programs that
    may run on the same computer meanwhile."""
    pids = [m.xvfb.pid]
    out = subprocess.run(["pgrep", "wineserver"], capture_output=True, text=True).stdout.split()
    for pid in map(int, out):
        try:
            with open("/proc/%d/environ" % pid, "rb") as f:
                if ("WINEPREFIX=%s" % m.prefix).encode() in f.read().split(b"\0"):
                    pids.append(pid)
        except (FileNotFoundError, ProcessLookupError):
            pass
    return pids


def first_paint(m, args, is_painted):
    """Seconds from the start of a program to the first screen that shows it."""
    start = time.monotonic()
    p = m.start(*args)
    while not is_painted(m.grab()):
        if time.monotonic() - start > scaled(60):
            raise RuntimeError("no paint")
    elapsed = time.monotonic() - start
    p.kill()
    p.wait()
    m.restart()
    return elapsed


def measure(runs=5):
    """The figures, as table rows (figure, value, target)."""
    cx, cy = (SCREEN_W - 480) // 2, (SCREEN_H - 370) // 2
    def launcher_painted(screen):
        return all(screen(cx + x, cy + y) == colour(x, y) for x, y in POINTS)

    def bare_painted(screen):
        return screen(cx + 240, cy + 185) == (200, 40, 40)

    m = Machine(cd=os.environ["VORLEX_CD"])
    m.restart()  # every run below starts on a machine just restarted, the first one too
    try:
        bare = os.path.join(BUILD, "bench", "bare_dialog.exe")
        setup_times = [first_paint(m, ["D:\\setup.exe"], launcher_painted) for _ in range(runs)]
        bare_times = [first_paint(m, [bare], bare_painted) for _ in range(runs)]

        # Idle animation: the mouse away from the buttons, flash every 108 ticks.
        samples = []
        for _ in range(max(1, runs // 2)):
            p = m.start("D:\\setup.exe")
            m.find("Vorlex Setup")
            time.sleep(1)  # past the start-up, into the steady animation
            others = own_servers(m)
            before = cpu_seconds(p.pid), sum(cpu_seconds(o) for o in others)
            t0 = time.monotonic()
            time.sleep(10)
            after = cpu_seconds(p.pid), sum(cpu_seconds(o) for o in others)
            wall = time.monotonic() - t0
            samples.append(((after[0] - before[0]) / wall, (after[1] - before[1]) / wall))
            p.kill()
            p.wait()
            m.restart()
    finally:
        m.close()

    own = statistics.median(s[0] for s in samples)
    rest = statistics.median(s[1] for s in samples)
    s_med, b_med = statistics.median(setup_times), statistics.median(bare_times)
    rows = [
        ("launcher CPU, 10 s idle animation (setup.exe process)", "%.2f %% of one core" % (100 * own), "<= 1 %"),
        ("  plus wineserver and X server for the same 10 s", "%.2f %% of one core" % (100 * rest), ""),
        ("start to first painted frame: setup.exe", "%.0f ms" % (1000 * s_med), ""),
        ("start to first painted frame: bare dialog", "%.0f ms" % (1000 * b_med), ""),
        ("ratio setup.exe / bare dialog", "%.2f x" % (s_med / b_med), "<= 1.3 x"),
    ]
    return rows


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 5
    report("launcher", "figure (median of %d runs)" % runs, measure(runs))

if __name__ == "__main__":
    main()
