"""Faults a player's machine meets during an install: the CD taken out, the disk full,
setup killed, the game still running during an uninstall. Each ends with the machine
either fully installed or, after a restart, equal to its snapshot from before; none may
hang. The copy reads its file from a pipe this test fills, so it can be held at any
point (FedCdFile)."""
import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import wait_exit, wait_until  # noqa: E402
from player import (EXIT, FOLDER, INSTALL, PLAY, UNINSTALL, UNINSTALL_KEY, VERSION_KEY, FedCdFile,  # noqa: E402
                    Player, file_snapshot, registry_snapshot)

OPTIONS_ABORT, OPTIONS_FOLDER, INSTALL_NOW, FREE_SPACE = 1005, 1008, 1012, 1013
ERROR_TEXT, CLEAN_UP, PROGRESS_BAR, COPY_ABORT = 1014, 1029, 1028, 1027
SHELL_FOLDERS = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"
REMOVED = "Vorlex has been removed from your computer.\n\nIt is now safe to attempt another install."


class Installs(Player):
    """The steps of an install held or broken at some point of its copy."""

    def snapshots(self):
        return file_snapshot(self.m), registry_snapshot(self.m)

    def start_copy(self, fed_file, folder=None, size=0):
        """Launcher, Install, (another folder typed in), Install Now: the copy dialog.
        The CD file the test feeds is put in place once the launcher has found the CD
        (a pipe does not pass for the file it stands for)."""
        setup, hwnd, origin = self.launcher()
        self.assertTrue(self.wait_states(origin, lit=[INSTALL], dark=[PLAY]))
        fed = FedCdFile(self.m, fed_file, size)
        self.addCleanup(fed.close)
        self.press(origin, INSTALL)
        options, _ = self.m.find_window(caption="Vorlex Install Options")
        self.second_start_is_refused("the install options")
        if folder:
            self.m.click(options, OPTIONS_FOLDER)
            self.m.xdotool("key", "ctrl+a")
            self.m.xdotool("type", "--delay", "20", folder)
            self.assertTrue(wait_until(lambda: self.m.driver("text", options, OPTIONS_FOLDER)[0] == folder, 5))
        self.m.click(options, INSTALL_NOW)
        copy, _ = self.m.find_window(caption="Vorlex Installation")
        return fed, setup, hwnd, origin, options, copy

    def wait_for_progress(self, copy):
        self.assertTrue(wait_until(lambda: int(self.m.driver("pos", copy, PROGRESS_BAR)[0]) > 0, 20),
                        "the bar moves with what the copy was given")

    def clean_up(self, options, failure, screenshots=False):
        """The failure text, Clean Up, the removal's message, OK; the options dialog
        stays for another try and is closed."""
        error, _ = self.m.find_window(caption="Vorlex Install Error", timeout_ms=30000)
        self.assertEqual(self.m.text(error, ERROR_TEXT), 'The following problem was detected:\n\n"%s"' % failure)
        if screenshots:
            self.m.screenshot_of(error, "install-error")
        self.m.click(error, CLEAN_UP)
        self.assertTrue(wait_until(lambda: self.m.text(error, ERROR_TEXT) == REMOVED, 20))
        if screenshots:
            self.m.screenshot_of(error, "clean-up-done")
        self.m.click(error, CLEAN_UP)
        self.assertEqual(self.m.driver("gone", error, 15000)[0], "1")
        self.m.click(options, OPTIONS_ABORT)
        self.assertEqual(self.m.driver("gone", options, 15000)[0], "1")

    def exit_launcher(self, setup, hwnd):
        self.m.driver("key", hwnd, 27)
        self.assertIsNotNone(wait_exit(setup))


