"""The launcher screen with the real mouse and keyboard: size and place, the buttons'
brightness, the hover pulse, the drag, presses on disabled buttons, Enter and Escape."""
import os
import signal
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

    def drag(self, dx, dy, busy):
        """Presses between Install and DirectX, moves by (dx, dy) in five steps and lets go.
        Busy: all of it while setup cannot run (its process stopped), as on a machine too
        slow to follow, so that it finds the press, the moves and the release waiting at once."""
        x, y = 60, 175  # the gap between Install and DirectX
        if busy:
            os.kill(self.setup.pid, signal.SIGSTOP)
        self.move_to(x, y)
        self.m.xdotool("mousedown", 1)
        for step in range(1, 6):
            self.move_to(x + dx * step // 5, y + dy * step // 5)
        if busy:
            self.m.xdotool("mouseup", 1)
            os.kill(self.setup.pid, signal.SIGCONT)
        # The window follows the cursor by its displacement since the press, once the
        # input is handled.
        moved = (self.origin[0] + dx, self.origin[1] + dy)
        self.assertEqual(wait_until(lambda: self.client()[:2] == moved and moved, 10), moved, "busy=%s" % busy)
        if not busy:
            self.m.xdotool("mouseup", 1)
        # Released, the drag ends at the next move: the mouse goes on to Exit, which lights
        # up under it only once that move is handled, and the window stays where it is.
        self.origin = moved
        self.move_to(60, 300)
        # That move ends the drag; the next is the first the launcher hit-tests (a window
        # holding the mouse gets no cursor messages).
        self.m.xdotool("mousemove_relative", 1, 1)
        self.assertTrue(wait_until(lambda: not self.region_at_level(self.m.grab(), EXIT, 8), 5), "busy=%s" % busy)
        self.assertEqual(self.client(), moved + (480, 370))

    def test_press_between_buttons_drags_the_window_by_the_cursor_displacement(self):
        self.drag(40, -25, busy=False)
        self.drag(-30, 35, busy=True)

    def test_press_on_a_disabled_button_does_nothing(self):
        self.move_to(60, 230)  # Play
        self.m.xdotool("mousedown", 1)
        self.move_to(90, 260)
        self.m.xdotool("mouseup", 1)
        self.move_to(95, 265)
        self.assertEqual(self.client()[:2], self.origin, "no drag")
        self.assertIsNone(self.setup.poll())
        self.assertEqual(self.m.find_window(caption="Vorlex Setup")[0], self.hwnd)

    def pulses(self, region, resting):
        """region pulses (the hover look) while resting stays as drawn: not a flash."""
        def seen():
            screen = self.m.grab()
            return not self.region_at_level(screen, region, 8) and self.region_at_level(screen, resting, 8)
        return wait_until(seen, 5)

    def accessible(self):
        """The launcher's buttons as a screen reader reads them: name -> state flags."""
        entries = self.m.driver("access", self.hwnd)[0].split(";")
        self.assertEqual([e.split("|")[:2] for e in entries],
                         [[name, "43"] for name in ("Install", "Install DirectX 5", "Play Game", "Uninstall", "Exit")])
        return {e.split("|")[0]: int(e.split("|")[2], 16) for e in entries}

    def test_keys_move_a_focus_mark_over_the_lit_buttons_and_press_them(self):
        focused, unavailable = 0x4, 0x1
        self.move_to(300, 330)
        self.m.xdotool("click", 1)  # the player's click gives the window the keyboard
        self.assertTrue(self.wait_for_rest())
        self.assertEqual(self.accessible()["Play Game"], unavailable)
        # Enter before any Tab presses nothing: the Tab after it still reaches the launcher.
        self.m.xdotool("key", "Return", "Tab")
        self.assertTrue(self.pulses(INSTALL, EXIT), "Tab puts the mark on the first lit button")
        self.assertTrue(self.accessible()["Install"] & focused)
        self.m.xdotool("key", "Tab")
        self.assertTrue(self.pulses(EXIT, INSTALL), "the dark buttons between are skipped")
        self.m.xdotool("key", "shift+Tab")
        self.assertTrue(self.pulses(INSTALL, EXIT))
        self.m.xdotool("key", "Down")
        self.assertTrue(self.pulses(EXIT, INSTALL))
        self.assertTrue(self.accessible()["Exit"] & focused)
        self.m.xdotool("key", "p")  # Play's access key, but Play is dark
        self.assertTrue(self.pulses(EXIT, INSTALL))
        self.m.xdotool("key", "Return")
        self.assertIsNotNone(wait_exit(self.setup), "Enter presses the marked button")

    def test_exit_button_ends_the_launcher(self):
        self.move_to(60, 300)
        self.m.xdotool("click", 1)
        self.assertIsNotNone(wait_exit(self.setup))


if __name__ == "__main__":
    unittest.main(verbosity=2)
