"""A player's whole journey on the Windows version named on the command line: the
buttons of a fresh machine, install, the entries the lists of programs read, play,
uninstall from the system's list, the running uninstaller removed at the restart by
that family's route, and a clean machine after it.

DirectX is offered on Windows 95 only. On Windows 10 the game is left running during
the uninstall: the player is told once, and its files go at the restart."""
import os
import sys
import unittest

from harness import CD, DIRECTX, EXIT, FOLDER, INSTALL, PLAY, REFUSED, UNINSTALL, UNINSTALL_KEY, VERSION_KEY, \
    Scenarios, wait_exit

# version: DirectX offered, deletion at the restart through WININIT.INI, game running at the uninstall
VERSIONS = {"win95": (True, True, False), "win98": (False, True, False), "nt40": (False, False, False),
            "winxp": (False, False, False), "win7": (False, False, False), "win10": (False, False, True)}
VERSION = sys.argv.pop(1) if len(sys.argv) > 1 and sys.argv[1] in VERSIONS else "win7"


class Journey(Scenarios):
    machine = {"version": VERSION}

    def test_install_play_uninstall_restart(self):
        offered, wininit, game_running = VERSIONS[VERSION]
        before = self.m.snapshot()
        setup, hwnd, origin = self.launcher()
        self.assert_buttons(origin, lit=[INSTALL, EXIT] + [DIRECTX] * offered,
                            dark=[PLAY, UNINSTALL] + [DIRECTX] * (not offered), why="a fresh machine")
        self.assertEqual(self.m.second_start(), REFUSED, "during the launcher")
        self.install(origin, directx_offered=offered)
        self.assert_buttons(origin, lit=[PLAY, UNINSTALL], dark=[INSTALL], why="installed")
        self.assert_listed()

        self.press(origin, PLAY)
        game, _ = self.m.find("Vorlex", "VorlexDemoGame")
        self.assertIsNotNone(wait_exit(setup), "the launcher closes when the game starts")
        probe = os.path.join(self.m.unix_path(FOLDER), "vlxstart.txt")
        with open(probe) as f:
            self.assertEqual(f.read().strip().lower(), FOLDER.lower(), "the game runs in its folder")
        os.remove(probe)  # the demo game's note, not a file of the install
        if not game_running:
            self.m.driver("post", game, 0x10, 0, 0)  # WM_CLOSE: the player quits the game
            self.assertTrue(self.m.gone(game))

        command = self.m.reg(UNINSTALL_KEY, "UninstallString")
        self.assertTrue(command.endswith(" U"), command)
        uninstaller = self.m.start(*command.split(" "))
        self.uninstall_dialog(screenshot="uninstall-" + VERSION, in_use=game_running)
        self.assertIsNotNone(wait_exit(uninstaller))
        left = sorted(os.listdir(self.m.unix_path(FOLDER))) if game_running else []
        self.assertEqual(left, ["Vorlex.exe", "filesys.dat"] * game_running, "only the files in use wait")
        self.assertTrue(os.path.exists(self.m.unix_path(FOLDER)) == game_running)
        self.assertIsNone(self.m.reg(VERSION_KEY) or self.m.reg(UNINSTALL_KEY))
        copy = self.m.unix_path(command[:-2])
        self.assertTrue(os.path.exists(copy), "the running uninstaller stays until a restart")
        ini = self.m.unix_path("C:\\windows\\WININIT.INI")
        pending = self.m.reg("HKLM\\System\\CurrentControlSet\\Control\\Session Manager", "PendingFileRenameOperations")
        if wininit:
            with open(ini, "rb") as f:
                lines = f.read().split(b"\r\n")
            self.assertEqual(lines[0], b"[Rename]")
            self.assertTrue(lines[1].startswith(b"NUL="), lines)
            self.assertIsNone(pending, "no MoveFileEx on the 95 family")
        else:
            self.assertIn(os.path.basename(copy).lower(), pending.lower())
            self.assertFalse(os.path.exists(ini), "WININIT.INI untouched on NT")
        self.assert_clean_after_restart(before)

    def assert_listed(self):
        """The links in every account's Start menu, the group recorded, and the entry as
        today's lists of programs read it."""
        group = self.m.reg("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                           "Common Programs") + "\\Halvane"
        for link in ("Vorlex - Play.lnk", "Vorlex - Setup.lnk"):
            self.assertTrue(os.path.exists(self.m.unix_path(group + "\\" + link)), link)
        self.assertEqual(self.m.reg(VERSION_KEY, "Group"), group)
        self.assertEqual(self.m.reg(VERSION_KEY, "Path"), FOLDER)
        size = sum((os.path.getsize(os.path.join(CD, "data", f)) + 1023) // 1024 for f in ("vlx.exe", "filesys.dat"))
        for name, value in [("DisplayName", "Vorlex"), ("DisplayIcon", FOLDER + "\\Vorlex.exe,0"),
                            ("DisplayVersion", "1.00"), ("Publisher", "Halvane"), ("InstallLocation", FOLDER),
                            ("NoModify", "0x1"), ("NoRepair", "0x1"), ("EstimatedSize", hex(size))]:
            self.assertEqual(self.m.reg(UNINSTALL_KEY, name), value, name)
        with open(os.path.join(self.m.unix_path(FOLDER), "filesys.dat"), "rb") as a, \
                open(os.path.join(CD, "data", "filesys.dat"), "rb") as b:
            self.assertTrue(a.read() == b.read(), "the data archive arrived whole")


if __name__ == "__main__":
    unittest.main(verbosity=2)
