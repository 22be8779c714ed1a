"""What every player test shares: the launcher's buttons pressed with the real mouse
and checked by their colours, an install through the options dialog, and snapshots of
drive C: and the registry to prove a machine is as it was."""
import os
import re
import select
import time
import unittest

from harness import Machine, wait_exit, wait_until
from picture import REGIONS, Picture

INSTALL, DIRECTX, PLAY, UNINSTALL, EXIT = 1, 2, 3, 4, 5
FOLDER = "C:\\Program Files\\Vorlex"
VERSION_KEY = "HKLM\\Software\\Halvane\\Vorlex\\1.00"
UNINSTALL_KEY = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Vorlex"
SKIPPED = re.compile(r"(^|/)(temp|logs|installer)(/|$)", re.I)


def file_snapshot(m):
    """Every file and folder of drive C:, with sizes, but the temporary ones."""
    root = os.path.join(m.prefix, "drive_c")
    out = set()
    for folder, dirs, files in os.walk(root, followlinks=False):
        rel = os.path.relpath(folder, root)
        if SKIPPED.search(rel.replace(os.sep, "/")):
            dirs[:] = []
            continue
        dirs[:] = [d for d in dirs if not os.path.islink(os.path.join(folder, d))]
        out.add("dir " + rel.lower())
        for name in files:
            path = os.path.join(folder, name)
            if not os.path.islink(path):
                out.add("file %s %d" % (os.path.join(rel, name).lower(), os.path.getsize(path)))
    return out


def registry_snapshot(m):
    """The names of all keys under Software in both hives, Wine's own left out."""
    keys = set()
    for hive in ("system.reg", "user.reg"):
        with open(os.path.join(m.prefix, hive), encoding="latin-1") as f:
            for line in f:
                match = re.match(r"^\[(Software\\\\[^\]]*)\]", line)
                if match and not match.group(1).startswith("Software\\\\Wine"):
                    keys.add(hive + " " + match.group(1))
    return keys