class Faults(Installs):
    def test_the_cd_disappears_during_the_copy(self):
        self.start()
        files, keys = self.snapshots()
        # The first file the copy takes, as large as a real game's program.
        fed, setup, hwnd, origin, options, copy = self.start_copy("data\\vlx.exe", size=8 << 20)
        self.assertTrue(fed.feed(4 << 20))
        self.wait_for_progress(copy)
        self.m.screenshot_of(copy, "copy-progress")
        self.second_start_is_refused("the copy")
        # The player takes the CD out: its folder goes, the file being read ends.
        os.rename(self.m.cd, self.m.cd + ".out")
        fed.close()
        error, _ = self.m.find_window(caption="Vorlex Install Error", timeout_ms=30000)
        os.rename(self.m.cd + ".out", self.m.cd)  # and puts it back
        self.second_start_is_refused("the failure message")
        self.clean_up(options, "Error with file: data\\filesys.dat", screenshots=True)
        self.assertFalse(os.path.exists(self.m.unix_path(FOLDER)))
        self.assertTrue(self.wait_states(origin, lit=[INSTALL, EXIT], dark=[PLAY, UNINSTALL]))
        self.exit_launcher(setup, hwnd)
        self.after_restart_nothing_is_left(files, keys)
        self.checked("CD out mid-copy: the failure text, clean-up, machine as before after a restart")

    def small_disk(self, megabytes):
        """A small file system of its own (a tmpfs), gone after the test. Root mounts it;
        anyone else through sudo when that asks no password, else the test is skipped."""
        small = tempfile.mkdtemp(prefix="small.", dir=os.environ.get("VORLEX_WINE_ROOT"))
        self.addCleanup(shutil.rmtree, small, True)
        su = [] if os.geteuid() == 0 else ["sudo", "-n"]
        mounted = subprocess.run(su + ["mount", "-t", "tmpfs", "-o", "size=%dm,mode=0777" % megabytes, "tmpfs", small],
                                 stderr=subprocess.PIPE, text=True)
        if mounted.returncode != 0:
            self.skipTest("a small file system needs mount (root or sudo): " + mounted.stderr.strip())
        self.addCleanup(subprocess.run, su + ["umount", "-l", small])
        return small

    def test_the_disk_fills_up_during_the_copy(self):
        small = self.small_disk(30)
        self.start()
        # The small file system is the player's fixed drive E:.
        os.symlink(small, os.path.join(self.m.prefix, "dosdevices", "e:"))
        self.m.wine("reg", "add", "HKLM\\Software\\Wine\\Drives", "/v", "e:", "/d", "hd", "/f")
        self.m.restart_server()
        files, keys = self.snapshots()
        fed, setup, hwnd, origin, options, copy = self.start_copy("data\\filesys.dat", folder="E:\\Vorlex")
        self.assertTrue(fed.feed(2 << 20))
        self.wait_for_progress(copy)
        # Something else takes the rest of the drive.
        with open(os.path.join(small, "filler"), "wb") as f:
            try:
                while True:
                    f.write(b"\0" * 65536)
                    f.flush()
            except OSError:
                pass
        fed.feed(len(fed.data), seconds=3)  # the copy stops taking it at the full disk
        self.clean_up(options, "Error with file: data\\filesys.dat")
        os.remove(os.path.join(small, "filler"))
        self.assertEqual(os.listdir(small), [], "nothing of the install is left on E:")
        self.exit_launcher(setup, hwnd)
        self.after_restart_nothing_is_left(files, keys)
        self.checked("disk full mid-copy: the failure text, clean-up, E: empty, machine as before after a restart")

    def test_a_disk_mounted_at_a_folder_and_a_name_outside_the_code_page(self):
        small = self.small_disk(20)
        self.start()
        os.symlink(small, os.path.join(self.m.prefix, "drive_c", "Small"))  # C:\Small is another disk
        setup, hwnd, origin = self.launcher()
        self.press(origin, INSTALL)
        options, _ = self.m.find_window(caption="Vorlex Install Options")
        self.m.driver("settext", options, 1008, "C:\\Small\\Vorlex")
        stats = os.statvfs(small)
        free = stats.f_bavail * stats.f_frsize >> 20
        self.assertEqual(self.m.text(options, 1013),
                         "The game requires 25Mb of disk space.\nThere is currently %dMb free on drive C." % free)
        self.m.click(options, INSTALL_NOW)
        box = self.m.driver("notice", 0, 15000)[0]
        self.assertIn("does not have enough free space", self.m.text(box, 0xFFFF))
        self.m.driver("click", box, 7)  # No: nothing happens
        # A name the code page lacks reaches the program as '?': refused at once.
        self.m.driver("settext", options, 1008, "C:\\\u904a\u6232\\Vorlex")
        self.assertEqual(self.m.text(options, 1013), "Please specify a hard disk and folder name")
        self.assertEqual(self.m.driver("enabled", options, INSTALL_NOW)[0], "0")
        self.m.click(options, OPTIONS_ABORT)
        self.exit_launcher(setup, hwnd)
        self.assertEqual(os.listdir(small), [], "nothing was installed")
        self.checked("a 20 MB disk at C:\\Small: its own free space and the question; a name outside the code page refused")

    def test_setup_killed_during_the_copy_then_uninstalled(self):
        self.start()
        files, keys = self.snapshots()
        fed, setup, hwnd, origin, options, copy = self.start_copy("data\\filesys.dat")
        self.assertTrue(fed.feed(3 << 20))
        self.wait_for_progress(copy)
        setup.send_signal(signal.SIGKILL)
        self.assertEqual(self.m.driver("gone", hwnd, 15000)[0], "1", "setup is gone")
        fed.close()
        partial = os.path.join(self.m.unix_path(FOLDER), "filesys.dat")
        self.assertTrue(os.path.exists(partial), "the copy had begun")
        # Started again: the record was written before the copy, so Uninstall is offered.
        setup, hwnd, origin = self.launcher()
        self.assertTrue(self.wait_states(origin, lit=[PLAY, UNINSTALL, EXIT], dark=[INSTALL]))
        self.uninstall_through_launcher(origin)
        self.assertFalse(os.path.exists(self.m.unix_path(FOLDER)), "the partial files went too")
        self.assertTrue(self.wait_states(origin, lit=[INSTALL, EXIT], dark=[PLAY, UNINSTALL]))
        self.exit_launcher(setup, hwnd)
        self.after_restart_nothing_is_left(files, keys)
        self.checked("killed mid-copy: Uninstall offered, partial files removed, machine as before after a restart")

    def test_the_game_running_during_uninstall(self):
        self.start("win10")
        files, keys = self.snapshots()
        setup, hwnd, origin = self.launcher()
        self.install_through_launcher(origin)
        self.assertTrue(self.wait_states(origin, lit=[PLAY, UNINSTALL], dark=[INSTALL]))
        self.press(origin, PLAY)
        self.m.find_window(caption="Vorlex", window_class="VorlexDemoGame")
        self.assertIsNotNone(wait_exit(setup))
        folder = self.m.unix_path(FOLDER)
        os.remove(os.path.join(folder, "vlxstart.txt"))  # the demo game's note, not the install's

        setup, hwnd, origin = self.launcher()
        self.press(origin, UNINSTALL)
        dialog, _ = self.m.find_window(caption="Vorlex Uninstall")
        self.m.click(dialog, 1016)
        box = self.m.driver("notice", 0, 30000)[0]  # no hang on the files in use: told once
        self.assertEqual(self.m.text(box, 0xFFFF),
                         "Some files of Vorlex are in use and will be removed when Windows restarts.")
        self.m.driver("click", box, 1)
        self.m.click(dialog, 1023)
        self.assertEqual(self.m.driver("gone", dialog, 15000)[0], "1")
        # The running game and the archive it holds open wait for the restart; the rest goes now.
        self.assertEqual(sorted(os.listdir(folder)), ["Vorlex.exe", "filesys.dat"])
        self.assertFalse(self.m.reg_query(VERSION_KEY)[0])
        self.assertTrue(self.wait_states(origin, lit=[INSTALL, EXIT], dark=[PLAY, UNINSTALL]))
        self.exit_launcher(setup, hwnd)
        self.after_restart_nothing_is_left(files, keys)  # the restart ends the game too
        self.checked("game running (win10): told once, the files in use and the folder gone at the restart")


    def test_read_only_files_and_a_saved_game_at_uninstall(self):
        self.start()
        files, keys = self.snapshots()
        setup, hwnd, origin = self.launcher()
        self.install_through_launcher(origin)
        self.assertTrue(self.wait_states(origin, lit=[PLAY, UNINSTALL], dark=[INSTALL]))
        folder = self.m.unix_path(FOLDER)
        open(os.path.join(folder, "scrngrab.bmp"), "wb").close()  # as the game leaves one
        for name in ("Vorlex.exe", "filesys.dat", "scrngrab.bmp"):
            self.m.wine("attrib", "+r", FOLDER + "\\" + name)
            self.assertEqual(os.stat(os.path.join(folder, name)).st_mode & 0o222, 0, name + " is read-only")
        with open(os.path.join(folder, "save1.sav"), "wb") as f:
            f.write(b"the player's game")
        self.uninstall_through_launcher(origin)
        self.assertEqual(os.listdir(folder), ["save1.sav"], "the named files went, read-only or not")
        with open(os.path.join(folder, "save1.sav"), "rb") as f:
            self.assertEqual(f.read(), b"the player's game")
        self.assertFalse(self.m.reg_query(VERSION_KEY)[0] or self.m.reg_query(UNINSTALL_KEY)[0])
        self.exit_launcher(setup, hwnd)
        shutil.rmtree(folder)  # the player's own, removed by the player
        self.after_restart_nothing_is_left(files, keys)
        self.checked("read-only files removed; the saved game and its folder kept; the rest as before")

    def test_no_programs_folder_in_the_registry(self):
        self.start()
        self.m.wine("reg", "delete", SHELL_FOLDERS, "/v", "Programs", "/f")
        self.m.wine("reg", "delete", SHELL_FOLDERS.replace("HKCU", "HKLM"), "/v", "Common Programs", "/f")
        files, keys = self.snapshots()
        setup, hwnd, origin = self.launcher()
        self.press(origin, INSTALL)
        options, _ = self.m.find_window(caption="Vorlex Install Options")
        self.m.click(options, INSTALL_NOW)
        self.clean_up(options, "Start menu error")
        self.assertFalse(os.path.exists(self.m.unix_path(FOLDER)))
        self.assertTrue(self.wait_states(origin, lit=[INSTALL, EXIT], dark=[PLAY, UNINSTALL]))
        self.exit_launcher(setup, hwnd)
        self.after_restart_nothing_is_left(files, keys)
        self.checked("no Programs folder, the player's or every account's: \"Start menu error\", clean-up, machine as before after a restart")

