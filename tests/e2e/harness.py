"""The end-to-end harness: a clean Windows machine under Wine and Xvfb with the demo CD
as drive D:, the player's mouse, the launcher's picture, and snapshots of the machine."""
import atexit
import ctypes
import functools
import json
import mmap
import os
import re
import select
import shutil
import stat
import struct
import subprocess
import tempfile
import time
import sys
import unittest

SCREEN_W, SCREEN_H = 1024, 768
INSTALL, DIRECTX, PLAY, UNINSTALL, EXIT = 1, 2, 3, 4, 5
PICTURE_POINTS = ((20, 20), (300, 40), (240, 200))  # sky, title, hills: the launcher's picture itself
REGIONS = {1: (17, 141, 118, 170), 2: (17, 179, 118, 208), 3: (17, 215, 118, 244),
           4: (17, 251, 118, 280), 5: (17, 287, 118, 316)}
FOLDER = "C:\\Program Files\\Vorlex"
VERSION_KEY = "HKLM\\Software\\Halvane\\Vorlex\\1.00"
UNINSTALL_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vorlex"
CD = os.environ.get("VORLEX_CD", "")
WINE_LIB = os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../scripts/wine-lib.sh")
QUIET = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
def scaled(seconds):  # a deadline that suffices natively, times the run's factor (10 in the emulated PC)
    return seconds * float(os.environ.get("VORLEX_TIME_FACTOR") or 1)


def wait_until(condition, seconds=10):
    deadline = time.monotonic() + scaled(seconds)
    while not (value := condition()) and time.monotonic() < deadline:
        time.sleep(0.02)
    return value


TIMES = {}  # where an entry's time went: what -> [count, seconds]


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


