"""The launcher screen with the real mouse and keyboard: size and place, the buttons'
brightness, the hover pulse, the drag, presses on disabled buttons, Enter and Escape."""
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import SCREEN_HEIGHT as SCREEN_H, SCREEN_WIDTH as SCREEN_W, Machine, wait_exit, wait_until  # noqa: E402
from picture import REGIONS, Picture  # noqa: E402

INSTALL, DIRECTX, PLAY, UNINSTALL, EXIT = 1, 2, 3, 4, 5


class Launcher(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.picture = Picture()
        cls.m = Machine()

    @classmethod
    def tearDownClass(cls):
        cls.m.close()

    def setUp(self):
        self.m.xdotool("mousemove", 0, 0)  # away from the window
        self.setup = self.m.start("D:\\setup.exe")
        self.hwnd, self.pid = self.m.find_window(caption="Vorlex Setup")
        self.origin = self.client()[:2]

    def tearDown(self):
        if self.setup.poll() is None:
            self.setup.kill()
            self.setup.wait()

    def client(self):
        return tuple(int(v) for v in self.m.driver("client", self.hwnd)[0].split())

    def region_at_level(self, screen, region, level):
        left, top, right, bottom = REGIONS[region]
        ox, oy = self.origin
        for y in range(top, bottom + 1):
            for x in range(left, right + 1):
                if screen.pixel(ox + x, oy + y) != self.picture.colour(x, y, level):
                    return False
        return True

    def at_rest(self, screen):
        """Enabled buttons as drawn, disabled ones at half brightness (Wine reports Windows 7,
        the CD holds the game and nothing is installed: Install and Exit are enabled)."""
        levels = {INSTALL: 8, DIRECTX: 4, PLAY: 4, UNINSTALL: 4, EXIT: 8}
        return all(self.region_at_level(screen, r, lv) for r, lv in levels.items())

    def wait_for_rest(self, seconds=10):
        return wait_until(lambda: self.at_rest(self.m.grab()), seconds)

    def move_to(self, x, y):
        """The real mouse, to client point (x, y)."""
        self.m.xdotool("mousemove", self.origin[0] + x, self.origin[1] + y)

    def test_window_is_the_picture_centred_on_the_screen(self):
        x, y, w, h = self.client()
        self.assertEqual((w, h), (480, 370))
        # With frames of equal width on each side, a centred window has a centred client area.
        self.assertEqual((x, y), ((SCREEN_W - 480) // 2, (SCREEN_H - 370) // 2))
        self.assertTrue(self.wait_for_rest(), "buttons at their resting brightness")
        self.m.screenshot("launcher-at-rest")
        # The rest of the picture is drawn as it is.
        screen = self.m.grab()
        for (px, py) in [(0, 0), (479, 369), (300, 40), (240, 200), (5, 360)]:
            self.assertEqual(screen.pixel(x + px, y + py), self.picture.colour(px, py), (px, py))

    def test_hovering_an_enabled_button_pulses_it_and_leaving_rests_it(self):
        self.assertTrue(self.wait_for_rest())
        self.move_to(60, 300)  # Exit
        self.assertTrue(wait_until(lambda: not self.region_at_level(self.m.grab(), EXIT, 8), 3),
                        "the hovered button changes within a few ticks")
        self.m.screenshot("launcher-hover-exit")
        self.move_to(300, 330)  # background
        self.assertTrue(self.wait_for_rest(), "back at rest once the mouse has left it")

    def test_hovering_a_disabled_button_leaves_it_dim(self):
        self.assertTrue(self.wait_for_rest())
        self.move_to(60, 230)  # Play, disabled
        for _ in range(10):
            self.assertTrue(self.region_at_level(self.m.grab(), PLAY, 4))

    def test_press_between_buttons_drags_the_window_by_the_cursor_displacement(self):
        self.move_to(60, 175)  # the gap between Install and DirectX
        self.m.xdotool("mousedown", 1)
        for step in range(1, 6):
            self.move_to(60 + 8 * step, 175 - 5 * step)
        # The window follows while the button is down (the player lets go once it is there:
        # a release before the last move is handled ends the drag short of it).
        moved = (self.origin[0] + 40, self.origin[1] - 25)
        self.assertEqual(wait_until(lambda: self.client()[:2] == moved and moved, 5), moved)
        self.m.xdotool("mouseup", 1)
        self.m.xdotool("mousemove_relative", 1, 1)  # the drag ends at the first move with the button up
        x, y, w, h = self.client()
        self.assertEqual((x - self.origin[0], y - self.origin[1]), (40, -25))
        self.assertEqual((w, h), (480, 370))
        # Once released, moving the mouse no longer moves the window.
        self.m.xdotool("mousemove_relative", 30, 30)
        self.assertEqual(self.client()[:2], (x, y))

    def test_press_on_a_disabled_button_does_nothing(self):
        self.move_to(60, 230)  # Play
        self.m.xdotool("mousedown", 1)
        self.move_to(90, 260)
        self.m.xdotool("mouseup", 1)
        self.move_to(95, 265)
        self.assertEqual(self.client()[:2], self.origin, "no drag")
        self.assertIsNone(self.setup.poll())
        self.assertEqual(self.m.find_window(caption="Vorlex Setup")[0], self.hwnd)

    def test_enter_does_nothing_and_escape_ends_the_launcher(self):
        self.move_to(300, 330)
        self.m.xdotool("click", 1)  # the player's click gives the window the keyboard
        self.m.xdotool("key", "Return")
        self.assertEqual(self.m.driver("gone", self.hwnd, 500)[0], "0", "Enter leaves it open")
        self.m.xdotool("key", "Escape")
        self.assertIsNotNone(wait_exit(self.setup), "Escape ends the launcher")

    def test_exit_button_ends_the_launcher(self):
        self.move_to(60, 300)
        self.m.xdotool("click", 1)
        self.assertIsNotNone(wait_exit(self.setup))


if __name__ == "__main__":
    unittest.main(verbosity=2)
