"""Faults a player's machine meets during an install: the CD taken out, the disk full,
setup killed, no Programs folder, a small disk and a name outside the code page, and
an abort at random moments. Each ends with the machine equal to its snapshot from
before, after a restart; none may hang. The copy reads the file it is held on from a
pipe the test fills (FedCdFile)."""
import os
import random
import shutil
import signal
import subprocess
import tempfile
import threading
import unittest

from harness import EXIT, FOLDER, INSTALL, PLAY, REFUSED, UNINSTALL, UNINSTALL_KEY, VERSION_KEY, FedCdFile, \
    Scenarios, wait_until

ABORT, FOLDER_EDIT, INSTALL_NOW, FREE_SPACE, ERROR_TEXT, CLEAN_UP, BAR, COPY_ABORT = \
    1005, 1008, 1012, 1013, 1014, 1029, 1028, 1027
SHELL_FOLDERS = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"
REMOVED = "Vorlex has been removed from your computer.\n\nIt is now safe to attempt another install."


class Installs(Scenarios):
    def start_copy(self, fed_file, size=0, folder=None):
        """Launcher, Install, (another folder), Install Now: the copy dialog, held on a CD
        file put in place once the launcher has found the CD (a pipe does not pass for it)."""
        self.setup, self.hwnd, self.origin = self.launcher()
        self.assert_buttons(self.origin, lit=[INSTALL], dark=[PLAY])
        fed = FedCdFile(self.m, fed_file, size)
        self.addCleanup(fed.close)
        self.press(self.origin, INSTALL)
        self.options, _ = self.m.find("Vorlex Install Options")
        self.assertEqual(self.m.second_start(), REFUSED, "during the install options")
        if folder:
            self.m.driver("settext", self.options, FOLDER_EDIT, folder)
        self.m.click(self.options, INSTALL_NOW)
        self.copy, _ = self.m.find("Vorlex Installation")
        return fed

    def wait_for_progress(self):
        self.assertTrue(wait_until(lambda: int(self.m.driver("pos", self.copy, BAR)[0]) > 0, 20), "the bar moves")

    def clean_up(self, failure=None, screenshots=False):
        """The failure text, Clean Up, the removal's message, OK, Abort, Escape."""
        error, _ = self.m.find("Vorlex Install Error", "#32770", 30000)
        if failure:
            self.assertEqual(self.m.text(error, ERROR_TEXT), 'The following problem was detected:\n\n"%s"' % failure)
            self.assertEqual(self.m.second_start(), REFUSED, "during the failure message")
            if screenshots:
                self.m.screenshot("install-error", error)
            self.m.click(error, CLEAN_UP)
        self.assertTrue(wait_until(lambda: self.m.text(error, ERROR_TEXT) == REMOVED, 20))
        if screenshots:
            self.m.screenshot("clean-up-done", error)
        self.m.click(error, CLEAN_UP)
        self.assertTrue(self.m.gone(error))
        self.m.click(self.options, ABORT)
        self.assertTrue(self.m.gone(self.options))
        self.assertFalse(os.path.exists(self.m.unix_path(FOLDER)))
        self.assert_buttons(self.origin, lit=[INSTALL, EXIT], dark=[PLAY, UNINSTALL], why="nothing installed")
        self.escape(self.setup, self.hwnd)

    def small_disk(self, megabytes):
        """A small file system of its own (tmpfs): root mounts it, anyone else through a
        sudo that asks no password, else the scenario is skipped with the reason."""
        small = tempfile.mkdtemp(prefix="small.", dir=self.m.work)
        su = [] if os.geteuid() == 0 else ["sudo", "-n"]
        mounted = subprocess.run(su + ["mount", "-t", "tmpfs", "-o", "size=%dm,mode=0777" % megabytes, "tmpfs", small],
                                 stderr=subprocess.PIPE, text=True)
        if mounted.returncode != 0:
            self.skipTest("a small file system needs mount (root or sudo): " + mounted.stderr.strip())
        self.addCleanup(subprocess.run, su + ["umount", "-l", small])
        return small


