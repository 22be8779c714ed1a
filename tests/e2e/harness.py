"""The end-to-end harness: the machine (scripts/wine_machine.py) with the demo CD as D:, the player."""
import atexit, os, re, select, shutil, stat, sys, time, unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../scripts"))
from launcher_picture import POINTS, colour  # noqa: E402
from wine_machine import SCREEN_H, SCREEN_W, Machine, report_times, scaled, timed, wait_until  # noqa: E402

INSTALL, DIRECTX, PLAY, UNINSTALL, EXIT = 1, 2, 3, 4, 5
REGIONS = {1: (17, 141, 118, 170), 2: (17, 179, 118, 208), 3: (17, 215, 118, 244),
           4: (17, 251, 118, 280), 5: (17, 287, 118, 316)}
FOLDER = "C:\\Program Files\\Vorlex"
VERSION_KEY = "HKLM\\Software\\Halvane\\Vorlex\\1.00"
UNINSTALL_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vorlex"
CD = os.environ.get("VORLEX_CD", "")


class SetupMachine(Machine):
    """A clean machine with the demo CD as D:. program_files: a localized folder for programs;
    copied_cd: setup.exe from a folder, beside it DLLs of the test's own that Wine prefers;
    lie: the Windows a compatibility mode makes setup.exe see; japanese: code page 932, the CD copied to a Japanese folder and the game installed into one
    the player types, with second bytes '\\' ("ソ" 0x83 0x5C, "表" 0x95 0x5C)."""

    def __init__(self, version="win7", arch="win32", program_files=None, copied_cd=False, japanese=False, lie=None):
        super().__init__(version, arch, CD, "ja_JP.UTF-8" if japanese else None)
        if lie:  # a compatibility mode set on the CD's setup.exe: GetVersionEx answers as that Windows
            self.preset("user.reg", "Software\\Wine\\AppDefaults\\setup.exe", "Version", lie)
        self.setup, self.setup_folder, self.typed = "D:\\setup.exe", self.cd, None
        if copied_cd or japanese:
            self.setup = "C:\\ダウンロード\\ソフト\\setup.exe" if japanese else "C:\\Downloads\\Vorlex CD\\setup.exe"
            self.setup_folder = os.path.dirname(self.unix_path(self.setup))
            shutil.copytree(self.cd, self.setup_folder)
        if copied_cd:
            for name in ("winmm.dll", "oleacc.dll"):
                shutil.copy(os.environ["VORLEX_PLANTED"], os.path.join(self.setup_folder, name))
            self.env["WINEDLLOVERRIDES"] += ";winmm,oleacc=n,b"
        if japanese:
            os.makedirs(self.unix_path("C:\\ソフト"))
            self.typed = "C:\\ソフト\\年表"
        if program_files:
            os.makedirs(self.unix_path(program_files))
            self.preset("system.reg", "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir", program_files)
        default = "C:\\Program Files (x86)" if arch == "win64" else "C:\\Program Files"
        self.folder = self.typed or (program_files or default) + "\\Vorlex"  # where the game goes

    def notice(self, timeout_ms=15000):
        box = int(self.driver("find", "Vorlex Setup Notice", "#32770", int(scaled(timeout_ms))).split()[0])
        return box, self.text(box, 0xFFFF)

    def answer(self, box, button):
        """A message box answered as a click on its button does; returns once it is gone."""
        self.driver("click", box, button)
        assert self.gone(box), "the box %d stays" % box

    def second_start(self):
        """A new start of setup.exe, which must end at once showing nothing: "0" when it did."""
        return self.driver("run", "D:\\setup.exe", int(scaled(15000)))

    def restarted(self, copy):
        """Whether a restart of Windows was asked for: it runs now, or has deleted the copy."""
        return self.runs("wineboot.exe", "--end-session") or not os.path.exists(copy)

    def keys_then_click(self, hwnd, control):
        """Enter and Escape, which end none of the setup's dialogs: the click after them finds it."""
        for args in (("post", hwnd, 0x111, 1, 0), ("post", hwnd, 0x111, 2, 0), ("click", hwnd, control)):
            self.driver(*args)

    @timed("snapshots")
    def snapshot(self):
        """C:'s files and sizes, keys under Software; not Wine's own (nor the network cards it drops)."""
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
        cls.m = MACHINES.get(key) or MACHINES.setdefault(key, SetupMachine(**cls.machine))

    def launcher(self, program=None):
        self.m.xdotool("mousemove", 0, 0)  # the last one's window gone: the one found is this one's
        self.assertTrue(wait_until(lambda: self.m.driver("count", "Vorlex Setup", "#32770") == "0"))
        process = self.m.start(program or self.m.setup)
        hwnd, pid = self.m.find("Vorlex Setup")
        origin = self.m.rect(hwnd)[:2]
        # A player presses what the screen shows: the picture (sky, title, hills), not the window's first moment.
        shown = lambda: all(self.m.grab()(origin[0] + x, origin[1] + y) == colour(x, y) for x, y in POINTS)
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
        self.assertEqual(process.wait(scaled(20)), 0, "Escape ends the launcher, and nothing crashed")

    def install(self, origin, directx_offered=False):
        self.press(origin, INSTALL)
        options, _ = self.m.find("Vorlex Install Options")
        if self.m.typed:  # typed by the player, a backslash after it as some do
            self.m.driver("settext", options, 1008, self.m.typed + "\\")
        self.assertEqual(self.m.text(options, 1008).rstrip("\\"), self.m.folder)
        self.m.screenshot("install-options", options)
        self.m.click(options, 1012)
        if directx_offered:  # the question (its text the launcher's DirectX button's), Yes
            self.m.answer(self.m.notice(120000)[0], 6)
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
