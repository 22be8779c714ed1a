"""The player's journeys from the demo CD as drive D:, with the real mouse on the
launcher: install, play, a failed play, uninstall from the launcher, DirectX with the
restart it asks for. The uninstall from the system's list of programs, with both restart
routes, runs once per Windows version (test_versions.py)."""
import os
import shutil
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import wait_exit, wait_until  # noqa: E402
from player import DIRECTX, EXIT, FOLDER, INSTALL, PLAY, UNINSTALL, VERSION_KEY, Player, file_snapshot  # noqa: E402


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
        self.checked("install through the launcher: buttons flipped, record written, archive whole")

        # Play: the game starts in the install folder and the launcher closes.
        self.press(origin, PLAY)
        game, _ = self.m.find_window(caption="Vorlex", window_class="VorlexDemoGame")
        self.assertIsNotNone(wait_exit(setup), "the launcher closes")
        with open(os.path.join(installed, "vlxstart.txt")) as f:
            self.assertEqual(f.read().strip().lower(), FOLDER.lower())
        self.checked("Play: the game runs in the install folder, the launcher closed")
        # While the game runs, a new start of setup.exe is not refused.
        again, hwnd2, _ = self.launcher()
        self.m.driver("key", hwnd2, 27)
        self.assertIsNotNone(wait_exit(again))
        self.checked("a new start while the game runs shows the launcher")

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
        self.checked("failed Play: the message, a second start refused, current folder restored, launcher stays")
        # No folder recorded: a Vorlex.exe that a search by its bare name finds is not started.
        self.m.wine("reg", "add", VERSION_KEY, "/v", "Path", "/d", "", "/f")
        shutil.copy(os.path.join(os.environ["VORLEX_CD"], "data", "vlx.exe"), self.m.unix_path("C:\\windows\\Vorlex.exe"))
        self.press(origin, PLAY)
        box = self.m.driver("notice", 0, 15000)[0]
        self.assertEqual(self.m.text(box, 0xFFFF), "Could not start Vorlex.\nThe game may not be installed correctly.")
        self.m.driver("click", box, 1)
        self.assertIsNone(setup.poll(), "the launcher stays")
        self.checked("Play with no folder recorded: the message, nothing started by its bare name")

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
        self.checked("Install with a record present opens nothing; Escape ends the launcher")

    def test_uninstall_from_the_launcher_flips_the_buttons_back(self):
        self.start()
        setup, hwnd, origin = self.launcher()
        self.install_through_launcher(origin)
        self.assertTrue(self.wait_states(origin, lit=[PLAY, UNINSTALL], dark=[INSTALL]))
        self.uninstall_through_launcher(origin)
        self.assertTrue(self.wait_states(origin, lit=[INSTALL, EXIT], dark=[PLAY, UNINSTALL]))
        self.assertFalse(os.path.exists(self.m.unix_path(FOLDER)))
        self.checked("Uninstall from the launcher: folder gone, Install lit, Play and Uninstall dark")


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
        self.second_start_is_refused("the DirectX question")
        self.m.driver("click", box, 6)  # Yes
        self.assertTrue(self.wait_states(origin, lit=[INSTALL, EXIT], dark=[DIRECTX]), "dark at once")
        with open(os.path.join(self.m.cd, "directx", "dsetup.log")) as f:
            self.assertIn("DirectXSetupA owner=1 source=D:\\directx flags=0x10018", f.read())
        self.m.driver("key", hwnd, 27)
        self.assertIsNotNone(wait_exit(setup))
        self.checked("DirectX as win95: the question, Yes, the stand-in's setup call logged, the button dark at once")

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
        self.checked("setup result 1 and Yes to the reboot: the launcher ended, Windows restarted")


    def test_windows_95_without_the_redistributable_on_the_cd_offers_nothing(self):
        self.start("win95")
        os.remove(os.path.join(self.m.cd, "directx", "dsetup.dll"))
        setup, hwnd, origin = self.launcher()
        self.assertTrue(self.wait_states(origin, lit=[INSTALL, EXIT], dark=[DIRECTX, PLAY, UNINSTALL]))
        self.install_through_launcher(origin, directx_offered=False)
        self.assertTrue(self.wait_states(origin, lit=[PLAY, UNINSTALL], dark=[INSTALL, DIRECTX]))
        self.m.driver("key", hwnd, 27)
        self.assertIsNotNone(wait_exit(setup))
        self.checked("win95 without dsetup.dll on the CD: DirectX dark, no offer after the install")

if __name__ == "__main__":
    unittest.main(verbosity=2)
