"""Start-up as a player meets it: from the CD as drive D:, from a subfolder, as the
uninstaller copy in the Windows directory, a second start, and uninstall mode."""
import os
import shutil
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import Machine, VK_ESCAPE, wait_exit  # noqa: E402

WS_POPUP, WS_CAPTION, WS_SYSMENU = 0x80000000, 0x00C00000, 0x00080000


class StartUp(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.m = Machine()

    @classmethod
    def tearDownClass(cls):
        cls.m.close()

    def launcher_of(self, process):
        hwnd, pid = self.m.find_window(caption="Vorlex Setup")
        style = int(self.m.driver("style", hwnd)[0].split()[0], 16)
        # The launcher is the borderless pop-up without caption or system menu.
        self.assertEqual(style & (WS_POPUP | WS_CAPTION | WS_SYSMENU), WS_POPUP, hex(style))
        self.assertIsNone(process.poll())
        return hwnd, pid

    def close_launcher(self, hwnd, process):
        self.m.driver("key", hwnd, VK_ESCAPE)
        self.assertIsNotNone(wait_exit(process), "Escape ends the launcher and the program")

    def test_started_from_the_cd_root_the_cd_root_is_current(self):
        setup = self.m.start("D:\\setup.exe", cwd="C:\\windows")
        hwnd, pid = self.launcher_of(setup)
        self.assertEqual(self.m.driver("cwd", pid)[0], "D:\\")
        self.m.screenshot("startup-launcher")
        self.close_launcher(hwnd, setup)

    def test_second_start_shows_nothing_and_ends_at_once(self):
        setup = self.m.start("D:\\setup.exe")
        hwnd, _ = self.launcher_of(setup)
        for tail in ("", " u"):
            result = self.m.driver("watch", 15000, "D:\\setup.exe" + tail)[0]
            self.assertEqual(result, "exit=0 windows=0", "second start with tail %r" % tail)
        # The first instance is untouched and still works.
        self.assertEqual(self.m.find_window(caption="Vorlex Setup")[0], hwnd)
        self.close_launcher(hwnd, setup)
        # Once it has ended, a new start is not blocked.
        again = self.m.start("D:\\setup.exe")
        hwnd, _ = self.launcher_of(again)
        self.close_launcher(hwnd, again)

    def test_a_u_anywhere_in_the_tail_opens_the_uninstall_dialog(self):
        for tail in (["u"], ["/U"], ["-blue"], ["C:\\music"]):
            setup = self.m.start("D:\\setup.exe", *tail)
            hwnd, pid = self.m.find_window(caption="Vorlex Uninstall")
            self.assertEqual(self.m.driver("text", hwnd, 1016)[0], "Uninstall Now", tail)
            self.assertEqual(self.m.driver("cwd", pid)[0], "D:\\")
            # A second start is refused in uninstall mode too.
            self.assertEqual(self.m.driver("watch", 15000, "D:\\setup.exe")[0], "exit=0 windows=0")
            self.m.driver("click", hwnd, 1023)
            self.assertIsNotNone(wait_exit(setup), "Exit ends the uninstall dialog and the program")

    def test_a_tail_without_u_opens_the_launcher(self):
        setup = self.m.start("D:\\setup.exe", "/s", "-x")
        hwnd, _ = self.launcher_of(setup)
        self.close_launcher(hwnd, setup)

    def test_started_from_a_subfolder_that_subfolder_is_current(self):
        os.makedirs(os.path.join(self.m.cd, "sub"))
        os.symlink(os.path.join(self.m.cd, "setup.exe"), os.path.join(self.m.cd, "sub", "setup.exe"))
        setup = self.m.start("D:\\sub\\setup.exe", cwd="C:\\")
        hwnd, pid = self.launcher_of(setup)
        self.assertEqual(self.m.driver("cwd", pid)[0], "D:\\sub\\")
        self.close_launcher(hwnd, setup)

    def test_uninstaller_copy_without_arguments_opens_the_launcher_in_the_windows_folder(self):
        copy = self.m.unix_path("C:\\windows\\N0001A2B3-Vorlex-Setup.exe")
        shutil.copy(os.path.join(self.m.cd, "setup.exe"), copy)
        setup = self.m.start("C:\\windows\\N0001A2B3-Vorlex-Setup.exe", cwd="C:\\")
        hwnd, pid = self.launcher_of(setup)
        self.assertEqual(self.m.driver("cwd", pid)[0].upper(), "C:\\WINDOWS\\")
        self.close_launcher(hwnd, setup)


if __name__ == "__main__":
    unittest.main(verbosity=2)