class Faults(Installs):
    def setUp(self):
        self.before = self.m.snapshot()

    def test_cd_taken_out_during_the_copy(self):
        fed = self.start_copy("data\\vlx.exe", size=8 << 20)  # the first file, as large as a real game's
        self.assertTrue(fed.feed(4 << 20))
        self.wait_for_progress()
        self.m.screenshot("copy-progress", self.copy)
        self.assertEqual(self.m.second_start(), REFUSED, "during the copy")
        os.rename(self.m.cd, self.m.cd + ".out")  # its folder goes, the file being read ends
        fed.close()
        self.m.find("Vorlex Install Error", "#32770", 30000)
        os.rename(self.m.cd + ".out", self.m.cd)  # and is put back
        self.clean_up("Error with file: data\\filesys.dat", screenshots=True)
        self.assert_clean_after_restart(self.before)

    def test_disk_full_during_the_copy(self):
        small = self.small_disk(30)
        os.symlink(small, os.path.join(self.m.prefix, "dosdevices", "e:"))  # the player's fixed drive E:
        self.m.reg_add("HKLM\\Software\\Wine\\Drives", "e:", "hd")
        self.m.restart()
        self.before = self.m.snapshot()
        fed = self.start_copy("data\\filesys.dat", folder="E:\\Vorlex")
        self.assertTrue(fed.feed(2 << 20))
        self.wait_for_progress()
        with open(os.path.join(small, "filler"), "wb") as f:  # something else takes the rest
            try:
                while f.write(bytes(65536)):
                    f.flush()
            except OSError:
                pass
        fed.feed(len(fed.data), seconds=3)  # the copy stops taking it at the full disk
        self.clean_up("Error with file: data\\filesys.dat")
        os.remove(os.path.join(small, "filler"))
        self.assertEqual(os.listdir(small), [], "nothing of the install is left on E:")
        os.remove(os.path.join(self.m.prefix, "dosdevices", "e:"))
        self.m.wine("reg", "delete", "HKLM\\Software\\Wine\\Drives", "/v", "e:", "/f")
        self.assert_clean_after_restart(self.before)

    def test_free_space_of_a_disk_at_a_folder_and_a_name_outside_the_code_page(self):
        small = self.small_disk(20)
        os.symlink(small, os.path.join(self.m.prefix, "drive_c", "Small"))  # C:\Small is another disk
        setup, hwnd, origin = self.launcher()
        self.press(origin, INSTALL)
        options, _ = self.m.find("Vorlex Install Options")
        self.m.driver("settext", options, FOLDER_EDIT, "C:\\Small\\Vorlex")
        free = os.statvfs(small).f_bavail * os.statvfs(small).f_frsize >> 20
        self.assertEqual(self.m.text(options, FREE_SPACE),
                         "The game requires 25Mb of disk space.\nThere is currently %dMb free on drive C." % free)
        self.m.click(options, INSTALL_NOW)
        box, text = self.m.notice()
        self.assertIn("does not have enough free space", text)
        self.m.driver("click", box, 7)  # No: nothing happens
        # A name the code page lacks reaches the program as '?': refused at once.
        self.m.driver("settext", options, FOLDER_EDIT, "C:\\\u904a\u6232\\Vorlex")
        self.assertEqual(self.m.text(options, FREE_SPACE), "Please specify a hard disk and folder name")
        self.assertEqual(self.m.driver("enabled", options, INSTALL_NOW)[0], "0")
        self.m.click(options, ABORT)
        self.assertTrue(self.m.gone(options))
        self.escape(setup, hwnd)
        self.assertEqual(os.listdir(small), [], "nothing was installed")
        os.remove(os.path.join(self.m.prefix, "drive_c", "Small"))

    def test_setup_killed_during_the_copy_then_uninstalled(self):
        fed = self.start_copy("data\\filesys.dat")
        self.assertTrue(fed.feed(3 << 20))
        self.wait_for_progress()
        self.setup.send_signal(signal.SIGKILL)
        self.assertTrue(self.m.gone(self.hwnd), "setup is gone")
        fed.close()
        self.assertTrue(os.path.exists(os.path.join(self.m.unix_path(FOLDER), "filesys.dat")), "the copy had begun")
        # Started again: the record was written before the copy, so Uninstall is offered.
        setup, hwnd, origin = self.launcher()
        self.assert_buttons(origin, lit=[PLAY, UNINSTALL, EXIT], dark=[INSTALL])
        self.press(origin, UNINSTALL)
        self.uninstall_dialog()
        self.assertFalse(os.path.exists(self.m.unix_path(FOLDER)), "the partial files went too")
        self.assert_buttons(origin, lit=[INSTALL, EXIT], dark=[PLAY, UNINSTALL])
        self.escape(setup, hwnd)
        self.assert_clean_after_restart(self.before)

    def test_no_programs_folder_in_the_registry(self):
        saved = []
        for hive, name in [("HKCU", "Programs"), ("HKLM", "Common Programs")]:
            saved.append((hive + "\\" + SHELL_FOLDERS, name, self.m.reg(hive + "\\" + SHELL_FOLDERS, name)))
            self.m.wine("reg", "delete", hive + "\\" + SHELL_FOLDERS, "/v", name, "/f")
        self.setup, self.hwnd, self.origin = self.launcher()
        self.press(self.origin, INSTALL)
        self.options, _ = self.m.find("Vorlex Install Options")
        self.m.click(self.options, INSTALL_NOW)
        self.clean_up("Start menu error")
        for key, name, value in saved:
            self.m.reg_add(key, name, value)
        self.assert_clean_after_restart(self.before)


