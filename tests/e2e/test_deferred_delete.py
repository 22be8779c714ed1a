"""A file in use (a running program's executable) is deleted at the next start of
Windows: through WININIT.INI when Wine reports Windows 95, through MoveFileExA (Wine's
PendingFileRenameOperations) on NT. Both routes are proven with a real restart."""
import os
import shutil
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from harness import Machine  # noqa: E402

COPY = "C:\\windows\\N0000BEEF-Vorlex-Setup.exe"
SESSION_MANAGER = "HKLM\\System\\CurrentControlSet\\Control\\Session Manager"


class FileInUse(unittest.TestCase):
    def schedule(self, version):
        """A running copy of a program in the Windows directory, then its deferred deletion."""
        self.m = Machine(version=version)
        self.addCleanup(self.m.close)
        self.target = self.m.unix_path(COPY)
        shutil.copy(os.path.join(os.environ["VORLEX_CD"], "data", "vlx.exe"), self.target)
        self.m.start(COPY)
        self.m.find_window(caption="Vorlex", window_class="VorlexDemoGame")
        out = self.m.wine(os.environ["VORLEX_DELETE_TOOL"], COPY)[1][0]
        result, short = out.split(" ", 1)
        self.assertEqual(result, "result=1", "not deleted now, put off to the next start")
        self.assertTrue(os.path.exists(self.target), "still there while it runs")
        self.ini = self.m.unix_path("C:\\windows\\WININIT.INI")
        return short[len("short="):]

    def restart_windows(self):
        # The shutdown ends every program; the next start of Windows does the deletions.
        self.m.restart_server()
        self.m.wine("wineboot", "-r")

    def test_windows_95_route_through_wininit_ini(self):
        short = self.schedule("win95")
        self.assertTrue(short and "~" in short, short)
        with open(self.ini, "rb") as f:
            self.assertEqual(f.read(), b"[Rename]\r\nNUL=" + short.encode() + b"\r\n")
        found, lines = self.m.reg_query(SESSION_MANAGER, "PendingFileRenameOperations")
        self.assertFalse(found, "no MoveFileExA on Windows 95")
        self.restart_windows()
        self.assertFalse(os.path.exists(self.target), "gone after Windows restarted")

    def test_nt_route_through_a_pending_deletion(self):
        self.schedule("win7")
        self.assertFalse(os.path.exists(self.ini), "WININIT.INI untouched on NT")
        found, lines = self.m.reg_query(SESSION_MANAGER, "PendingFileRenameOperations")
        self.assertTrue(found)
        self.assertIn("N0000BEEF-Vorlex-Setup.exe".lower(), " ".join(lines).lower())
        self.restart_windows()
        self.assertFalse(os.path.exists(self.target), "gone after Windows restarted")


if __name__ == "__main__":
    unittest.main(verbosity=2)
