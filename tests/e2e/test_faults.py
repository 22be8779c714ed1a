"""Faults met during an install: the CD taken out, a small disk that fills up, setup
killed, an abort at a random moment. Each ends, with no hang, in a
machine equal to its snapshot from before once Windows restarted."""
import os
import random
import signal
import subprocess
import tempfile
import threading
import unittest

from harness import EXIT, FOLDER, INSTALL, PLAY, UNINSTALL, FedCdFile, Scenarios, wait_until

ABORT, FOLDER_EDIT, INSTALL_NOW, FREE_SPACE, ERROR_TEXT, CLEAN_UP = 1005, 1008, 1012, 1013, 1014, 1029
REMOVED = "Vorlex has been removed from your computer.\n\nIt is now safe to attempt another install."


class Installs(Scenarios):
    def setUp(self):
        self.before = self.m.snapshot()

    def options(self, fed_file="data\\filesys.dat", size=0):
        """Launcher, Install: the options. The fed file once the launcher found the CD there."""
        self.setup, self.hwnd, self.origin = self.launcher()
        self.assert_buttons(self.origin, [INSTALL], [PLAY])
        fed = FedCdFile(self.m, fed_file, size)
        self.addCleanup(fed.close)
        self.press(self.origin, INSTALL)
        self.dialog, _ = self.m.find("Vorlex Install Options")
        self.assertEqual(self.m.second_start(), 0, "refused during the install options")
        return fed

    def copy(self, fed, count):
        """Install Now, the copy given count bytes of the fed file: the copy dialog."""
        self.m.click(self.dialog, INSTALL_NOW)
        copy, _ = self.m.find("Vorlex Installation")
        self.assertTrue(fed.feed(count))
        self.assertTrue(wait_until(lambda: int(self.m.driver("pos", copy, 1028)[0]) > 0, 20), "the bar moves")
        return copy

    def clean_up(self, failure=None):
        """The failure text, Clean Up, the removal's message, OK, Abort: nothing installed."""
        error, _ = self.m.find("Vorlex Install Error", "#32770", 30000)
        if failure:
            self.assertEqual(self.m.text(error, ERROR_TEXT), 'The following problem was detected:\n\n"%s"' % failure)
            self.assertEqual(self.m.second_start(), 0, "refused during the failure message")
            self.m.screenshot("install-error", error)
            self.m.click(error, CLEAN_UP)
        self.assertTrue(wait_until(lambda: self.m.text(error, ERROR_TEXT) == REMOVED, 20))
        self.m.screenshot("clean-up-done", error)
        self.m.click(error, CLEAN_UP)
        self.assertTrue(self.m.gone(error))
        self.assertFalse(os.path.exists(self.m.unix_path(FOLDER)))
        self.m.click(self.dialog, ABORT)
        self.assertTrue(self.m.gone(self.dialog))
        self.assert_buttons(self.origin, [INSTALL, EXIT], [PLAY, UNINSTALL], why="nothing installed")
        self.escape(self.setup, self.hwnd)