class AbortAtRandomMoments(Installs):
    def test_no_finishes_the_install_and_yes_cleans_up(self):
        """The seed is printed; VORLEX_SEED repeats a run."""
        seed = int(os.environ.get("VORLEX_SEED") or random.randrange(1 << 30))
        chance = random.Random(seed)
        answers = ["yes", "no"] + [chance.choice(["yes", "no"]) for _ in range(2)]
        chance.shuffle(answers)
        print("\nseed %d:" % seed, end=" ", flush=True)
        before = self.m.snapshot()
        for answer in answers:
            fed = self.start_copy("data\\filesys.dat")
            moment = chance.randrange(len(fed.data) - (4 << 20))
            print("%s@%d" % (answer, moment), end=" ", flush=True)
            self.assertTrue(fed.feed(moment))
            # The copy goes on slowly (5 MB/s) while the press reaches it: it stops at
            # its next safe point, which needs the chunk in hand to arrive.
            feeder = threading.Thread(target=fed.feed, args=(len(fed.data), 60, 0.0125))
            feeder.start()
            self.m.click(self.copy, COPY_ABORT)
            box, text = self.m.notice()
            self.assertEqual(text, "Are you sure you want to abort the install?")
            self.m.driver("click", box, 7 if answer == "no" else 6)
            if answer == "yes":
                # The question comes at once, also while the copy waits in a read, which
                # has to return before it can stop: the CD ends here.
                fed.stopped = True
            feeder.join()
            fed.close()
            if answer == "no":
                self.assertTrue(self.m.gone(self.options, 60000), "the install ran to its end")
                with open(os.path.join(self.m.unix_path(FOLDER), "filesys.dat"), "rb") as f:
                    self.assertTrue(f.read() == fed.data, "the archive arrived whole")
                self.press(self.origin, UNINSTALL)
                self.uninstall_dialog()
                self.escape(self.setup, self.hwnd)
            else:
                self.clean_up()
            # The server writes the registry files in its own time: between rounds the
            # keys are asked for, the whole registry is compared after the restart.
            self.assertEqual(sorted(self.m.snapshot()[0] ^ before[0]), [], "round %s@%d" % (answer, moment))
            self.assertIsNone(self.m.reg(VERSION_KEY) or self.m.reg(UNINSTALL_KEY))
        self.assert_clean_after_restart(before)


if __name__ == "__main__":
    unittest.main(verbosity=2)
