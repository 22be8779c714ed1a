"""The player's journeys from the demo CD as drive D:, with the real mouse on the
launcher: install, play, a failed play, uninstall from the launcher, and uninstall
from the system's list of installed programs with both restart routes."""
import os
import re
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import Machine, wait_exit, wait_until  # noqa: E402
from picture import REGIONS, Picture  # noqa: E402

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



class Journeys(Player):
    def test_install_play_and_a_second_start_while_the_game_runs(self):
        self.start()
        before = file_snapshot(self.m)
        setup, hwnd, origin = self.launcher()
        self.assertTrue(self.wait_states(origin, lit=[INSTALL, EXIT], dark=[DIRECTX, PLAY, UNINSTALL]))
        self.install_through_launcher(origin)
        self.assertTrue(self.wait_states(origin, lit=[PLAY, UNINSTALL, EXIT], dark=[INSTALL, DIRECTX]),
                        "Install dark, Play and Uninstall lit")
        self.m.screenshot("journey-installed")
        found, lines = self.m.reg_query(VERSION_KEY, "Path")
        self.assertTrue(found)
        self.assertIn(FOLDER, " ".join(lines))
        installed = self.m.unix_path(FOLDER)
        with open(os.path.join(installed, "filesys.dat"), "rb") as a, \
                open(os.path.join(os.environ["VORLEX_CD"], "data", "filesys.dat"), "rb") as b:
            self.assertTrue(a.read() == b.read(), "the data archive arrived whole")
        self.assertGreater(len(file_snapshot(self.m) - before), 3)

        # Play: the game starts in the install folder and the launcher closes.
        self.press(origin, PLAY)
        game, _ = self.m.find_window(caption="Vorlex", window_class="VorlexDemoGame")
        self.assertIsNotNone(wait_exit(setup), "the launcher closes")
        with open(os.path.join(installed, "vlxstart.txt")) as f:
            self.assertEqual(f.read().strip().lower(), FOLDER.lower())
        # While the game runs, a new start of setup.exe is not refused.
        again, hwnd2, _ = self.launcher()
        self.m.driver("key", hwnd2, 27)
        self.assertIsNotNone(wait_exit(again))

    def test_failed_play_keeps_the_launcher_and_its_marker(self):
        self.start()
        setup, hwnd, origin = self.launcher()
        self.install_through_launcher(origin)
        self.assertTrue(self.wait_states(origin, lit=[PLAY], dark=[INSTALL]))
        os.remove(os.path.join(self.m.unix_path(FOLDER), "Vorlex.exe"))
        self.press(origin, PLAY)
        box = self.m.driver("notice", 0, 15000)[0]
        self.assertEqual(self.m.text(box, 0xFFFF), "Could not start Vorlex.\nThe game may not be installed correctly.")
        self.assertEqual(self.m.driver("watch", 15000, "D:\\setup.exe")[0], "exit=0 windows=0",
                         "the marker is held again: a second start is refused")
        self.m.driver("click", box, 1)
        pid = self.m.find_window(caption="Vorlex Setup")[1]
        self.assertEqual(self.m.driver("cwd", pid)[0], "D:\\", "the current directory is restored")
        self.assertIsNone(setup.poll(), "the launcher stays")

    def test_install_while_a_record_exists_does_nothing(self):
        self.start()
        setup, hwnd, origin = self.launcher()
        self.assertTrue(self.wait_states(origin, lit=[INSTALL], dark=[PLAY]))
        # Another program records an install while the launcher still shows Install lit.
        self.m.wine("reg", "add", VERSION_KEY, "/v", "Path", "/d", "C:\\Elsewhere", "/f")
        self.press(origin, INSTALL)
        with self.assertRaises(Exception):
            self.m.find_window(caption="Vorlex Install Options", timeout_ms=1500)
        self.assertTrue(self.wait_states(origin, lit=[INSTALL], dark=[PLAY]), "and no refresh either")
        self.m.driver("key", hwnd, 27)
        self.assertIsNotNone(wait_exit(setup))

    def test_uninstall_from_the_launcher_flips_the_buttons_back(self):
        self.start()
        setup, hwnd, origin = self.launcher()
        self.install_through_launcher(origin)
        self.assertTrue(self.wait_states(origin, lit=[PLAY, UNINSTALL], dark=[INSTALL]))
        self.press(origin, UNINSTALL)
        dialog, _ = self.m.find_window(caption="Vorlex Uninstall")
        self.assertEqual(self.m.driver("text", dialog, 1025)[0], FOLDER)
        self.m.driver("click", dialog, 1016)
        self.assertTrue(wait_until(lambda: self.m.driver("text", dialog, 1025)[0] == "Finished uninstall."))
        self.m.driver("click", dialog, 1023)
        self.assertTrue(self.wait_states(origin, lit=[INSTALL, EXIT], dark=[PLAY, UNINSTALL]))
        self.assertFalse(os.path.exists(self.m.unix_path(FOLDER)))

    def uninstall_from_the_programs_list(self, version):
        """Install, then the registered uninstall command as the system's list starts it."""
        self.start(version)
        files, keys = file_snapshot(self.m), registry_snapshot(self.m)
        setup, hwnd, origin = self.launcher()
        self.install_through_launcher(origin, directx_offered=version == "win95")
        self.m.driver("key", hwnd, 27)
        self.assertIsNotNone(wait_exit(setup))
        found, lines = self.m.reg_query(UNINSTALL_KEY, "UninstallString")
        self.assertTrue(found)
        command = re.search(r"REG_SZ\s+(.*)$", " ".join(lines)).group(1).strip()
        self.assertTrue(command.endswith(" U"), command)
        copy = command[:-2]
        uninstaller = self.m.start(*command.split(" "))
        dialog, _ = self.m.find_window(caption="Vorlex Uninstall")
        self.m.screenshot_of(dialog, "uninstall-" + version)
        self.m.click(dialog, 1016)
        self.assertTrue(wait_until(lambda: self.m.driver("text", dialog, 1025)[0] == "Finished uninstall."))
        self.m.click(dialog, 1023)
        self.assertIsNotNone(wait_exit(uninstaller))
        self.assertFalse(os.path.exists(self.m.unix_path(FOLDER)))
        self.assertFalse(self.m.reg_query(VERSION_KEY)[0])
        self.assertFalse(self.m.reg_query(UNINSTALL_KEY)[0])
        self.assertTrue(os.path.exists(self.m.unix_path(copy)), "the running uninstaller stays until a restart")
        return files, keys, copy

    def after_restart_nothing_is_left(self, files, keys, copy):
        self.m.restart_server()
        self.m.wine("wineboot", "-r")
        self.assertFalse(os.path.exists(self.m.unix_path(copy)))
        now = file_snapshot(self.m)
        # Windows keeps the processed WININIT.INI as WININIT.BAK: the system's, not ours.
        added = {line for line in now - files if not line.startswith("file windows/wininit.bak ")}
        gone = files - now
        self.assertEqual((sorted(added), sorted(gone)), ([], []))
        self.assertEqual(sorted(registry_snapshot(self.m) ^ keys), [])

    def test_uninstall_from_the_programs_list_on_windows_95(self):
        files, keys, copy = self.uninstall_from_the_programs_list("win95")
        with open(self.m.unix_path("C:\\windows\\WININIT.INI"), "rb") as f:
            lines = f.read().split(b"\r\n")
        self.assertEqual(lines[0], b"[Rename]")
        self.assertTrue(lines[1].startswith(b"NUL="), lines)
        self.after_restart_nothing_is_left(files, keys, copy)

    def test_uninstall_from_the_programs_list_on_nt(self):
        files, keys, copy = self.uninstall_from_the_programs_list("win7")
        self.assertTrue(self.m.reg_query("HKLM\\System\\CurrentControlSet\\Control\\Session Manager",
                                         "PendingFileRenameOperations")[0])
        self.assertFalse(os.path.exists(self.m.unix_path("C:\\windows\\WININIT.INI")))
        self.after_restart_nothing_is_left(files, keys, copy)


