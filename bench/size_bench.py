#!/usr/bin/env python3
"""setup.exe's size, and how much of it is code and how much resources (target: at
most 320 KB in all). Prints a table and writes build/bench/size.md."""
import os
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from report import report  # noqa: E402

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
EXE = os.path.join(TOP, "build", "cd", "setup.exe")


def measure():
    """The figures, as table rows (figure, value, target)."""
    total = os.path.getsize(EXE)
    sections = {}
    out = subprocess.run(["i686-w64-mingw32-objdump", "-h", EXE], capture_output=True, text=True, check=True).stdout
    for line in out.splitlines():
        fields = line.split()
        if len(fields) >= 3 and fields[0].isdigit():
            sections[fields[1]] = int(fields[2], 16)
    resources = sections.get(".rsrc", 0)
    code = sections.get(".text", 0)
    rows = [
        ("setup.exe in all", "%.1f KB" % (total / 1024), "<= 320 KB"),
        ("code (.text)", "%.1f KB" % (code / 1024), ""),
        ("resources (.rsrc: picture, icons, sound, dialogs)", "%.1f KB" % (resources / 1024), ""),
        ("other sections", "%.1f KB" % ((total - code - resources) / 1024), ""),
    ]
    return rows


def main():
    report("size", "figure", measure(), with_machine=False)

if __name__ == "__main__":
    main()