class Faults(Installs):
    def test_cd_taken_out_during_the_copy(self):
        fed = self.options("data\\vlx.exe", size=8 << 20)  # the first file, as large as a real game's
        self.m.screenshot("copy-progress", self.copy(fed, 4 << 20))
        self.assertEqual(self.m.second_start(), 0, "refused during the copy")
        os.rename(self.m.cd, self.m.cd + ".out")  # its folder goes, the file being read ends
        fed.close()
        self.m.find("Vorlex Install Error", "#32770", 30000)
        os.rename(self.m.cd + ".out", self.m.cd)  # and is put back
        self.clean_up("Error with file: data\\filesys.dat")
        self.assert_clean_after_restart(self.before)

    def test_small_disk_at_a_folder_fills_up_and_a_name_outside_the_code_page(self):
        small = tempfile.mkdtemp(prefix="small.", dir=self.m.work)
        su = [] if os.geteuid() == 0 else ["sudo", "-n"]
        mount = subprocess.run(su + ["mount", "-t", "tmpfs", "-o", "size=20m,mode=0777", "tmpfs", small],
                               stderr=subprocess.PIPE, text=True)
        if mount.returncode != 0:
            self.skipTest("a small file system needs mount as root or through sudo: " + mount.stderr.strip())
        self.addCleanup(subprocess.run, su + ["umount", "-l", small])
        os.symlink(small, self.m.unix_path("C:\\Small"))  # another disk, 20 MB, mounted at C:\Small
        self.addCleanup(os.remove, self.m.unix_path("C:\\Small"))
        self.options().close()  # the CD's own file
        # A name the code page lacks reaches the program as '?': refused at once.
        self.m.driver("settext", self.dialog, FOLDER_EDIT, "C:\\\u904a\u6232\\Vorlex")
        self.assertEqual(self.m.text(self.dialog, FREE_SPACE), "Please specify a hard disk and folder name")
        self.assertEqual(self.m.driver("enabled", self.dialog, INSTALL_NOW)[0], "0")
        self.m.driver("settext", self.dialog, FOLDER_EDIT, "C:\\Small\\Vorlex")
        free = os.statvfs(small).f_bavail * os.statvfs(small).f_frsize >> 20
        self.assertEqual(self.m.text(self.dialog, FREE_SPACE),
                         "The game requires 25Mb of disk space.\nThere is currently %dMb free on drive C." % free)
        self.m.click(self.dialog, INSTALL_NOW)
        box, text = self.m.notice()
        self.assertIn("does not have enough free space", text)
        self.m.driver("click", box, 6)  # Yes, try anyway: the archive (26 MB) fills the disk
        self.clean_up("Error with file: data\\filesys.dat")
        self.assertEqual(os.listdir(small), [], "nothing of the install is left on the small disk")
        self.assert_clean_after_restart(self.before)

    def test_setup_killed_during_the_copy_then_uninstalled(self):
        fed = self.options()
        self.copy(fed, 3 << 20)
        self.setup.send_signal(signal.SIGKILL)
        self.assertTrue(self.m.gone(self.hwnd), "setup is gone")
        fed.close()
        self.assertTrue(os.path.exists(os.path.join(self.m.unix_path(FOLDER), "filesys.dat")), "the copy had begun")
        setup, hwnd, origin = self.launcher()
        # The record was written before the copy, so Uninstall is offered; it takes the partial files.
        self.assert_buttons(origin, [PLAY, UNINSTALL, EXIT], [INSTALL])
        self.press(origin, UNINSTALL)
        self.uninstall_dialog()
        self.assertFalse(os.path.exists(self.m.unix_path(FOLDER)))
        self.assert_buttons(origin, [INSTALL, EXIT], [PLAY, UNINSTALL])
        self.escape(setup, hwnd)
        self.assert_clean_after_restart(self.before)

class Abort(Installs):
    def test_no_goes_on_and_yes_cleans_up(self):
        """Abort at a random moment of the copy, which goes on slowly meanwhile (1.3 MB/s):
        No lets it go on; Yes stops it at its next safe point and the clean-up follows."""
        seed = int(os.environ.get("VORLEX_SEED") or random.randrange(1 << 30))  # VORLEX_SEED repeats a run
        print("\nseed %d" % seed, end=" ", flush=True)
        fed = self.options()
        copy = self.copy(fed, random.Random(seed).randrange(1 << 20, 16 << 20))
        feeder = threading.Thread(target=fed.feed, args=(len(fed.data), 60, 0.05))
        feeder.start()
        for answer in (7, 6):  # No, then Yes
            self.m.click(copy, 1027)
            box, text = self.m.notice()
            self.assertEqual(text, "Are you sure you want to abort the install?")
            sent = fed.sent
            self.m.driver("click", box, answer)
            if answer == 7:  # more than the pipe holds: the copy reads again
                self.assertTrue(wait_until(lambda: fed.sent > sent + 65536, 10), "the copy went on after No")
        fed.stopped = True  # the read in hand returns once the CD file ends
        feeder.join()
        fed.close()
        self.clean_up()
        self.assert_clean_after_restart(self.before)


if __name__ == "__main__":
    unittest.main(verbosity=2)
