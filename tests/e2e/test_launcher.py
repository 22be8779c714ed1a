"""The launcher under the real mouse and keyboard."""
import os, signal, unittest

from harness import DIRECTX, EXIT, INSTALL, PLAY, SCREEN_H, SCREEN_W, UNINSTALL, Scenarios, scaled, wait_until


class Launcher(Scenarios):
    def setUp(self):
        self.setup, self.hwnd, self.origin = self.launcher()
        self.addCleanup(lambda: self.setup.poll() is None and self.setup.kill())

    def move(self, x, y):
        self.m.xdotool("mousemove", self.origin[0] + x, self.origin[1] + y)

    def at_level(self, region, level):
        return self.level_of(self.m.grab(), self.origin, region, level, step=1)

    def pulses(self, region, resting):  # region leaves its drawn look while resting keeps it
        return wait_until(lambda: not self.at_level(region, 8) and self.at_level(resting, 8), 5)

    def test_picture_mouse_and_keyboard(self):
        # Frames of equal width on each side: a centred window has a centred client area.
        self.assertEqual(self.m.rect(self.hwnd), ((SCREEN_W - 480) // 2, (SCREEN_H - 370) // 2, 480, 370))
        self.assert_buttons(self.origin, [INSTALL, EXIT], [DIRECTX, PLAY, UNINSTALL], "win7, nothing installed")
        self.m.screenshot("launcher-at-rest")
        self.move(60, 230)  # Play, disabled: stays dim while hovered, and a press there drags nothing
        self.m.xdotool("mousedown", 1)
        self.move(90, 260)
        self.m.xdotool("mouseup", 1)
        self.assertTrue(wait_until(lambda: self.at_level(PLAY, 4)))
        self.move(60, 300)
        self.assertTrue(self.pulses(EXIT, INSTALL), "the hovered Exit changes within a few ticks")
        self.assertEqual(self.m.rect(self.hwnd)[:2], self.origin, "no drag, the release handled by now")
        self.m.screenshot("launcher-hover-exit")
        self.move(300, 330)  # over the picture, away from the buttons: the keys go there too
        self.assert_buttons(self.origin, [INSTALL, EXIT], why="at rest once the mouse has left")
        self.m.xdotool("key", "Return", "Tab")  # Enter with nothing marked presses nothing
        self.assertTrue(self.pulses(INSTALL, EXIT), "Tab marks the first lit button")
        self.m.xdotool("key", "Down")
        self.assertTrue(self.pulses(EXIT, INSTALL), "the arrows pass the dark ones")
        self.m.xdotool("key", "u", "i")  # a dark button's letter does nothing, a lit one's presses it
        options, _ = self.m.find("Vorlex Install Options")
        self.m.click(options, 1005)
        self.assertTrue(self.m.gone(options))
        self.m.xdotool("key", "Left", "Right", "space")  # the mark is back on Exit (Right and Left apart: win95's)
        self.assertEqual(self.setup.wait(scaled(20)), 0)

    def test_screen_readers_presses_while_another_program_is_in_front(self):
        """Install Options is the launcher's own, which is disabled under it: a second press meanwhile
        (the object posts each as a command) is dropped, and one Abort leaves no Install Options."""
        self.m.start("notepad")
        self.m.find("Untitled - Notepad", "Notepad")
        for _ in range(2):
            self.m.driver("post", self.hwnd, 0x111, 0x7F00 + INSTALL, 0)
        options, _ = self.m.find("Vorlex Install Options")
        self.assertEqual(self.m.driver("owner", options), "%d 0" % self.hwnd)
        self.m.driver("click", options, 1005)  # Abort, queued after the second press
        self.assertTrue(wait_until(lambda: self.m.driver("count", "Vorlex Install Options", "#32770") == "0"))
        self.escape(self.setup, self.hwnd)

    def test_press_between_buttons_drags_the_window_also_when_busy(self):
        # Stopped throughout, setup finds press, moves and release at once, as on a slow machine.
        os.kill(self.setup.pid, signal.SIGSTOP)
        self.move(60, 175)  # the gap between Install and DirectX
        self.m.xdotool("mousedown", 1)
        for step in range(1, 6):
            self.move(60 - 30 * step // 5, 175 + 35 * step // 5)
        self.m.xdotool("mouseup", 1)
        os.kill(self.setup.pid, signal.SIGCONT)
        moved = (self.origin[0] - 30, self.origin[1] + 35)
        self.assertEqual(wait_until(lambda: self.m.rect(self.hwnd)[:2] == moved and moved), moved)
        # The release has ended the drag: the next move is hit-tested, Exit lights, the window stays.
        self.origin = moved
        self.move(60, 300)
        self.assertTrue(self.pulses(EXIT, INSTALL))
        self.assertEqual(self.m.rect(self.hwnd), moved + (480, 370))


if __name__ == "__main__":
    unittest.main(verbosity=2)
