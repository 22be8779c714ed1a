"""A Windows machine under Wine for a program to be driven as a person drives it: a copy of the
kept template prefix (scripts/wine-lib.sh), its own Xvfb display, a folder mapped as CD-ROM
drive D:, and one vxdriver.exe process that answers its questions (windows, texts, clicks,
the registry in either view) for as long as its programs run. Used by the end-to-end tests
(tests/e2e/harness.py) and the benchmarks. Where the time goes is counted (TIMES) and, at
the end, printed and written beside the tests' artefacts."""
import ctypes
import functools
import json
import mmap
import os
import re
import select
import struct
import subprocess
import sys
import tempfile
import time

SCREEN_W, SCREEN_H = 1024, 768
WINE_LIB = os.path.join(os.path.dirname(os.path.abspath(__file__)), "wine-lib.sh")
QUIET = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
TIMES = {}  # what -> [count, seconds]


def scaled(seconds):  # a deadline that suffices natively, times the run's factor (10 in the emulated PC)
    return seconds * float(os.environ.get("VORLEX_TIME_FACTOR") or 1)


def wait_until(condition, seconds=10):
    deadline = time.monotonic() + scaled(seconds)
    while not (value := condition()) and time.monotonic() < deadline:
        time.sleep(0.02)
    return value


def timed(what):
    def wrap(function):
        @functools.wraps(function)
        def run(*args, **kwargs):
            start = time.monotonic()
            try:
                return function(*args, **kwargs)
            finally:
                spent = TIMES.setdefault(what if isinstance(what, str) else what(*args), [0, 0.0])
                spent[0], spent[1] = spent[0] + 1, spent[1] + time.monotonic() - start
        return run
    return wrap


def report_times():
    """Where the run's time went, printed and left for scripts/windows-times."""
    entry = os.environ.get("VORLEX_ENTRY", os.path.basename(sys.argv[0]))
    lines = ["%-28s %4d  %7.1f s" % (what, n, s) for what, (n, s) in sorted(TIMES.items(), key=lambda i: -i[1][1])]
    print("time of %s, by what the harness did:\n  " % entry + "\n  ".join(lines), file=sys.stderr)
    if os.environ.get("VORLEX_ARTIFACTS"):
        os.makedirs(os.path.join(os.environ["VORLEX_ARTIFACTS"], "times"), exist_ok=True)
        with open(os.path.join(os.environ["VORLEX_ARTIFACTS"], "times", entry + ".json"), "w") as f:
            json.dump(TIMES, f)


