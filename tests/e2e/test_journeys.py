"""The player's journeys through the launcher: a failed play, an install while a record
exists, read-only files and a saved game at the uninstall, DirectX with the restart it
asks for, and the whole program at 200 % display scaling."""
import os
import shutil
import threading
import unittest

from harness import CD, DIRECTX, EXIT, FOLDER, INSTALL, PICTURE, PLAY, REFUSED, REGIONS, SCREEN_H, SCREEN_W, \
    UNINSTALL, UNINSTALL_KEY, VERSION_KEY, FedCdFile, Scenarios, wait_exit, wait_until

CANNOT_PLAY = "Could not start Vorlex.\nThe game may not be installed correctly."


class Journeys(Scenarios):
    def test_install_while_a_record_exists_does_nothing(self):
        setup, hwnd, origin = self.launcher()
        self.assert_buttons(origin, lit=[INSTALL, EXIT], dark=[DIRECTX, PLAY, UNINSTALL])
        # Another program records an install while the launcher still shows Install lit.
        self.m.reg_add(VERSION_KEY, "Path", "C:\\Elsewhere")
        self.press(origin, INSTALL)
        self.assertRaises(AssertionError, self.m.find, "Vorlex Install Options", "#32770", 1500)
        self.assert_buttons(origin, lit=[INSTALL], dark=[PLAY], why="and no refresh either")
        self.escape(setup, hwnd)
        self.m.wine("reg", "delete", "HKLM\\Software\\Halvane", "/f")

    def test_failed_play_then_read_only_files_and_a_saved_game_at_uninstall(self):
        before = self.m.snapshot()
        setup, hwnd, origin = self.launcher()
        self.install(origin, screenshot="install-options")
        self.assert_buttons(origin, lit=[PLAY, UNINSTALL, EXIT], dark=[INSTALL, DIRECTX])
        self.m.screenshot("journey-installed")
        folder = self.m.unix_path(FOLDER)
        game = os.path.join(folder, "Vorlex.exe")
        os.rename(game, game + ".away")
        self.press(origin, PLAY)
        box, text = self.m.notice()
        self.assertEqual(text, CANNOT_PLAY)
        self.assertEqual(self.m.second_start(), REFUSED, "the marker is held again during the message")
        self.m.driver("click", box, 1)
        self.assertEqual(self.m.driver("cwd", self.m.find("Vorlex Setup", "*")[1])[0], "D:\\", "cwd restored")
        self.assertIsNone(setup.poll(), "the launcher stays")
        # No folder recorded: a Vorlex.exe that a search by its bare name finds is not started.
        os.rename(game + ".away", game)
        self.m.reg_add(VERSION_KEY, "Path", "")
        stray = self.m.unix_path("C:\\windows\\Vorlex.exe")
        shutil.copy(os.path.join(CD, "data", "vlx.exe"), stray)
        self.press(origin, PLAY)
        box, text = self.m.notice()
        self.assertEqual(text, CANNOT_PLAY)
        self.m.driver("click", box, 1)
        self.assertIsNone(setup.poll(), "the launcher stays")
        os.remove(stray)
        self.m.reg_add(VERSION_KEY, "Path", FOLDER)

        open(os.path.join(folder, "scrngrab.bmp"), "wb").close()  # as the game leaves one
        for name in ("Vorlex.exe", "filesys.dat", "scrngrab.bmp"):
            self.m.wine("attrib", "+r", FOLDER + "\\" + name)
        with open(os.path.join(folder, "save1.sav"), "wb") as f:
            f.write(b"the player's game")
        self.press(origin, UNINSTALL)
        self.uninstall_dialog()
        self.assert_buttons(origin, lit=[INSTALL, EXIT], dark=[PLAY, UNINSTALL], why="uninstalled")
        self.assertEqual(os.listdir(folder), ["save1.sav"], "the named files went, read-only or not")
        with open(os.path.join(folder, "save1.sav"), "rb") as f:
            self.assertEqual(f.read(), b"the player's game")
        self.assertIsNone(self.m.reg(VERSION_KEY) or self.m.reg(UNINSTALL_KEY))
        self.escape(setup, hwnd)
        shutil.rmtree(folder)  # the player's own, removed by the player
        self.assert_clean_after_restart(before)