class Player(unittest.TestCase):
    """What a player does: start the launcher from the CD, press its buttons."""
    picture = Picture()

    def checked(self, what):
        """Says what a journey has just proven, in the test's output."""
        if not getattr(self, "said", False):
            self.said = True
            self.addCleanup(print, "\n   ", end=" ")  # the verdict on a line of its own
        print("\n    checked: " + what, end="", flush=True)

    def start(self, version="win7"):
        self.m = Machine(version=version)
        self.addCleanup(self.m.close)

    def launcher(self):
        self.m.xdotool("mousemove", 0, 0)
        process = self.m.start("D:\\setup.exe")
        hwnd, pid = self.m.find_window(caption="Vorlex Setup")
        origin = tuple(int(v) for v in self.m.driver("client", hwnd)[0].split()[:2])
        return process, hwnd, origin

    def region_level(self, screen, origin, region, level):
        left, top, right, bottom = REGIONS[region]
        for y in range(top, bottom + 1, 3):
            for x in range(left, right + 1, 3):
                if screen.pixel(origin[0] + x, origin[1] + y) != self.picture.colour(x, y, level):
                    return False
        return True

    def wait_states(self, origin, lit, dark):
        def ok():
            screen = self.m.grab()
            return all(self.region_level(screen, origin, r, 8) for r in lit) and \
                all(self.region_level(screen, origin, r, 4) for r in dark)
        return wait_until(ok, 15)

    def press(self, origin, region):
        left, top, right, bottom = REGIONS[region]
        self.m.xdotool("mousemove", origin[0] + (left + right) // 2, origin[1] + (top + bottom) // 2)
        self.m.xdotool("click", 1)

    def install_through_launcher(self, origin, directx_offered=False):
        self.press(origin, INSTALL)
        options, _ = self.m.find_window(caption="Vorlex Install Options")
        self.assertEqual(self.m.driver("text", options, 1008)[0], FOLDER)
        self.assertIn("plenty of free space on drive C.", self.m.text(options, 1013))
        self.m.screenshot_of(options, "install-options")
        self.m.click(options, 1012)
        if directx_offered:
            # Windows 95 at 4.0 with the stand-in on the CD (DirectX 3): offered after the install.
            box = self.m.driver("notice", 0, 120000)[0]
            self.assertEqual(self.m.text(box, 0xFFFF),
                             "DirectX 3 is installed on this computer.\n\nDo you want to install DirectX 5 ?")
            self.m.driver("click", box, 7)  # No
        self.assertEqual(self.m.driver("gone", options, 120000)[0], "1", "the copy ran and the options closed")

    def run_uninstall_dialog(self, screenshot=None, second_start=None):
        """The uninstall dialog that is up: Uninstall Now, the end of the removal, Exit."""
        dialog, _ = self.m.find_window(caption="Vorlex Uninstall")
        self.assertEqual(self.m.driver("text", dialog, 1025)[0], FOLDER)
        if screenshot:
            self.m.screenshot_of(dialog, screenshot)
        if second_start:
            self.second_start_is_refused(second_start)
        self.m.click(dialog, 1016)
        self.assertTrue(wait_until(lambda: self.m.driver("text", dialog, 1025)[0] == "Finished uninstall."),
                        "the removal ends, whatever it met")
        self.m.click(dialog, 1023)
        self.assertEqual(self.m.driver("gone", dialog, 15000)[0], "1")

    def uninstall_through_launcher(self, origin, second_start=None):
        self.press(origin, UNINSTALL)
        self.run_uninstall_dialog(second_start=second_start)

    def reg_text(self, key, name):
        """A registry value as reg query shows it (texts as they are, numbers in hex)."""
        found, lines = self.m.reg_query(key, name)
        self.assertTrue(found, name)
        return re.search(r"REG_\w+\s+(.*)$", " ".join(lines)).group(1).strip()

    def listed_for_every_account(self):
        """After an install: the links in every account's Start menu, the group recorded,
        and the entry as today's lists of programs read it."""
        common = self.reg_text("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                               "Common Programs")
        group = common + "\\Halvane"
        for link in ("Vorlex - Play.lnk", "Vorlex - Setup.lnk"):
            self.assertTrue(os.path.exists(self.m.unix_path(group + "\\" + link)), link)
        self.assertEqual(self.reg_text(VERSION_KEY, "Group"), group)
        for name, value in [("DisplayName", "Vorlex"), ("DisplayIcon", FOLDER + "\\Vorlex.exe,0"),
                            ("DisplayVersion", "1.00"), ("Publisher", "Halvane"), ("InstallLocation", FOLDER),
                            ("NoModify", "0x1"), ("NoRepair", "0x1")]:
            self.assertEqual(self.reg_text(UNINSTALL_KEY, name), value, name)
        size = int(self.reg_text(UNINSTALL_KEY, "EstimatedSize"), 16)
        self.assertEqual(size, sum((os.path.getsize(os.path.join(os.environ["VORLEX_CD"], "data", f)) + 1023) // 1024
                                   for f in ("vlx.exe", "filesys.dat")), "KB of the files copied")

    def second_start_is_refused(self, during):
        """A new start of setup.exe while this dialog is up: nothing shown, quiet exit."""
        self.assertEqual(self.m.driver("watch", 15000, "D:\\setup.exe")[0], "exit=0 windows=0",
                         "a second start during " + during)

    def uninstall_from_the_programs_list(self, name):
        """Runs the registered uninstall command as the system's list starts it; returns
        the uninstaller copy's path, which stays until the next restart."""
        found, lines = self.m.reg_query(UNINSTALL_KEY, "UninstallString")
        self.assertTrue(found)
        command = re.search(r"REG_SZ\s+(.*)$", " ".join(lines)).group(1).strip()
        self.assertTrue(command.endswith(" U"), command)
        copy = command[:-2]
        uninstaller = self.m.start(*command.split(" "))
        self.run_uninstall_dialog(screenshot=name, second_start="the uninstall started from the list of programs")
        self.assertIsNotNone(wait_exit(uninstaller))
        self.assertFalse(os.path.exists(self.m.unix_path(FOLDER)))
        self.assertFalse(self.m.reg_query(VERSION_KEY)[0])
        self.assertFalse(self.m.reg_query(UNINSTALL_KEY)[0])
        self.assertTrue(os.path.exists(self.m.unix_path(copy)), "the running uninstaller stays until a restart")
        return copy

    def after_restart_nothing_is_left(self, files, keys, copy=None):
        """Restarts Windows, then drive C: and the registry must equal their snapshots."""
        self.m.restart_server()
        self.m.wine("wineboot", "-r")
        if copy:
            self.assertFalse(os.path.exists(self.m.unix_path(copy)))
        now = file_snapshot(self.m)
        # Windows keeps the processed WININIT.INI as WININIT.BAK: the system's, not ours.
        added = {line for line in now - files if not line.startswith("file windows/wininit.bak ")}
        gone = files - now
        self.assertEqual((sorted(added), sorted(gone)), ([], []))
        self.assertEqual(sorted(registry_snapshot(self.m) ^ keys), [])


class FedCdFile:
    """A file of the CD replaced by a pipe that the test fills: the copy takes exactly
    what the test gives it, so an install can be held at any point of its copy."""

    def __init__(self, machine, relative, size=0):
        """The built CD's file, padded with zeros to size when it is smaller."""
        parts = relative.split("\\")
        with open(os.path.join(os.environ["VORLEX_CD"], *parts), "rb") as f:
            self.data = f.read()
        self.data += bytes(max(0, size - len(self.data)))
        self.path = os.path.join(machine.cd, *parts)
        os.remove(self.path)
        os.mkfifo(self.path)
        # Opened for reading and writing: the open does not wait for a reader, and the
        # reader sees the end of the file only when this side closes.
        self.fd = os.open(self.path, os.O_RDWR | os.O_NONBLOCK)
        self.sent = 0
        self.stopped = False

    def feed(self, count, seconds=20, pause=0.0):
        """Writes the next count bytes, 64 KB at a time with a pause between; False when
        the reader stopped taking them or stop() was called."""
        end = min(self.sent + count, len(self.data))
        deadline = time.monotonic() + seconds
        while self.sent < end:
            if self.stopped or time.monotonic() > deadline:
                return False
            if select.select([], [self.fd], [], 0.1)[1]:
                try:
                    self.sent += os.write(self.fd, self.data[self.sent:min(end, self.sent + 65536)])
                except BlockingIOError:
                    continue
                if pause:
                    time.sleep(pause)
        return True

    def stop(self):
        """Ends a feed running in another thread."""
        self.stopped = True

    def close(self):
        """The end of the file for the reader."""
        if self.fd is not None:
            os.close(self.fd)
            self.fd = None
