"""The program on a display at 200 % (192 dots per inch): the launcher twice as large,
pixel for pixel, its buttons where they are drawn, and no text cut off in any dialog."""
import os
import sys
import threading
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import SCREEN_HEIGHT, SCREEN_WIDTH, Machine, wait_exit, wait_until  # noqa: E402
from player import EXIT, FedCdFile, Player  # noqa: E402
from picture import REGIONS  # noqa: E402


class HighDpi(Player):
    def setUp(self):
        self.m = Machine(dpi=192)
        self.addCleanup(self.m.close)

    def no_text_cut_off(self, hwnd, name):
        self.assertEqual(self.m.driver("clipped", hwnd, 192)[0], "", name)
        self.m.screenshot_of(hwnd, name + "-192dpi")
        self.checked(name + ": no text cut off")

    def test_launcher_is_the_picture_doubled_and_answers_at_twice_the_coordinates(self):
        process, hwnd, (x, y) = self.launcher()
        width, height = (int(v) for v in self.m.driver("client", hwnd)[0].split()[2:])
        self.assertEqual((width, height), (960, 740))
        self.assertEqual((x, y), ((SCREEN_WIDTH - 960) // 2, (SCREEN_HEIGHT - 740) // 2))
        screen = self.m.grab()
        for px, py in [(0, 0), (300, 40), (240, 200), (479, 369), (200, 300)]:  # outside the buttons
            colour = self.picture.colour(px, py)
            self.assertEqual({screen.pixel(x + 2 * px + dx, y + 2 * py + dy) for dx in (0, 1) for dy in (0, 1)},
                             {colour}, (px, py))
        self.m.screenshot("launcher-192dpi")
        left, top, right, bottom = REGIONS[EXIT]
        self.m.xdotool("mousemove", x + left + right, y + top + bottom)  # Exit's middle, doubled
        self.m.xdotool("click", 1)
        self.assertIsNotNone(wait_exit(process), "a click on Exit as drawn ends the launcher")
        self.checked("960 x 740, every pixel doubled, Exit pressed where it is drawn")

    def test_every_dialog_shows_its_texts_whole(self):
        process, hwnd, (x, y) = self.launcher()
        self.m.xdotool("mousemove", x + 600, y + 660)
        self.m.xdotool("click", 1)
        self.m.xdotool("key", "i")  # Install's access key
        options, _ = self.m.find_window(caption="Vorlex Install Options")
        self.no_text_cut_off(options, "install-options")
        archive = FedCdFile(self.m, "data\\filesys.dat", 4 * 65536)
        self.addCleanup(archive.close)
        feeder = threading.Thread(target=archive.feed, args=(2 * 65536,))
        feeder.start()
        self.m.click(options, 1012)
        copy, _ = self.m.find_window(caption="Vorlex Installation")
        feeder.join()
        self.no_text_cut_off(copy, "copy-progress")
        self.m.click(copy, 1027)
        self.m.driver("click", self.m.driver("notice", 0, 15000)[0], 6)  # Yes, abort
        archive.close()  # the held read returns, and the copy stops there
        error, _ = self.m.find_window(caption="Vorlex Install Error")
        self.assertTrue(wait_until(lambda: self.m.driver("text", error, 1029)[0] == "OK"))
        self.no_text_cut_off(error, "clean-up-done")
        # Every button answers the keyboard too: Space presses the one with the focus.
        self.m.xdotool("key", "space")  # OK, focused once the clean-up is done
        self.assertEqual(self.m.driver("gone", error, 15000)[0], "1")
        self.m.click(options, 1008)
        self.m.xdotool("key", "Tab", "Tab", "Tab", "space")  # from the folder to Abort
        self.assertEqual(self.m.driver("gone", options, 15000)[0], "1")
        self.m.xdotool("key", "Escape")
        self.assertIsNotNone(wait_exit(process))
        uninstaller = self.m.start("D:\\setup.exe", "U")
        dialog, _ = self.m.find_window(caption="Vorlex Uninstall")
        self.no_text_cut_off(dialog, "uninstall")
        self.m.xdotool("key", "space")  # Exit, which has the focus
        self.assertEqual(self.m.driver("gone", dialog, 15000)[0], "1")
        self.assertIsNotNone(wait_exit(uninstaller))


if __name__ == "__main__":
    unittest.main(verbosity=2)
