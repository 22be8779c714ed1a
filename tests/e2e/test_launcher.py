"""The launcher under the real mouse and keyboard, and the start-up as a player meets it:
the current directory, a second start, uninstall mode."""
import os
import shutil
import signal
import unittest

from harness import DIRECTX, EXIT, INSTALL, PICTURE, PLAY, REFUSED, SCREEN_H, SCREEN_W, UNINSTALL, Scenarios, \
    wait_exit, wait_until


class Launcher(Scenarios):
    def setUp(self):
        self.setup, self.hwnd, self.origin = self.launcher()
        self.addCleanup(lambda: self.setup.poll() is None and self.setup.kill())

    def move(self, x, y):
        self.m.xdotool("mousemove", self.origin[0] + x, self.origin[1] + y)

    def at_level(self, region, level):
        return self.level_of(self.m.grab(), self.origin, region, level, step=1)

    def pulses(self, region, resting=None):
        """region leaves its drawn look (the hover pulse) while resting keeps it."""
        return wait_until(lambda: not self.at_level(region, 8) and (not resting or self.at_level(resting, 8)), 5)

    def test_picture_centred_at_rest_and_only_lit_buttons_pulse(self):
        x, y, w, h = self.m.rect(self.hwnd)
        # Frames of equal width on each side: a centred window has a centred client area.
        self.assertEqual((x, y, w, h), ((SCREEN_W - 480) // 2, (SCREEN_H - 370) // 2, 480, 370))
        self.assert_buttons(self.origin, [INSTALL, EXIT], [DIRECTX, PLAY, UNINSTALL], "win7, nothing installed")
        self.m.screenshot("launcher-at-rest")
        screen = self.m.grab()
        for px, py in [(0, 0), (479, 369), (300, 40), (240, 200), (5, 360)]:
            self.assertEqual(screen(x + px, y + py), PICTURE.colour(px, py), (px, py))
        self.move(60, 230)  # Play, disabled: stays dim while hovered
        for _ in range(5):
            self.assertTrue(self.at_level(PLAY, 4))
        self.move(60, 300)
        self.assertTrue(self.pulses(EXIT), "the hovered Exit changes within a few ticks")
        self.m.screenshot("launcher-hover-exit")
        self.move(300, 330)
        self.assertTrue(wait_until(lambda: self.at_level(EXIT, 8)), "back at rest once the mouse has left")

    def test_press_on_a_disabled_button_does_nothing_and_exit_ends_it(self):
        self.move(60, 230)
        self.m.xdotool("mousedown", 1)
        self.move(90, 260)
        self.m.xdotool("mouseup", 1)
        self.move(95, 265)
        self.assertEqual(self.m.rect(self.hwnd)[:2], self.origin, "no drag")
        self.assertEqual(self.m.second_start(), REFUSED, "the launcher still runs")
        self.move(60, 300)
        self.m.xdotool("click", 1)
        self.assertIsNotNone(wait_exit(self.setup), "Exit ends it")

    def test_press_between_buttons_drags_the_window_also_when_busy(self):
        for dx, dy, busy in [(40, -25, False), (-30, 35, True)]:
            # Busy: stopped for all of it, setup finds the press, the moves and the
            # release waiting at once, as on a machine too slow to follow.
            if busy:
                os.kill(self.setup.pid, signal.SIGSTOP)
            self.move(60, 175)  # the gap between Install and DirectX
            self.m.xdotool("mousedown", 1)
            for step in range(1, 6):
                self.move(60 + dx * step // 5, 175 + dy * step // 5)
            if busy:
                self.m.xdotool("mouseup", 1)
                os.kill(self.setup.pid, signal.SIGCONT)
            moved = (self.origin[0] + dx, self.origin[1] + dy)
            self.assertEqual(wait_until(lambda: self.m.rect(self.hwnd)[:2] == moved and moved), moved, busy)
            if not busy:
                self.m.xdotool("mouseup", 1)
            # Released, the drag ends at the next move; the one after it is the first the
            # launcher hit-tests: Exit lights under it and the window stays.
            self.origin = moved
            self.move(60, 300)
            self.m.xdotool("mousemove_relative", 1, 1)
            self.assertTrue(self.pulses(EXIT), busy)
            self.assertEqual(self.m.rect(self.hwnd), moved + (480, 370))

    def accessible(self):
        """The buttons as a screen reader reads them (role 43, push button): name -> state."""
        entries = [e.split("|") for e in self.m.driver("access", self.hwnd)[0].split(";")]
        self.assertEqual([e[:2] for e in entries],
                         [[n, "43"] for n in ("Install", "Install DirectX 5", "Play Game", "Uninstall", "Exit")])
        return {e[0]: int(e[2]) for e in entries}

    def test_keys_move_a_focus_mark_over_the_lit_buttons_and_press_them(self):
        self.move(300, 330)
        self.m.xdotool("click", 1)  # the player's click gives the window the keyboard
        self.assertEqual(self.accessible()["Play Game"], 0x1, "unavailable")
        # Enter before any Tab presses nothing; dark buttons are skipped; p is dark Play's key.
        for keys, marked, other in [("Return Tab", INSTALL, EXIT), ("Tab", EXIT, INSTALL), ("shift+Tab", INSTALL, EXIT),
                                    ("Down", EXIT, INSTALL), ("p", EXIT, INSTALL)]:
            self.m.xdotool("key", *keys.split())
            self.assertTrue(self.pulses(marked, other), keys)
        self.assertTrue(self.accessible()["Exit"] & 0x4, "focused")
        self.m.xdotool("key", "Return")
        self.assertIsNotNone(wait_exit(self.setup), "Enter presses the marked button")


class StartUp(Scenarios):
    def test_start_up_table(self):
        os.makedirs(os.path.join(self.m.cd, "sub"))
        os.symlink(os.path.join(self.m.cd, "setup.exe"), os.path.join(self.m.cd, "sub", "setup.exe"))
        copy = "C:\\windows\\N0001A2B3-Vorlex-Setup.exe"  # the uninstaller's copy, started without arguments
        shutil.copy(os.path.join(self.m.cd, "setup.exe"), self.m.unix_path(copy))
        for command, start_in, cwd, caption in [
                (["D:\\setup.exe"], "C:\\windows", "D:\\", "Vorlex Setup"),
                (["D:\\setup.exe", "/s", "-x"], "C:\\windows", "D:\\", "Vorlex Setup"),
                (["D:\\sub\\setup.exe"], "C:\\", "D:\\SUB\\", "Vorlex Setup"),
                ([copy], "C:\\", "C:\\WINDOWS\\", "Vorlex Setup"),
                (["D:\\setup.exe", "u"], "C:\\windows", "D:\\", "Vorlex Uninstall"),
                (["D:\\setup.exe", "/U"], "C:\\windows", "D:\\", "Vorlex Uninstall"),
                (["D:\\setup.exe", "-blue"], "C:\\windows", "D:\\", "Vorlex Uninstall"),
                (["D:\\setup.exe", "C:\\music"], "C:\\windows", "D:\\", "Vorlex Uninstall")]:
            process = self.m.start(*command, cwd=start_in)
            hwnd, pid = self.m.find(caption)
            self.assertEqual(self.m.driver("cwd", pid)[0].upper(), cwd, command)
            for tail in ("", " u"):
                self.assertEqual(self.m.second_start(tail), REFUSED, command)
            if caption == "Vorlex Setup":
                self.escape(process, hwnd)
            else:
                self.assertEqual(self.m.text(hwnd, 1016), "Uninstall Now")
                self.m.driver("click", hwnd, 1023)
                self.assertIsNotNone(wait_exit(process), "Exit ends the uninstall dialog and the program")
        self.escape(*self.launcher()[:2])  # once they have ended, a new start is not blocked


if __name__ == "__main__":
    unittest.main(verbosity=2)