class DirectX(Scenarios):
    machine = {"version": "win95"}

    def test_without_the_redistributable_nothing_then_with_it_the_question_and_the_restart(self):
        dll = os.path.join(self.m.cd, "directx", "dsetup.dll")
        target = os.readlink(dll)
        os.remove(dll)
        setup, hwnd, origin = self.launcher()
        self.assert_buttons(origin, lit=[INSTALL, EXIT], dark=[DIRECTX, PLAY, UNINSTALL], why="no dsetup.dll")
        self.escape(setup, hwnd)
        os.symlink(target, dll)

        setup, hwnd, origin = self.launcher()
        self.assert_buttons(origin, lit=[INSTALL, DIRECTX, EXIT], dark=[PLAY, UNINSTALL], why="Windows 95, the stand-in")
        self.press(origin, DIRECTX)
        box, text = self.m.notice()
        self.assertEqual(text, "DirectX 3 is installed on this computer.\n\nDo you want to install DirectX 5 ?")
        self.m.screenshot("directx-question", box)
        self.assertEqual(self.m.second_start(), REFUSED, "during the DirectX question")
        self.m.driver("click", box, 6)  # Yes
        self.assert_buttons(origin, lit=[INSTALL, EXIT], dark=[DIRECTX], why="dark at once")
        with open(os.path.join(self.m.cd, "directx", "dsetup.log")) as f:
            self.assertIn("DirectXSetupA owner=1 source=D:\\directx flags=0x10018", f.read())
        self.escape(setup, hwnd)

        # A setup that needs a restart, and the player agrees: the launcher ends and
        # Windows restarts, carrying out what was waiting for it.
        config = os.path.join(self.m.cd, "directx", "dsetup.cfg")
        os.remove(config)
        with open(config, "w") as f:
            f.write("version=3\nversionok=1\nresult=1\n")
        leftover = self.m.unix_path("C:\\leftover.tmp")
        open(leftover, "w").close()
        with open(self.m.unix_path("C:\\windows\\WININIT.INI"), "w") as f:
            f.write("[Rename]\r\nNUL=C:\\LEFTOVER.TMP\r\n")
        setup, hwnd, origin = self.launcher()
        self.press(origin, DIRECTX)
        self.m.driver("click", self.m.notice()[0], 6)
        box, text = self.m.notice()
        self.assertEqual(text, "It is highly recommended that you reboot your\ncomputer now, "
                         "to finish the DirectX install.\n\nDo you want to reboot now?")
        self.m.driver("click", box, 6)
        self.assertIsNotNone(wait_exit(setup), "the launcher ends")
        self.assertTrue(wait_until(lambda: not os.path.exists(leftover), 20), "Windows restarted")


class HighDpi(Scenarios):
    machine = {"dpi": 192}

    def clipped(self, hwnd, name):
        self.assertEqual(self.m.driver("clipped", hwnd, 192)[0], "", name + ": no text cut off")
        self.m.screenshot(name + "-192dpi", hwnd)

    def test_launcher_doubled_and_no_text_cut_off_in_the_dialogs(self):
        setup, hwnd, (x, y) = self.launcher()
        self.assertEqual(self.m.rect(hwnd), ((SCREEN_W - 960) // 2, (SCREEN_H - 740) // 2, 960, 740))
        screen = self.m.grab()
        for px, py in [(0, 0), (300, 40), (240, 200), (479, 369), (200, 300)]:  # outside the buttons
            self.assertEqual({screen(x + 2 * px + dx, y + 2 * py + dy) for dx in (0, 1) for dy in (0, 1)},
                             {PICTURE.colour(px, py)}, (px, py))
        self.m.screenshot("launcher-192dpi")
        # Install pressed where it is drawn, at twice the coordinates.
        left, top, right, bottom = REGIONS[INSTALL]
        self.m.xdotool("mousemove", x + left + right, y + top + bottom, "click", 1)
        options, _ = self.m.find("Vorlex Install Options")
        self.clipped(options, "install-options")
        archive = FedCdFile(self.m, "data\\filesys.dat", 4 * 65536)
        self.addCleanup(archive.close)
        feeder = threading.Thread(target=archive.feed, args=(2 * 65536,))
        feeder.start()
        self.m.click(options, 1012)
        copy, _ = self.m.find("Vorlex Installation")
        feeder.join()
        self.clipped(copy, "copy-progress")
        self.m.click(copy, 1027)
        self.m.driver("click", self.m.notice()[0], 6)  # Yes, abort
        archive.close()  # the held read returns, and the copy stops there
        error, _ = self.m.find("Vorlex Install Error")
        self.assertTrue(wait_until(lambda: self.m.text(error, 1029) == "OK"))
        self.clipped(error, "clean-up-done")
        # Every button answers the keyboard too: Space presses the one with the focus.
        self.m.xdotool("key", "space")  # OK, focused once the clean-up is done
        self.assertTrue(self.m.gone(error))
        self.m.click(options, 1008)
        self.m.xdotool("key", "Tab", "Tab", "Tab", "space")  # from the folder to Abort
        self.assertTrue(self.m.gone(options))
        self.escape(setup, hwnd)
        uninstaller = self.m.start("D:\\setup.exe", "U")
        dialog, _ = self.m.find("Vorlex Uninstall")
        self.clipped(dialog, "uninstall")
        self.m.xdotool("key", "space")  # Exit, which has the focus
        self.assertIsNotNone(wait_exit(uninstaller))


if __name__ == "__main__":
    unittest.main(verbosity=2)