class Machine:
    """version: the Windows Wine reports; arch win64: the program under WoW64, the registry asked
    in its 32-bit view; cd: the folder that becomes drive D: (a tree of links to it, which a
    scenario may change); locale: the Linux locale Wine takes its code pages from (ja_JP.UTF-8:
    a Japanese Windows, code page 932), whose ANSI bytes the driver's words and answers are;
    the driver is vxdriver.exe at $VORLEX_DRIVER."""

    @timed("machine set-up")
    def __init__(self, version="win7", arch="win32", cd=None, locale=None):
        template = os.environ["VORLEX_WINE_TEMPLATE64" if arch == "win64" else "VORLEX_WINE_TEMPLATE"]
        self.work = tempfile.mkdtemp(prefix="machine.", dir=os.path.dirname(template))
        self.prefix, self.cd = os.path.join(self.work, "prefix"), os.path.join(self.work, "cd")
        self.view, self.process = "32" if arch == "win64" else "-", None
        subprocess.run(["bash", "-c", '. "$0"; vx_copy_prefix "$1" "$2"', WINE_LIB, template, self.prefix], check=True)
        self.env = dict(os.environ, WINEPREFIX=self.prefix, WINEARCH=arch, WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d")
        self.encoding = "cp932" if locale == "ja_JP.UTF-8" else "cp1252"
        if locale:
            self.env.update(LANG=locale, LC_ALL=locale)
        screen, (read, write) = os.path.join(self.work, "screen"), os.pipe()
        os.mkdir(screen)
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "%dx%dx24" % (SCREEN_W, SCREEN_H),
                                      "-nolisten", "tcp", "-noreset", "-nocursor", "-fbdir", screen], pass_fds=(write,),
                                     preexec_fn=lambda: ctypes.CDLL(None).prctl(1, 15), **QUIET)  # ends with its owner
        os.close(write)
        with os.fdopen(read) as f:
            self.env["DISPLAY"] = self.display = ":" + f.readline().strip()
        with open(os.path.join(screen, "Xvfb_screen0"), "rb") as f:  # the screen's pixels, as Xvfb keeps them
            self.screen = mmap.mmap(f.fileno(), 0, access=mmap.ACCESS_READ)
        self.pixels = struct.unpack_from(">I", self.screen, 0)[0] + 12 * struct.unpack_from(">I", self.screen, 76)[0]
        if cd:
            subprocess.run(["cp", "-rs", os.path.realpath(cd), self.cd], check=True)
            os.symlink(self.cd, os.path.join(self.prefix, "dosdevices", "d:"))
            self.preset("system.reg", "Software\\Wine\\Drives", "d:", "cdrom")
        self.preset("user.reg", "Software\\Wine", "Version", version)
        self.registry_version(version)
        # A person who double-clicks slowly: a second press within 5 s at the same point comes as
        # a double click, which every press of a program must take as a press.
        self.preset("user.reg", "Control Panel\\Mouse", "DoubleClickSpeed", "5000")

    def preset(self, hive, key, name, value):
        """A text value written into a registry file of the machine before anything of it runs
        (read as Windows starts, for no Wine process of its own)."""
        quoted = lambda text: '"%s"' % text.replace("\\", "\\\\").replace('"', '\\"')
        with open(os.path.join(self.prefix, hive), "a", encoding="latin-1") as f:
            f.write("\n[%s] 0\n%s=%s\n" % (key.replace("\\", "\\\\"), quoted(name), quoted(value)))

    def registry_version(self, version):
        """The NT version in the registry as the system's own setup leaves it, none on the 95
        family (Wine's Version setting alone changes only what GetVersionEx answers)."""
        nt = {"nt40": "4.0", "winxp": "5.1", "win7": "6.1", "win10": "6.3"}
        with open(os.path.join(self.prefix, "system.reg"), encoding="latin-1") as f:
            text = f.read()
        start = text.index("\n", text.index("[Software\\\\Microsoft\\\\Windows NT\\\\CurrentVersion] ")) + 1
        end = text.index("\n\n", start)
        block = re.sub(r'^"Current(Version|MajorVersionNumber|MinorVersionNumber)"=.*\n', "", text[start:end + 1], flags=re.M)
        block += '"CurrentVersion"="%s"\n' % nt[version] if version in nt else ""
        block += '"CurrentMajorVersionNumber"=dword:0000000a\n"CurrentMinorVersionNumber"=dword:00000000\n' * (version == "win10")
        with open(os.path.join(self.prefix, "system.reg"), "w", encoding="latin-1") as f:
            f.write(text[:start] + block + text[end + 1:])

    def server(self, *args):
        subprocess.run(["wineserver", *args], env=self.env, **QUIET)

    @timed("restarts")
    def restart(self):
        """A restart of Windows: every program ends, then the boot does what waits for it."""
        self.quit_driver()
        for args in (["-k"], ["-w"], ["-p60"]):
            self.server(*args)
        self.wine("wineboot", "-r")

    def close(self):
        self.quit_driver()
        self.server("-k")
        self.server("-w")
        self.xvfb.terminate()
        self.xvfb.wait()
        self.screen.close()
        subprocess.run(["bash", "-c", '. "$0"; vx_drop_prefix "$1"', WINE_LIB, self.prefix])
        subprocess.run(["rm", "-rf", self.work])

    def unix_path(self, windows_path):
        return os.path.join(self.prefix, "drive_c", *windows_path[3:].split("\\"))

    @timed(lambda self, *args: "wine " + os.path.basename(str(args[0])))
    def wine(self, *args, check=True, timeout=120):
        """(exit code, output lines) of a Wine program of its own; through a file, as services a
        program starts hold pipes open."""
        with tempfile.TemporaryFile(mode="w+", dir=self.work) as out:
            code = subprocess.run(["wine", *map(str, args)], env=self.env, stdin=subprocess.DEVNULL, stdout=out,
                                  stderr=subprocess.DEVNULL, timeout=scaled(timeout)).returncode
            out.seek(0)
            lines = [line.rstrip("\r\n") for line in out]
        assert code == 0 or not check, "wine %s: exit %d: %s" % (args, code, lines)
        return code, lines

    def runs(self, *words):
        """Whether a process of this machine has each of words in its command line. Not pgrep:
        that sees the machines of the entries that run beside this one too."""
        mine = ("WINEPREFIX=" + self.prefix).encode()
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open(f"/proc/{pid}/cmdline", "rb") as line, open(f"/proc/{pid}/environ", "rb") as env:
                    if all(w.encode() in line.read() for w in words) and mine in env.read().split(b"\0"):
                        return True
            except OSError:  # ended meanwhile, or not ours to read
                continue
        return False

    def start(self, *args, cwd="C:\\windows"):
        return subprocess.Popen(["wine", *args], env=self.env, cwd=self.unix_path(cwd), **QUIET)

    def quit_driver(self):
        if self.process:
            self.process.stdin.close()
            try:
                self.process.wait(scaled(10))
            except subprocess.TimeoutExpired:
                self.process.kill()
            self.process = None

    @timed(lambda self, *args: "driver " + str(args[0]))
    def driver(self, *args):
        """One command to the machine's driver, its answer; an error fails. The driver starts with
        the first question after a restart. A command that waits (find, gone, run: their last
        word, in ms) is given that long to answer, and some seconds more."""
        if self.process is None or self.process.poll() is not None:
            self.process = subprocess.Popen(["wine", os.environ["VORLEX_DRIVER"]], env=self.env, stdin=subprocess.PIPE,
                                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
            self.answers = b""
        self.process.stdin.write(("\t".join(map(str, args)) + "\n").encode(self.encoding))
        self.process.stdin.flush()
        deadline = time.monotonic() + scaled(10) + (int(args[-1]) / 1000 if args[0] in ("find", "gone", "run") else 0)
        while b"\n" not in self.answers:
            ready = select.select([self.process.stdout], [], [], max(0, deadline - time.monotonic()))[0]
            more = os.read(self.process.stdout.fileno(), 65536) if ready else b""
            assert more, "the driver gave no answer to %s" % (args,)
            self.answers += more
        answer, self.answers = self.answers.split(b"\n", 1)
        # Unescaped byte by byte: a double-byte character's second byte may be a '\' the driver doubled.
        plain = {b"n": b"\n", b"0": b"\0"}
        answer = re.sub(rb"\\(.)", lambda m: plain.get(m.group(1), m.group(1)), answer.rstrip(b"\r"))
        answer = answer.decode(self.encoding, "replace")
        assert not answer.startswith("error:"), "driver %s: %s" % (args, answer)
        return answer

    def find(self, caption, window_class="#32770", timeout_ms=15000):
        return tuple(int(v) for v in self.driver("find", caption, window_class, int(scaled(timeout_ms))).split())

    def gone(self, hwnd, timeout_ms=15000):
        return self.driver("gone", hwnd, int(scaled(timeout_ms))) == "1"

    def text(self, hwnd, control=0):
        return self.driver("text", hwnd, control)

    def rect(self, hwnd, control=0):
        return tuple(int(v) for v in self.driver("rect", hwnd, control).split())

    def view_of(self, key):  # Wine's own settings are read by its 64-bit parts
        return "-" if key.startswith(("HKLM\\Software\\Wine", "HKCU")) else self.view

    def reg_add(self, key, name, data, kind="sz"):  # multi: the texts separated by |
        assert self.driver("regset", self.view_of(key), key, name, kind, data) == "1", "%s %s not written" % (key, name)

    def reg(self, key, name=""):
        """A value's data (a DWORD as 0x..., a list's texts each ended by NUL), None when missing;
        without a name, True when the key is there."""
        value = self.driver("reg", self.view_of(key), key, name)
        return None if value == "none" else value == "key" or value.split(" ", 1)[1]

    @timed("xdotool")
    def xdotool(self, *args):
        subprocess.run(["xdotool", *map(str, args)], env=self.env, check=True, **QUIET)

    def click(self, hwnd, control):
        x, y, w, h = self.rect(hwnd, control)
        self.xdotool("mousemove", x + w // 2, y + h // 2, "click", 1)

    @timed("screen grabs")
    def grab(self):
        """The screen now, as a function of (x, y) giving (r, g, b): Xvfb's frame buffer, no cursor."""
        data = self.screen[self.pixels:self.pixels + 4 * SCREEN_W * SCREEN_H]
        return lambda x, y: (data[(y * SCREEN_W + x) * 4 + 2], data[(y * SCREEN_W + x) * 4 + 1], data[(y * SCREEN_W + x) * 4])

    @timed("screenshots")
    def screenshot(self, name, hwnd=None):
        """An artefact (a PPM file; make screenshots makes PNGs) of the window painted whole, once
        it shows more than the black of one not painted."""
        if hwnd:
            self.driver("paint", hwnd)
            x, y, w, h = self.rect(hwnd)
            points = [(x + w * i // 4, y + h * j // 4) for i in (1, 2, 3) for j in (1, 2, 3)]
            assert wait_until(lambda: any(self.grab()(*p) != (0, 0, 0) for p in points), 5), name + " stayed black"
        folder = os.environ.get("VORLEX_ARTIFACTS") or self.work
        os.makedirs(folder, exist_ok=True)
        bgrx, rgb = self.screen[self.pixels:self.pixels + 4 * SCREEN_W * SCREEN_H], bytearray(3 * SCREEN_W * SCREEN_H)
        rgb[0::3], rgb[1::3], rgb[2::3] = bgrx[2::4], bgrx[1::4], bgrx[0::4]
        with open(os.path.join(folder, name + ".ppm"), "wb") as f:
            f.write(b"P6 %d %d 255\n" % (SCREEN_W, SCREEN_H) + rgb)