class DirectX(Player):
    def configure(self, **settings):
        """Replaces the CD's stand-in configuration (a link to the built one) with a file."""
        path = os.path.join(self.m.cd, "directx", "dsetup.cfg")
        os.remove(path)
        with open(path, "w") as f:
            f.write("".join("%s=%s\n" % item for item in settings.items()))

    def test_directx_from_the_launcher_and_the_restart_it_asks_for(self):
        self.start("win95")
        setup, hwnd, origin = self.launcher()
        self.assertTrue(self.wait_states(origin, lit=[INSTALL, DIRECTX, EXIT], dark=[PLAY, UNINSTALL]),
                        "Windows 95 with the stand-in on the CD: DirectX is offered")
        self.press(origin, DIRECTX)
        box = self.m.driver("notice", 0, 15000)[0]
        self.assertEqual(self.m.text(box, 0xFFFF),
                         "DirectX 3 is installed on this computer.\n\nDo you want to install DirectX 5 ?")
        self.m.screenshot_of(box, "directx-question")
        self.m.driver("click", box, 6)  # Yes
        self.assertTrue(self.wait_states(origin, lit=[INSTALL, EXIT], dark=[DIRECTX]), "dark at once")
        with open(os.path.join(self.m.cd, "directx", "dsetup.log")) as f:
            self.assertIn("DirectXSetupA owner=1 source=D:\\directx flags=0x10018", f.read())
        self.m.driver("key", hwnd, 27)
        self.assertIsNotNone(wait_exit(setup))

        # A setup that needs a restart, and the player agrees: the launcher ends and
        # Windows restarts, carrying out what was waiting for it.
        self.configure(version=3, versionok=1, result=1)
        leftover = self.m.unix_path("C:\\leftover.tmp")
        open(leftover, "w").close()
        with open(self.m.unix_path("C:\\windows\\WININIT.INI"), "w") as f:
            f.write("[Rename]\r\nNUL=C:\\LEFTOVER.TMP\r\n")
        setup, hwnd, origin = self.launcher()
        self.press(origin, DIRECTX)
        box = self.m.driver("notice", 0, 15000)[0]
        self.m.driver("click", box, 6)
        box = self.m.driver("notice", 0, 15000)[0]
        self.assertEqual(self.m.text(box, 0xFFFF), "It is highly recommended that you reboot your\ncomputer now, "
                         "to finish the DirectX install.\n\nDo you want to reboot now?")
        self.m.driver("click", box, 6)
        self.assertIsNotNone(wait_exit(setup), "the launcher ends")
        self.assertTrue(wait_until(lambda: not os.path.exists(leftover), 20), "Windows restarted")


if __name__ == "__main__":
    unittest.main(verbosity=2)
