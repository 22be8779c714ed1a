"""The CD taken out, Abort, setup killed: each ends, unhung, in the machine as it was, once restarted."""
import contextlib, filecmp, os, signal, unittest
from pathlib import Path

from harness import CD, EXIT, FOLDER, INSTALL, PLAY, UNINSTALL, UNINSTALL_KEY, VERSION_KEY, FedCdFile, Scenarios, wait_until

SHELL_FOLDERS = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"
ABORT, INSTALL_NOW, ERROR_TEXT, COPY_ABORT, CLEAN_UP = 1005, 1012, 1014, 1027, 1029
REMOVED = "Vorlex has been removed from your computer.\n\nIt is now safe to attempt another install."


class Faults(Scenarios):
    def setUp(self):
        self.before = self.m.snapshot()

    def options(self, fed_file="data\\filesys.dat", size=0):
        # The fed file goes in once the launcher has found the CD (a pipe is not the game).
        self.setup, self.hwnd, self.origin = self.launcher()
        self.assert_buttons(self.origin, [INSTALL], [PLAY])
        fed = FedCdFile(self.m, fed_file, size)
        self.addCleanup(fed.close)
        self.press(self.origin, INSTALL)
        self.dialog, _ = self.m.find("Vorlex Install Options")
        return fed

    def copy(self, fed, count):
        self.m.click(self.dialog, INSTALL_NOW)
        copy, _ = self.m.find("Vorlex Installation")
        self.assertTrue(fed.feed(count))
        self.assertTrue(wait_until(lambda: int(self.m.driver("pos", copy, 1028)) > 0, 20), "the bar moves")
        return copy

    def clean_up(self, failure=None):
        """The failure (none after Abort), Clean Up, the removal's message, OK, Abort: nothing installed."""
        error, _ = self.m.find("Vorlex Install Error", "#32770", 30000)
        if failure:
            self.assertEqual(self.m.text(error, ERROR_TEXT), 'The following problem was detected:\n\n"%s"' % failure)
            self.m.screenshot("install-error", error)
            self.m.keys_then_click(error, CLEAN_UP)
        self.assertTrue(wait_until(lambda: self.m.text(error, ERROR_TEXT) == REMOVED, 20))
        self.m.screenshot("clean-up-done", error)
        self.m.click(error, CLEAN_UP)
        self.assertTrue(self.m.gone(error))
        self.assertFalse(os.path.exists(self.m.unix_path(FOLDER)))
        self.m.click(self.dialog, ABORT)
        self.assertTrue(self.m.gone(self.dialog))
        self.assert_buttons(self.origin, [INSTALL, EXIT], [PLAY, UNINSTALL], why="nothing installed")
        self.escape(self.setup, self.hwnd)

    def test_cd_taken_out_during_the_copy(self):
        fed = self.options("data\\vlx.exe", size=8 << 20)  # the first file, as large as a real game's
        copy = self.copy(fed, 4 << 20)
        self.m.screenshot("copy-progress", copy)
        self.m.click(copy, COPY_ABORT)
        box, text = self.m.notice()
        self.assertEqual(text, "Are you sure you want to abort the install?")
        game = Path(self.m.unix_path(FOLDER), "Vorlex.exe")
        held = game.stat().st_size  # while the player is asked, the copy neither reads on nor writes
        self.assertFalse(fed.feed(1 << 20, 1), "the CD read on while the player was asked")
        self.assertEqual(game.stat().st_size, held)
        self.m.driver("post", box, 0x100, 13, 0)  # Enter: No, the drawn default, and the copy goes on
        self.assertTrue(fed.feed(8 << 20))
        self.assertTrue(wait_until(lambda: game.stat().st_size == 8 << 20, 30) and game.read_bytes() == fed.data,
                        "each chunk once, the one held too")
        os.rename(self.m.cd, self.m.cd + ".out")  # its folder goes, the file being read ends
        fed.close()
        self.m.find("Vorlex Install Error", "#32770", 30000)
        os.rename(self.m.cd + ".out", self.m.cd)  # and is put back
        self.clean_up("Error with file: data\\filesys.dat")
        self.assert_clean_after_restart(self.before)

    def test_abort_answered_yes(self):
        fed = self.options()
        copy = self.copy(fed, 3 << 20)
        self.m.keys_then_click(copy, COPY_ABORT)
        self.m.answer(self.m.notice()[0], 6)  # Yes
        fed.feed(65536), fed.close()  # the read in hand ends with a chunk, which is not written: no failure
        self.clean_up()
        self.assert_clean_after_restart(self.before)

    def test_setup_killed_in_its_start_and_in_its_copy(self):
        """Killed at its links (a pipe that takes no more), then mid-file: Install offered, Play refused; then the CD's."""
        fed = self.options()
        link = Path(self.m.unix_path(self.m.reg(SHELL_FOLDERS, "Common Programs")), "Halvane", "Vorlex - Play.lnk")
        link.parent.mkdir(), os.mkfifo(link)
        pipe = os.open(link, os.O_RDWR | os.O_NONBLOCK)
        with contextlib.suppress(BlockingIOError):
            while os.write(pipe, bytes(65536)):
                pass
        for step in ("start", "copy"):
            if step == "start":
                self.m.click(self.dialog, INSTALL_NOW)
                self.assertTrue(wait_until(lambda: (self.m.reg(VERSION_KEY, "Group") or "").endswith("Halvane")))
            else:
                self.copy(fed, 3 << 20)
            self.setup.send_signal(signal.SIGKILL)  # its window gone before the next start is looked for
            if step == "start":  # the link as the cut write leaves it (Wine deletes no pipe)
                os.close(pipe), link.unlink(), link.touch()
            self.setup, self.hwnd, self.origin = self.launcher()
            self.assert_buttons(self.origin, [INSTALL, PLAY, UNINSTALL, EXIT], why="an install that never finished")
            self.press(self.origin, PLAY)
            box, text = self.m.notice()
            self.assertEqual(text, "Vorlex was not installed completely.\n\nPlease install it again from the Vorlex CD, "
                                   "or uninstall it.")
            self.m.answer(box, 1)
            if step == "start":
                self.press(self.origin, INSTALL)
                self.dialog, _ = self.m.find("Vorlex Install Options")
        fed.close()
        self.install(self.origin)  # its folder proposed, the unfinished one removed first
        for source, name in (("vlx.exe", "Vorlex.exe"), ("filesys.dat", "filesys.dat")):
            self.assertTrue(filecmp.cmp(os.path.join(CD, "data", source), self.m.unix_path(FOLDER + "\\" + name), False))
        self.assert_buttons(self.origin, [PLAY, UNINSTALL, EXIT], [INSTALL])
        self.press(self.origin, UNINSTALL)
        self.uninstall_dialog()
        self.escape(self.setup, self.hwnd)
        self.assert_clean_after_restart(self.before)

if __name__ == "__main__":
    unittest.main(verbosity=2)
