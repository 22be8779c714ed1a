"""A player's journey on the Windows named on the command line: install to restart, a clean machine."""
import filecmp, os, re, shutil, subprocess, sys, unittest
from pathlib import Path

from harness import CD, DIRECTX, EXIT, INSTALL, PLAY, UNINSTALL, UNINSTALL_KEY, VERSION_KEY, \
    Scenarios, scaled, wait_until

# version: DirectX offered, deletion at the restart through WININIT.INI, game running at the uninstall
VERSIONS = {"win95": (1, 1, 0), "win98": (0, 1, 0), "nt40": (0, 0, 0), "winxp": (0, 0, 0), "win7": (0, 0, 0),
            "win10": (0, 0, 1), "win10_64": (0, 0, 1), "win10_as95": (0, 0, 1), "win10_asxp": (0, 0, 0)}
VERSION = sys.argv.pop(1) if len(sys.argv) > 1 and sys.argv[1] in VERSIONS else "win7"
# A German NT 4.0's folder for programs; Japanese 98 and XP (see SetupMachine); 64-bit Windows 10
# (Wine has no 11) under WoW64; on Windows 7 setup.exe from a copy of the CD, DLLs planted beside it;
# Windows 10 with setup.exe in the compatibility mode for Windows 95, and for XP.
MACHINES = {"win98": {"version": "win98", "japanese": True}, "nt40": {"version": "nt40", "program_files": "C:\\Programme"},
            "winxp": {"version": "winxp", "japanese": True}, "win7": {"version": "win7", "copied_cd": True},
            "win10_64": {"version": "win10", "arch": "win64"}, "win10_as95": {"version": "win10", "lie": "win95"},
            "win10_asxp": {"version": "win10", "lie": "winxp"}}


