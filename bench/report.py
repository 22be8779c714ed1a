"""The benchmarks' one way of showing figures: a Markdown table with the machine it
came from, printed and written to build/bench/NAME.md."""
import os
import subprocess
import sys

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(TOP, "build", "windows")

# The benchmarks run programs on the machines the end-to-end tests use (scripts/wine_machine.py),
# on the built tree, and compare the launcher's picture as the tests do (scripts/launcher_picture.py).
sys.path.insert(0, os.path.join(TOP, "scripts"))
os.environ.setdefault("VORLEX_WINE_TEMPLATE", os.path.join(BUILD, "wine", "template"))
os.environ.setdefault("VORLEX_CD", os.path.join(TOP, "build", "cd"))
os.environ.setdefault("VORLEX_DRIVER", os.path.join(BUILD, "tests", "support", "vxdriver.exe"))


def machine():
    wine = subprocess.run(["wine", "--version"], capture_output=True, text=True).stdout.strip()
    where = " in the emulated PC (QEMU), several times slower than natively" if os.environ.get("VORLEX_IN_PC") else ""
    return "%d cores, %s, Wine %s%s" % (os.cpu_count(), os.uname().machine, wine, where)


def report(name, heading, rows, with_machine=True):
    lines = ["| %s | value | target |" % heading, "|---|---|---|"]
    lines += ["| %s | %s | %s |" % row for row in rows]
    if with_machine:
        lines += ["", "Machine: " + machine()]
    text = "\n".join(lines)
    print(text)
    folder = os.path.join(TOP, "build", "bench")
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name + ".md"), "w") as f:
        f.write(text + "\n")
