"""Journeys through the launcher: an install while a record exists, a failed play, read-
only files and a saved game at the uninstall, and the whole program at 200 % scaling."""
import os
import shutil
import threading
import unittest

from harness import CD, DIRECTX, EXIT, FOLDER, INSTALL, PICTURE, PLAY, REFUSED, REGIONS, SCREEN_H, SCREEN_W, \
    UNINSTALL, UNINSTALL_KEY, VERSION_KEY, FedCdFile, Scenarios, wait_exit, wait_until


class Journeys(Scenarios):
    def test_install_while_a_record_exists_does_nothing(self):
        setup, hwnd, origin = self.launcher()
        self.assert_buttons(origin, [INSTALL, EXIT], [DIRECTX, PLAY, UNINSTALL])
        self.m.reg_add(VERSION_KEY, "Path", "C:\\Elsewhere")  # recorded by another program meanwhile
        self.press(origin, INSTALL)
        self.assertRaises(AssertionError, self.m.find, "Vorlex Install Options", "#32770", 1500)
        self.assert_buttons(origin, [INSTALL], [PLAY], why="and no refresh either")
        self.escape(setup, hwnd)
        self.m.wine("reg", "delete", "HKLM\\Software\\Halvane", "/f")

    def test_failed_play_then_read_only_files_and_a_saved_game_at_uninstall(self):
        before = self.m.snapshot()
        setup, hwnd, origin = self.launcher()
        self.install(origin, screenshot="install-options")
        self.assert_buttons(origin, [PLAY, UNINSTALL, EXIT], [INSTALL, DIRECTX])
        self.m.screenshot("journey-installed")
        folder = self.m.unix_path(FOLDER)
        game = os.path.join(folder, "Vorlex.exe")
        stray = self.m.unix_path("C:\\windows\\Vorlex.exe")
        # The game missing; then no folder recorded and a Vorlex.exe a search by its bare name finds.
        for step in ("missing", "no folder"):
            if step == "missing":
                os.rename(game, stray)
            else:
                self.m.reg_add(VERSION_KEY, "Path", "")
                shutil.copy(stray, game)
            self.press(origin, PLAY)
            box, text = self.m.notice()
            self.assertEqual(text, "Could not start Vorlex.\nThe game may not be installed correctly.", step)
            self.assertEqual(self.m.second_start(), REFUSED, "the marker is held again during the message")
            self.m.driver("click", box, 1)
            self.assertEqual(self.m.driver("cwd", self.m.find("Vorlex Setup")[1])[0], "D:\\", "cwd restored")
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
        self.assert_buttons(origin, [INSTALL, EXIT], [PLAY, UNINSTALL], why="uninstalled")
        self.assertEqual(os.listdir(folder), ["save1.sav"], "the named files went, read-only or not")
        with open(os.path.join(folder, "save1.sav"), "rb") as f:
            self.assertEqual(f.read(), b"the player's game")
        self.assertIsNone(self.m.reg(VERSION_KEY) or self.m.reg(UNINSTALL_KEY))
        self.escape(setup, hwnd)
        shutil.rmtree(folder)  # the player's own, removed by the player
        self.assert_clean_after_restart(before)


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
        left, top, right, bottom = REGIONS[INSTALL]  # pressed where it is drawn, at twice the coordinates
        self.m.xdotool("mousemove", x + left + right, y + top + bottom, "click", 1)
        options, _ = self.m.find("Vorlex Install Options")
        self.clipped(options, "install-options")
        archive = FedCdFile(self.m, "data\\filesys.dat", 4 * 65536)
        self.addCleanup(archive.close)
        threading.Thread(target=archive.feed, args=(2 * 65536,)).start()
        self.m.click(options, 1012)
        copy, _ = self.m.find("Vorlex Installation")
        self.assertTrue(wait_until(lambda: int(self.m.driver("pos", copy, 1028)[0]) > 0))
        self.clipped(copy, "copy-progress")
        self.m.click(copy, 1027)
        self.m.driver("click", self.m.notice()[0], 6)  # Yes, abort
        archive.close()  # the held read returns, and the copy stops there
        error, _ = self.m.find("Vorlex Install Error")
        self.assertTrue(wait_until(lambda: self.m.text(error, 1029) == "OK"))
        self.clipped(error, "clean-up-done")
        self.m.xdotool("key", "space")  # Space presses OK, focused once the clean-up is done
        self.assertTrue(self.m.gone(error))
        self.m.click(options, 1005)
        self.assertTrue(self.m.gone(options))
        self.escape(setup, hwnd)
        uninstaller = self.m.start("D:\\setup.exe", "U")
        dialog, _ = self.m.find("Vorlex Uninstall")
        self.clipped(dialog, "uninstall")
        self.m.click(dialog, 1023)
        self.assertIsNotNone(wait_exit(uninstaller))


if __name__ == "__main__":
    unittest.main(verbosity=2)