class Journey(Scenarios):
    machine = MACHINES.get(VERSION, {"version": VERSION})

    def test_install_play_uninstall_restart(self):
        offered, wininit, game_running = VERSIONS[VERSION]
        where = self.m.folder  # the Windows path of the install
        shell = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"
        group = self.m.reg(shell, "Common Programs") + "\\Halvane"  # every account's Start menu takes the links
        if VERSION == "win10_64":  # the shell knows it where the 32-bit view lacks the old programs' copy
            self.m.wine("reg", "delete", shell, "/v", "Common Programs", "/f", "/reg:32")
        before = self.m.snapshot()
        setup, hwnd, origin = self.launcher()
        self.assert_buttons(origin, [INSTALL, EXIT] + [DIRECTX] * offered, [PLAY, UNINSTALL] + [DIRECTX] * (not offered))
        self.assertGreater(int(self.m.driver("send", hwnd, 0x3D, 0, 0xFFFFFFFC)), 0, "a screen reader's object")
        maps = lambda: Path("/proc/%d/maps" % setup.pid).read_text()  # the intro sound's DLL and the object's
        self.assertTrue(wait_until(lambda: "winmm.dll" in maps() and "oleacc.dll" in maps()))
        if offered:  # three lit: from Install, Right marks DirectX (Left would mark Exit), which Space presses
            self.m.xdotool("mousemove", origin[0] + 300, origin[1] + 330)
            self.m.xdotool("key", "Tab", "Right", "space")
            self.m.answer(self.m.notice()[0], 7)
        self.install(origin, directx_offered=offered)
        if offered:  # DirectX answered Yes after the install: the CD's setup ran
            self.assertIn("DirectXSetupA", Path(self.m.cd, "directx", "dsetup.log").read_text())
        self.assert_buttons(origin, [PLAY, UNINSTALL], [INSTALL])
        self.m.screenshot("journey-installed")
        for key, values in [(VERSION_KEY, {"Group": group, "Path": where}),
                            (UNINSTALL_KEY, {"DisplayName": "Vorlex", "Publisher": "Halvane", "DisplayVersion": "1.00",
                                             "DisplayIcon": where + "\\Vorlex.exe,0", "InstallLocation": where,
                                             "NoModify": "0x1", "NoRepair": "0x1",
                                             "EstimatedSize": hex(-(-sum(os.path.getsize(os.path.join(CD, "data", n))  # in KB,
                                                                         for n in ("filesys.dat", "vlx.exe")) // 1024))})]:  # rounded up
            for name, value in values.items():
                self.assertEqual(self.m.reg(key, name), value, name)
        self.assertIn("|||Vorlex", " ".join(self.m.wine("uninstaller", "--list")[1]), "in Wine's list of programs")
        for link, target in (("Play", where + "\\Vorlex.exe"), ("Setup", self.m.reg(VERSION_KEY, "Setup"))):
            self.assertIn(target.encode(self.m.encoding), Path(self.m.unix_path(group), "Vorlex - %s.lnk" % link).read_bytes())

        if VERSION == "win10":  # from the signed CD: the uninstaller copy is its setup.exe, it and the game still signed
            copy = self.m.unix_path(self.m.reg(UNINSTALL_KEY, "UninstallString")[:-2])
            self.assertTrue(filecmp.cmp(copy, os.path.join(CD, "setup.exe"), False))
            for program in (copy, self.m.unix_path(where + "\\Vorlex.exe")):
                self.assertEqual(subprocess.run(["osslsigncode", "verify", "-CAfile", os.environ["VORLEX_SIGNING_CA"],
                                                 "-in", program], stdout=subprocess.DEVNULL).returncode, 0, program)
        folder = self.m.unix_path(where)
        for source, name in (("vlx.exe", "Vorlex.exe"), ("filesys.dat", "filesys.dat")):  # ending in a short chunk
            self.assertTrue(filecmp.cmp(os.path.join(CD, "data", source), os.path.join(folder, name), False), name)
        game, stray = os.path.join(folder, "Vorlex.exe"), self.m.unix_path("C:\\windows\\Vorlex.exe")
        for fault in ("the game missing", "no folder recorded"):  # nor a Vorlex.exe found by its bare name
            if fault == "the game missing":
                os.rename(game, stray)
            else:
                self.m.reg_add(VERSION_KEY, "Path", "")
                shutil.copy(stray, game)
            self.press(origin, PLAY)
            box, text = self.m.notice()
            self.assertEqual(text, "Could not start Vorlex.\nThe game may not be installed correctly.", fault)
            self.assertEqual(self.m.second_start(), "0", "the marker is held again during the message")
            self.m.answer(box, 1)
        os.remove(stray)
        self.m.reg_add(VERSION_KEY, "Path", where)
        self.press(origin, PLAY)
        game, _ = self.m.find("Vorlex", "VorlexDemoGame")
        self.assertEqual(setup.wait(scaled(20)), 0, "the launcher ends, uncrashed, when the game starts")
        with open(os.path.join(folder, "vlxstart.txt"), "rb") as f:  # its folder, and who started it
            started = f.read().decode(self.m.encoding).lower().split("\r\n")[:2]
        shell = VERSION.startswith(("win7", "win10"))  # Vista and later: the desktop's shell, as the player
        self.assertEqual(started, [where.lower(), "explorer.exe" if shell else "setup.exe"])
        os.remove(f.name)  # the demo game's note, not a file of the install
        if not game_running:
            self.m.driver("post", game, 0x10, 0, 0)  # WM_CLOSE: the player quits the game
            self.assertTrue(self.m.gone(game))

        open(os.path.join(folder, "scrngrab.bmp"), "wb").close()  # as the game leaves one
        for name in ("Vorlex.exe", "filesys.dat", "scrngrab.bmp"):
            self.m.driver("attrib", where + "\\" + name, "+r")
        command = self.m.reg(UNINSTALL_KEY, "UninstallString")
        if VERSION == "nt40":  # "Vorlex - Setup" starts the copy as it is: its launcher, no CD beside it
            uninstaller, hwnd, origin = self.launcher(command[:-2])
            self.assert_buttons(origin, [PLAY, UNINSTALL, EXIT], [INSTALL])
            self.press(origin, UNINSTALL)
        else:  # the system's list of programs
            uninstaller = self.m.start(*command.split(" "))
        self.uninstall_dialog(screenshot="uninstall-" + VERSION, in_use=game_running)
        if VERSION == "nt40":
            self.assert_buttons(origin, [EXIT], [INSTALL, PLAY, UNINSTALL], why="nothing installed, no CD")
            self.escape(uninstaller, hwnd)
        self.assertEqual(uninstaller.wait(scaled(20)), 0)
        left = sorted(os.listdir(folder)) if os.path.exists(folder) else []
        self.assertEqual(left, ["Vorlex.exe", "filesys.dat"] * game_running, "all went, read-only or not, but files in use")
        self.assertTrue(os.path.isdir(os.path.dirname(folder)), "the folder it was installed in stays")
        copy = self.m.unix_path(command[:-2])
        self.assertFalse(self.m.restarted(copy), "the running uninstaller stays until a restart")
        ini = Path(self.m.unix_path("C:\\windows\\WININIT.INI"))
        pending = self.m.reg("HKLM\\System\\CurrentControlSet\\Control\\Session Manager", "PendingFileRenameOperations")
        if wininit:  # the copy by its short name, and no MoveFileEx on the 95 family
            self.assertTrue(re.match(b"\\[Rename\\]\r\nNUL=[^\r]*~", ini.read_bytes()) and pending is None)
        else:  # WININIT.INI untouched on NT
            self.assertTrue(os.path.basename(copy).lower() in pending.lower() and not ini.exists(), pending)
        if game_running:  # installed there again before the restart, the restart would delete it
            self.reinstall_refused_until_the_restart()
        if VERSION == "win95":
            self.directx_from_the_launcher(copy)
        self.assert_clean_after_restart(before)
        self.assertEqual([n for n in os.listdir(self.m.setup_folder) if n.endswith(".loaded")], [], "a planted DLL ran")

    def reinstall_refused_until_the_restart(self):
        """On win10 in the form Windows 10 and 11 write ("*1\\??\\C:\\..."), Wine's own put back after."""
        key, name = "HKLM\\System\\CurrentControlSet\\Control\\Session Manager", "PendingFileRenameOperations"
        wines = self.m.reg(key, name).replace("\0", "|")
        if VERSION == "win10":
            self.m.reg_add(key, name, wines.replace("\\??\\", "*1\\??\\"), "multi")
        setup, hwnd, origin = self.launcher()
        self.press(origin, INSTALL)
        options, _ = self.m.find("Vorlex Install Options")
        self.m.click(options, 1012)
        box, text = self.m.notice()
        self.assertEqual(text, "Files of a removed Vorlex in this folder will be deleted when Windows restarts.\n\n"
                               "Please restart Windows before installing Vorlex here, or choose another folder.")
        self.m.answer(box, 1)
        self.m.click(options, 1005)  # Abort: nothing was copied
        self.escape(setup, hwnd)
        self.m.reg_add(key, name, wines, "multi")

    def directx_from_the_launcher(self, copy):
        """The stand-in's setup, the button dark at once; its restart refused, then agreed to."""
        os.remove(os.path.join(self.m.cd, "directx", "dsetup.cfg"))
        Path(self.m.cd, "directx", "dsetup.cfg").write_text("version=3\nresult=1\n")  # done, a restart needed
        for restart in (7, 6):  # No, Yes
            setup, hwnd, origin = self.launcher()
            self.press(origin, DIRECTX)
            box, text = self.m.notice()
            self.m.screenshot("directx-question", box)  # its text is the Win32 layer's
            self.m.answer(box, 6)  # Yes
            box, text = self.m.notice()
            self.assertEqual(text, "It is highly recommended that you reboot your\ncomputer now, to finish the DirectX "
                                   "install.\n\nDo you want to reboot now?")
            self.m.answer(box, restart)
            if restart == 7:
                self.assert_buttons(origin, [INSTALL, EXIT], [DIRECTX], why="dark at once, the launcher stays")
                self.escape(setup, hwnd)
                self.assertFalse(self.m.restarted(copy))
        setup.wait(scaled(20))  # the launcher ends by itself for the restart, which runs WININIT.INI
        self.assertTrue(wait_until(lambda: not os.path.exists(copy), 30), "restarted")
        self.assertIn("DirectXSetupA owner=1 source=D:\\directx flags=0x10018",
                      Path(self.m.cd, "directx", "dsetup.log").read_text())


if __name__ == "__main__":
    unittest.main(verbosity=2)
