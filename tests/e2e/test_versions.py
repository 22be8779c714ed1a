"""One player's whole journey on one Windows version, named on the command line
(win95, win98, nt40, winxp, win7, win10): the buttons as that system shows them,
install, play, uninstall from the system's list of programs, the removal of the
running uninstaller at the restart by that family's route, and a clean machine after.

What differs between the versions: DirectX is offered on Windows 95 only (before and
after the install); the 95 family gets its deletion from WININIT.INI, NT from the
pending renames in the registry."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import wait_exit  # noqa: E402
from player import (DIRECTX, EXIT, FOLDER, INSTALL, PLAY, UNINSTALL, Player,  # noqa: E402
                    file_snapshot, registry_snapshot)

VERSION = "win7"
NINETY_FIVE_FAMILY = ("win95", "win98")


class Version(Player):
    def test_install_play_and_uninstall(self):
        version = VERSION
        print("\n%s:" % version, end=" ", flush=True)
        self.start(version)
        files, keys = file_snapshot(self.m), registry_snapshot(self.m)
        setup, hwnd, origin = self.launcher()
        offered = version == "win95"
        lit, dark = [INSTALL, EXIT], [PLAY, UNINSTALL]
        (lit if offered else dark).append(DIRECTX)
        self.assertTrue(self.wait_states(origin, lit=lit, dark=dark), "the buttons of a fresh machine")
        self.second_start_is_refused("the launcher")

        self.install_through_launcher(origin, directx_offered=offered)
        self.assertTrue(self.wait_states(origin, lit=[PLAY, UNINSTALL], dark=[INSTALL]), "installed")
        self.listed_for_every_account()
        print("install", end=" ", flush=True)

        self.press(origin, PLAY)
        game, _ = self.m.find_window(caption="Vorlex", window_class="VorlexDemoGame")
        self.assertIsNotNone(wait_exit(setup), "the launcher closes when the game starts")
        probe = os.path.join(self.m.unix_path(FOLDER), "vlxstart.txt")
        with open(probe) as f:
            self.assertEqual(f.read().strip().lower(), FOLDER.lower(), "the game runs in its folder")
        os.remove(probe)  # the demo game's note, not a file of the install
        self.m.driver("post", game, 0x10, 0, 0)  # WM_CLOSE: the player quits the game
        self.assertEqual(self.m.driver("gone", game, 15000)[0], "1")
        print("play", end=" ", flush=True)

        copy = self.uninstall_from_the_programs_list("uninstall-" + version)
        if version in NINETY_FIVE_FAMILY:
            with open(self.m.unix_path("C:\\windows\\WININIT.INI"), "rb") as f:
                lines = f.read().split(b"\r\n")
            self.assertEqual(lines[0], b"[Rename]")
            self.assertTrue(lines[1].startswith(b"NUL="), lines)
        else:
            self.assertTrue(self.m.reg_query("HKLM\\System\\CurrentControlSet\\Control\\Session Manager",
                                             "PendingFileRenameOperations")[0])
            self.assertFalse(os.path.exists(self.m.unix_path("C:\\windows\\WININIT.INI")))
        self.after_restart_nothing_is_left(files, keys, copy)
        print("uninstall restart clean", end=" ", flush=True)

        setup, hwnd, origin = self.launcher()
        self.assertTrue(self.wait_states(origin, lit=[INSTALL, EXIT], dark=[PLAY, UNINSTALL]),
                        "the buttons of a fresh machine again")
        self.m.driver("key", hwnd, 27)
        self.assertIsNotNone(wait_exit(setup))
        print("states", flush=True)


if __name__ == "__main__":
    if len(sys.argv) > 1 and not sys.argv[1].startswith("-"):
        VERSION = sys.argv.pop(1)
    unittest.main(verbosity=2)