class Machine:
    """A copy of the template prefix with its own display and a persistent wineserver, asked
    its questions by one driver process that lives as long as its programs do."""

    def __init__(self, version="win7", arch="win32", program_files=None, copied_cd=False):
        """win64: the setup under WoW64, reg in its 32-bit view; program_files: a localized one's name;
        copied_cd: setup.exe from a folder, beside it DLLs of the test's own that Wine prefers."""
        start = time.monotonic()
        template = os.environ["VORLEX_WINE_TEMPLATE64" if arch == "win64" else "VORLEX_WINE_TEMPLATE"]
        self.work = tempfile.mkdtemp(prefix="e2e.", dir=os.path.dirname(template))
        self.prefix, self.cd = os.path.join(self.work, "prefix"), os.path.join(self.work, "cd")
        self.view = "32" if arch == "win64" else "-"
        subprocess.run(["bash", "-c", '. "$0"; vx_copy_prefix "$1" "$2"', WINE_LIB, template, self.prefix], check=True)
        self.env = dict(os.environ, WINEPREFIX=self.prefix, WINEARCH=arch, WINEDEBUG="-all",
                        WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d")
        self.process = None
        fb = os.path.join(self.work, "screen")
        os.mkdir(fb)
        read, write = os.pipe()
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "%dx%dx24" % (SCREEN_W, SCREEN_H),
                                      "-nolisten", "tcp", "-noreset", "-nocursor", "-fbdir", fb], pass_fds=(write,),
                                     preexec_fn=lambda: ctypes.CDLL(None).prctl(1, 15), **QUIET)  # ends with the test
        os.close(write)
        with os.fdopen(read) as f:
            self.env["DISPLAY"] = self.display = ":" + f.readline().strip()
        with open(os.path.join(fb, "Xvfb_screen0"), "rb") as f:  # the screen's pixels, without the mouse's
            self.screen = mmap.mmap(f.fileno(), 0, access=mmap.ACCESS_READ)
        header, colours = struct.unpack_from(">I", self.screen, 0)[0], struct.unpack_from(">I", self.screen, 76)[0]
        self.pixels = header + 12 * colours  # then rows of 32-bit pixels, blue first
        # The CD is a tree of links to the built one, so a scenario may change it.
        subprocess.run(["cp", "-rs", os.path.realpath(CD), self.cd], check=True)
        os.symlink(self.cd, os.path.join(self.prefix, "dosdevices", "d:"))
        # Read when Windows starts, so written into its registry files before anything runs.
        self.preset("system.reg", "Software\\Wine\\Drives", "d:", "cdrom")
        self.preset("user.reg", "Software\\Wine", "Version", version)
        # A player who double-clicks slowly: a second press within 5 s at the same point comes as
        # a double click, which is still a press.
        self.preset("user.reg", "Control Panel\\Mouse", "DoubleClickSpeed", "5000")
        self.setup, self.setup_folder = "D:\\setup.exe", self.cd
        if copied_cd:
            self.setup = "C:\\Downloads\\Vorlex CD\\setup.exe"
            self.setup_folder = os.path.dirname(self.unix_path(self.setup))
            shutil.copytree(self.cd, self.setup_folder)
            for name in ("winmm.dll", "oleacc.dll"):
                shutil.copy(os.environ["VORLEX_PLANTED"], os.path.join(self.setup_folder, name))
            self.env["WINEDLLOVERRIDES"] += ";winmm,oleacc=n,b"
        if program_files:
            os.makedirs(self.unix_path(program_files))
            self.preset("system.reg", "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir", program_files)
        default = "C:\\Program Files (x86)" if arch == "win64" else "C:\\Program Files"
        self.folder = (program_files or default) + "\\Vorlex"  # where the setup proposes to install
        self.server("-p60")  # persistent a while once idle, so the machine can be inspected between runs
        TIMES.setdefault("machine set-up", [0, 0.0])[0] += 1
        TIMES["machine set-up"][1] += time.monotonic() - start

    def preset(self, hive, key, name, value):
        """A text value written into a registry file of the machine while no program runs."""
        quoted = lambda text: '"%s"' % text.replace("\\", "\\\\").replace('"', '\\"')
        with open(os.path.join(self.prefix, hive), "a", encoding="latin-1") as f:
            f.write("\n[%s] 0\n%s=%s\n" % (key.replace("\\", "\\\\"), quoted(name), quoted(value)))

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
        """One command to the machine's driver, its answer; an error fails the test. The driver
        starts with the first question after a restart. A command that waits (find, gone, run:
        their last word, in ms) is given that long to answer, and some seconds more."""
        if self.process is None or self.process.poll() is not None:
            self.process = subprocess.Popen(["wine", os.environ["VORLEX_DRIVER"]], env=self.env, stdin=subprocess.PIPE,
                                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
            self.answers = b""
        self.process.stdin.write(("\t".join(map(str, args)) + "\n").encode("latin-1"))
        self.process.stdin.flush()
        waits = int(args[-1]) / 1000 if args[0] in ("find", "gone", "run") else 0
        deadline = time.monotonic() + waits + scaled(10)
        while b"\n" not in self.answers:
            ready = select.select([self.process.stdout], [], [], max(0, deadline - time.monotonic()))[0]
            more = os.read(self.process.stdout.fileno(), 65536) if ready else b""
            assert more, "the driver gave no answer to %s" % (args,)
            self.answers += more
        answer, self.answers = self.answers.split(b"\n", 1)
        plain = {"n": "\n", "0": "\0"}
        answer = re.sub(r"\\(.)", lambda m: plain.get(m.group(1), m.group(1)), answer.decode("latin-1").rstrip("\r"))
        assert not answer.startswith("error:"), "driver %s: %s" % (args, answer)
        return answer

    def find(self, caption, window_class="#32770", timeout_ms=15000):
        return tuple(int(v) for v in self.driver("find", caption, window_class, int(scaled(timeout_ms))).split())

    def text(self, hwnd, control=0):
        return self.driver("text", hwnd, control)

    def notice(self, timeout_ms=15000):
        box = int(self.driver("find", "Vorlex Setup Notice", "#32770", int(scaled(timeout_ms))).split()[0])
        return box, self.text(box, 0xFFFF)

    def answer(self, box, button):
        """A message box answered as a click on its button does; returns once it is gone."""
        self.driver("click", box, button)
        assert self.gone(box), "the box %d stays" % box

    def gone(self, hwnd, timeout_ms=15000):
        return self.driver("gone", hwnd, int(scaled(timeout_ms))) == "1"

    def second_start(self):
        """A new start of setup.exe, which must end at once showing nothing: "0" when it did."""
        return self.driver("run", "D:\\setup.exe", int(scaled(15000)))

    def view_of(self, key):  # Wine's own settings are read by its 64-bit parts
        return "-" if key.startswith(("HKLM\\Software\\Wine", "HKCU")) else self.view

    def reg_add(self, key, name, data, kind="sz"):  # multi: the texts separated by |
        assert self.driver("regset", self.view_of(key), key, name, kind, data) == "1", "%s %s not written" % (key, name)

    def reg(self, key, name=""):
        """A value's data (a DWORD as 0x..., a list's texts each ended by NUL), None when missing;
        without a name, True when the key is there."""
        value = self.driver("reg", self.view_of(key), key, name)
        return None if value == "none" else value == "key" or value.split(" ", 1)[1]

    def restarted(self, copy):
        """Whether a restart of Windows was asked for: it runs now, or has deleted the copy."""
        running = subprocess.run(["pgrep", "-f", "wineboot.exe --end-session"], **QUIET).returncode == 0
        return running or not os.path.exists(copy)

    def keys_then_click(self, hwnd, control):
        """Enter and Escape, which end none of the setup's dialogs: the click after them finds it."""
        for args in (("post", hwnd, 0x111, 1, 0), ("post", hwnd, 0x111, 2, 0), ("click", hwnd, control)):
            self.driver(*args)

    def start(self, *args, cwd="C:\\windows"):
        return subprocess.Popen(["wine", *args], env=self.env, cwd=self.unix_path(cwd), **QUIET)

    @timed("xdotool")
    def xdotool(self, *args):
        subprocess.run(["xdotool", *map(str, args)], env=self.env, check=True, **QUIET)

    def rect(self, hwnd, control=0):
        return tuple(int(v) for v in self.driver("rect", hwnd, control).split())

    def click(self, hwnd, control):
        x, y, w, h = self.rect(hwnd, control)
        self.xdotool("mousemove", x + w // 2, y + h // 2, "click", 1)

    @timed("screen grabs")
    def grab(self):
        """The screen now, as a function of (x, y) giving (r, g, b): Xvfb's own frame buffer."""
        data = self.screen[self.pixels:self.pixels + 4 * SCREEN_W * SCREEN_H]
        return lambda x, y: (data[(y * SCREEN_W + x) * 4 + 2], data[(y * SCREEN_W + x) * 4 + 1], data[(y * SCREEN_W + x) * 4])

    @timed("screenshots")
    def screenshot(self, name, hwnd=None):
        """A test artefact, once the window shows more than the black of one not painted."""
        if hwnd:
            x, y, w, h = self.rect(hwnd)
            points = [(x + w * i // 4, y + h * j // 4) for i in (1, 2, 3) for j in (1, 2, 3)]
            assert wait_until(lambda: any(self.grab()(*p) != (0, 0, 0) for p in points), 5), name + " stayed black"
        folder = os.environ.get("VORLEX_ARTIFACTS") or self.work
        os.makedirs(folder, exist_ok=True)
        bgrx, rgb = self.screen[self.pixels:self.pixels + 4 * SCREEN_W * SCREEN_H], bytearray(3 * SCREEN_W * SCREEN_H)
        rgb[0::3], rgb[1::3], rgb[2::3] = bgrx[2::4], bgrx[1::4], bgrx[0::4]
        with open(os.path.join(folder, name + ".ppm"), "wb") as f:  # make screenshots turns it into a PNG
            f.write(b"P6 %d %d 255\n" % (SCREEN_W, SCREEN_H) + rgb)

    @timed("snapshots")
    def snapshot(self):
        """C:'s files with sizes but the temporary ones, and the key names under Software but Wine's
        (and the list of network cards, which Wine's first start after a copy of the template drops)."""
        root, files, keys = os.path.join(self.prefix, "drive_c"), set(), set()
        for folder, dirs, names in os.walk(root):
            rel = os.path.relpath(folder, root).lower()
            dirs[:] = [d for d in dirs if not os.path.islink(os.path.join(folder, d))
                       and d.lower() not in ("temp", "logs", "installer")]
            files.add("dir " + rel)
            files.update("file %s %d" % (os.path.join(rel, n.lower()), os.path.getsize(os.path.join(folder, n)))
                         for n in names if not os.path.islink(os.path.join(folder, n)))
        for hive in ("system.reg", "user.reg"):
            with open(os.path.join(self.prefix, hive), encoding="latin-1") as f:
                keys.update(hive + k for k in re.findall(r"^\[(Software\\\\[^\]]*)\]", f.read(), re.M)
                            if not k.startswith("Software\\\\Wine") and not k.endswith("NetworkCards"))
        # The processed WININIT.INI kept as WININIT.BAK is the system's, not ours.
        return {f for f in files if not f.startswith("file windows/wininit.bak ")}, keys


with open(os.path.join(os.path.dirname(__file__), "../../resources/art/background.bmp"), "rb") as f:
    BMP = f.read()  # the launcher's picture: 8 bits a pixel, bottom-up rows
PALETTE = [(BMP[56 + 4 * i], BMP[55 + 4 * i], BMP[54 + 4 * i]) for i in range(256)]
(PIXELS,), (WIDTH, HEIGHT) = struct.unpack_from("<I", BMP, 10), struct.unpack_from("<ii", BMP, 18)


@functools.lru_cache
def brightness(level):
    """Colour index -> the palette's nearest to that colour at level/8."""
    def nearest(c):
        want = [min(255, (v * 16 * level) >> 7) for v in c]
        return min(range(256), key=lambda j: sum((a - b) ** 2 for a, b in zip(want, PALETTE[j])))
    return [nearest(c) for c in PALETTE]


def colour(x, y, level=8):
    """The screen colour of picture point (x, y) drawn at a brightness level."""
    return PALETTE[brightness(level)[BMP[PIXELS + (HEIGHT - 1 - y) * WIDTH + x]]]


class FedCdFile:
    """A CD file replaced by a pipe the test fills, so an install can be held at any point."""

    def __init__(self, m, relative, size=0):
        self.source = os.path.realpath(os.path.join(CD, *relative.split("\\")))
        with open(self.source, "rb") as f:
            self.data = f.read().ljust(size, b"\0")
        self.path = os.path.join(m.cd, *relative.split("\\"))
        os.remove(self.path)
        os.mkfifo(self.path)
        # Read and write: the open waits for no reader, who sees the end only at close().
        self.fd = os.open(self.path, os.O_RDWR | os.O_NONBLOCK)
        self.sent = 0

    def feed(self, count, seconds=20):
        """The next count bytes; False when the reader stopped taking them."""
        end, deadline = min(self.sent + count, len(self.data)), time.monotonic() + scaled(seconds)
        while self.sent < end and time.monotonic() < deadline:
            if select.select([], [self.fd], [], 0.1)[1]:
                self.sent += os.write(self.fd, self.data[self.sent:min(end, self.sent + 65536)])
        return self.sent == end

    def close(self):
        """The end of the file for the reader; the CD's own file is back once the CD is."""
        if self.fd is not None:
            os.close(self.fd)
            self.fd = None
        if os.path.exists(self.path) and stat.S_ISFIFO(os.stat(self.path).st_mode):
            os.remove(self.path)
            os.symlink(self.source, self.path)


def report_times():
    """Where the entry's time went, printed and left for the Windows layer's summary."""
    entry = os.environ.get("VORLEX_ENTRY", os.path.basename(sys.argv[0]))
    lines = ["%-28s %4d  %7.1f s" % (what, n, s) for what, (n, s) in sorted(TIMES.items(), key=lambda i: -i[1][1])]
    print("time of %s, by what the harness did:\n  " % entry + "\n  ".join(lines), file=sys.stderr)
    if os.environ.get("VORLEX_ARTIFACTS"):
        folder = os.path.join(os.environ["VORLEX_ARTIFACTS"], "times")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, entry + ".json"), "w") as f:
            json.dump(TIMES, f)


MACHINES = {}


@atexit.register
def close_machines():
    for m in MACHINES.values():
        m.close()
    report_times()


class Scenarios(unittest.TestCase):
    """What a player does, on a machine the run's scenarios share, each leaving it as it was."""
    machine = {}

    @classmethod
    def setUpClass(cls):
        key = repr(sorted(cls.machine.items()))
        cls.m = MACHINES.get(key) or MACHINES.setdefault(key, Machine(**cls.machine))

    def launcher(self, *args):
        self.m.xdotool("mousemove", 0, 0)
        process = self.m.start(self.m.setup, *args)
        hwnd, pid = self.m.find("Vorlex Setup")
        origin = self.m.rect(hwnd)[:2]
        # A player presses what the screen shows: the picture (sky, title, hills), not the window's first moment.
        shown = lambda: all(self.m.grab()(origin[0] + x, origin[1] + y) == colour(x, y) for x, y in PICTURE_POINTS)
        self.assertTrue(wait_until(shown), "the launcher's picture on the screen")
        return process, hwnd, origin

    def level_of(self, screen, origin, region, level, step=3):
        left, top, right, bottom = REGIONS[region]
        return all(screen(origin[0] + x, origin[1] + y) == colour(x, y, level)
                   for y in range(top, bottom + 1, step) for x in range(left, right + 1, step))

    def assert_buttons(self, origin, lit=(), dark=(), why=""):  # dark: at half brightness
        def shown():
            screen = self.m.grab()
            return all(self.level_of(screen, origin, r, 8) for r in lit) and \
                all(self.level_of(screen, origin, r, 4) for r in dark)
        if not wait_until(shown, 15):
            self.m.screenshot("failed-look")  # what the screen showed instead, for the one who reads the failure
            self.fail("lit %s dark %s: %s" % (lit, dark, why))

    def press(self, origin, region):
        left, top, right, bottom = REGIONS[region]
        self.m.xdotool("mousemove", origin[0] + (left + right) // 2, origin[1] + (top + bottom) // 2, "click", 1)

    def escape(self, process, hwnd):
        self.m.driver("post", hwnd, 0x100, 27, 0)  # WM_KEYDOWN Escape
        process.wait(scaled(20))  # Escape ends the launcher

    def install(self, origin, directx_offered=False):
        self.press(origin, INSTALL)
        options, _ = self.m.find("Vorlex Install Options")
        self.assertEqual(self.m.text(options, 1008), self.m.folder)
        self.assertIn("plenty of free space on drive C.", self.m.text(options, 1013))
        self.m.screenshot("install-options", options)
        self.m.click(options, 1012)
        if directx_offered:  # the question (its text the launcher's DirectX button's), No
            self.m.answer(self.m.notice(120000)[0], 7)
        self.assertTrue(self.m.gone(options, 120000), "the copy ran and the options closed")

    def uninstall_dialog(self, screenshot=None, in_use=False):
        """Uninstall Now in the dialog that is up (files in use: told once, no hang), Exit."""
        dialog, _ = self.m.find("Vorlex Uninstall")
        self.assertEqual(self.m.text(dialog, 1025), self.m.folder)
        if screenshot:
            self.m.screenshot(screenshot, dialog)
        self.assertEqual(self.m.second_start(), "0", "refused during the uninstall dialog")
        self.m.keys_then_click(dialog, 1016)
        if in_use:
            box, text = self.m.notice(30000)
            self.assertEqual(text, "Some files of Vorlex are in use and will be removed when Windows restarts.")
            self.m.answer(box, 1)
        self.assertTrue(wait_until(lambda: self.m.text(dialog, 1025) == "Finished uninstall."))
        self.m.click(dialog, 1023)
        self.assertTrue(self.m.gone(dialog))

    def assert_clean_after_restart(self, before):
        self.m.restart()
        files, keys = self.m.snapshot()
        self.assertEqual((sorted(files - before[0]), sorted(before[0] - files)), ([], []), "files added, gone")
        self.assertEqual(sorted(keys ^ before[1]), [], "registry keys")