class AbortAtRandomMoments(Installs):
    ROUNDS = 20

    def test_no_finishes_the_install_and_yes_cleans_up(self):
        """Abort at random points of the copy: No lets it run to the end, Yes leaves the
        machine exactly as before. The seed is printed; VORLEX_SEED repeats a run."""
        seed = int(os.environ.get("VORLEX_SEED") or random.randrange(1 << 30))
        print("\nseed %d:" % seed, end=" ", flush=True)
        chance = random.Random(seed)
        self.start()
        files, keys = self.snapshots()
        setup, hwnd, origin = self.launcher()
        self.assertTrue(self.wait_states(origin, lit=[INSTALL], dark=[PLAY]))
        answers = ["yes"] * (self.ROUNDS // 2) + ["no"] * (self.ROUNDS - self.ROUNDS // 2)
        chance.shuffle(answers)
        for answer in answers:
            fed = FedCdFile(self.m, "data\\filesys.dat")
            self.addCleanup(fed.close)
            moment = chance.randrange(len(fed.data) - (4 << 20))
            print("%s@%d" % (answer, moment), end=" ", flush=True)
            self.press(origin, INSTALL)
            options, _ = self.m.find_window(caption="Vorlex Install Options")
            self.m.click(options, INSTALL_NOW)
            copy, _ = self.m.find_window(caption="Vorlex Installation")
            self.assertTrue(fed.feed(moment))
            # The copy goes on slowly (5 MB/s) while the press reaches it: it stops at
            # its next safe point, which needs the chunk in hand to arrive.
            feeder = threading.Thread(target=fed.feed, args=(len(fed.data), 60, 0.0125))
            feeder.start()
            self.m.click(copy, COPY_ABORT)
            box = self.m.driver("notice", 0, 15000)[0]
            self.assertEqual(self.m.text(box, 0xFFFF), "Are you sure you want to abort the install?")
            if answer == "no":
                self.m.driver("click", box, 7)
                feeder.join()
                fed.close()
                self.assertEqual(self.m.driver("gone", options, 60000)[0], "1", "the install ran to its end")
                with open(os.path.join(self.m.unix_path(FOLDER), "filesys.dat"), "rb") as f:
                    self.assertTrue(f.read() == fed.data, "the archive arrived whole")
                self.uninstall_through_launcher(origin)
            else:
                self.m.driver("click", box, 6)
                fed.stop()
                feeder.join()
                # The question comes at once, also while the worker waits in a read: that
                # read has to return before the copy can stop. The CD ends here.
                fed.close()
                error, _ = self.m.find_window(caption="Vorlex Install Error")
                self.assertTrue(wait_until(lambda: self.m.text(error, ERROR_TEXT) == REMOVED, 20))
                self.m.click(error, CLEAN_UP)
                self.assertEqual(self.m.driver("gone", error, 15000)[0], "1")
                self.m.click(options, OPTIONS_ABORT)
                self.assertEqual(self.m.driver("gone", options, 15000)[0], "1")
            # The registry files are written by the server in its own time: between rounds
            # the keys are asked for, the whole registry is compared after the restart.
            self.assertEqual(sorted(file_snapshot(self.m) ^ files), [], "round %s@%d" % (answer, moment))
            self.assertFalse(self.m.reg_query(VERSION_KEY)[0] or self.m.reg_query(UNINSTALL_KEY)[0])
        self.exit_launcher(setup, hwnd)
        self.after_restart_nothing_is_left(files, keys)
        print("all as before", flush=True)


if __name__ == "__main__":
    unittest.main(verbosity=2)
