"""A clean Windows machine under Wine for the end-to-end tests.

Each Machine is a fresh copy of the run's template prefix with the demo CD mapped as
CD-ROM drive D:, its own Xvfb display and a persistent wineserver, so that the state
between two program runs can be looked at without restarting Windows. Everything is
ended and removed by close(), also when a test fails.
"""
import ctypes
import os
import shutil
import signal
import subprocess
import tempfile
import time

WINE_ENV = {
    "WINEARCH": "win32",
    "WINEDEBUG": "-all",
    "WINEDLLOVERRIDES": "mscoree,mshtml=;winemenubuilder.exe=d",
}

SCREEN_WIDTH, SCREEN_HEIGHT = 1024, 768
VK_RETURN = 13
VK_ESCAPE = 27


def _die_with_parent():
    """In the child: end with the test process, even when that is killed."""
    libc = ctypes.CDLL(None, use_errno=True)
    libc.prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG


class DriverError(Exception):
    pass


class Machine:
    def __init__(self, version=None, cd=None, dpi=None):
        self.template = os.environ["VORLEX_WINE_TEMPLATE"]
        root = os.environ.get("VORLEX_WINE_ROOT") or os.path.dirname(self.template)
        os.makedirs(root, exist_ok=True)
        self.work = tempfile.mkdtemp(prefix="e2e.", dir=root)
        self.prefix = os.path.join(self.work, "prefix")
        self.xvfb = None
        self.processes = []
        try:
            subprocess.run(["cp", "-a", self.template, self.prefix], check=True)
            self.env = dict(os.environ, WINEPREFIX=self.prefix, **WINE_ENV)
            self._start_xvfb()
            # The CD is a tree of links to the built one, so a test may add to it.
            self.cd = os.path.join(self.work, "cd")
            subprocess.run(["cp", "-rs", os.path.realpath(cd or os.environ["VORLEX_CD"]), self.cd], check=True)
            os.symlink(self.cd, os.path.join(self.prefix, "dosdevices", "d:"))
            self.wine("reg", "add", "HKLM\\Software\\Wine\\Drives", "/v", "d:", "/d", "cdrom", "/f")
            if version:
                self.wine("reg", "add", "HKCU\\Software\\Wine", "/v", "Version", "/d", version, "/f")
            if dpi:  # the display's scaling: 192 is 200 %
                self.wine("reg", "add", "HKCU\\Control Panel\\Desktop", "/v", "LogPixels", "/t", "REG_DWORD",
                          "/d", str(dpi), "/f")
            # The drive type is read when the server starts.
            self.restart_server()
        except BaseException:
            self.close()
            raise

    # -- set-up and tear-down -------------------------------------------------
    def _start_xvfb(self):
        read, write = os.pipe()
        self.xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", "%dx%dx24" % (SCREEN_WIDTH, SCREEN_HEIGHT), "-nolisten", "tcp", "-noreset"],
            pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            preexec_fn=_die_with_parent)
        os.close(write)
        with os.fdopen(read) as f:
            number = f.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not start")
        self.display = ":" + number
        self.env["DISPLAY"] = self.display

    def restart_server(self):
        """Ends every Windows process and starts a persistent server: a restart of Windows."""
        quiet = dict(stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-k"], env=self.env, **quiet)
        subprocess.run(["wineserver", "-w"], env=self.env, **quiet)
        # Persistent, but only for a while once idle: a test killed by its time-out
        # leaves no server behind for long.
        subprocess.run(["wineserver", "-p60"], env=self.env, check=True, **quiet)
        # Boot Windows now (services, desktop), not inside the first test's program.
        self.wine("reg", "query", "HKLM\\Software\\Wine\\Drives")

    def close(self):
        for p in self.processes:
            if p.poll() is None:
                p.kill()
        if os.path.isdir(self.prefix):
            subprocess.run(["wineserver", "-k"], env=getattr(self, "env", None), stderr=subprocess.DEVNULL)
            subprocess.run(["wineserver", "-w"], env=getattr(self, "env", None))
        for p in self.processes:
            try:
                p.wait(timeout=10)
            except subprocess.TimeoutExpired:
                pass
        if self.xvfb:
            self.xvfb.send_signal(signal.SIGTERM)
            self.xvfb.wait()
        shutil.rmtree(self.work, ignore_errors=True)

    # -- running programs -----------------------------------------------------
    def unix_path(self, windows_path):
        """C:\\x\\y -> the file in the prefix (C: only)."""
        assert windows_path[:3].upper() == "C:\\", windows_path
        return os.path.join(self.prefix, "drive_c", *windows_path[3:].split("\\"))

    def wine(self, *args, timeout=120, check=True):
        """Runs a Windows program to its end; returns (exit code, output lines).

        The output goes through a file, not a pipe: the first program after a boot
        starts Windows' services, which inherit its handles and would keep a pipe
        open long after the program itself has ended."""
        with tempfile.TemporaryFile(mode="w+", dir=self.work) as out:
            p = subprocess.Popen(["wine", *args], env=self.env, stdin=subprocess.DEVNULL,
                                 stdout=out, stderr=subprocess.DEVNULL)
            try:
                code = p.wait(timeout=timeout)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait()
                raise
            out.seek(0)
            lines = [line.rstrip("\r\n") for line in out]
        if check and code != 0:
            raise DriverError("wine %s: exit %d: %s" % (" ".join(map(str, args)), code, " | ".join(lines)))
        return code, lines

    def start(self, *args, cwd="C:\\windows"):
        """Starts a Windows program, as a player or autorun would; returns the Popen."""
        p = subprocess.Popen(["wine", *args], env=self.env, cwd=self.unix_path(cwd),
                             stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.processes.append(p)
        return p

    def driver(self, *args, timeout=60):
        """Runs vxdriver.exe commands; returns its output lines."""
        return self.wine(os.environ["VORLEX_DRIVER"], *map(str, args), timeout=timeout)[1]

    def text(self, hwnd, control_id=0):
        """The whole text of a window or of one of its controls, lines joined."""
        return "\n".join(self.driver("text", hwnd, control_id))

    def find_window(self, caption="*", window_class="#32770", pid=0, timeout_ms=15000):
        """(hwnd, pid) of a visible top-level window."""
        hwnd, found_pid = self.driver("find", caption, window_class, pid, timeout_ms)[0].split()
        return int(hwnd), int(found_pid)

    def reg_query(self, key, value=None):
        """(found, output lines) of reg query."""
        code, lines = self.wine("reg", "query", key, *(["/v", value] if value else []), check=False)
        return code == 0, lines

    def xdotool(self, *args):
        """The real mouse and keyboard of this machine's display."""
        subprocess.run(["xdotool", *map(str, args)], env=self.env, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def click(self, hwnd, control_id):
        """Clicks a dialog's control with the real mouse, in its middle."""
        x, y, w, h = (int(v) for v in self.driver("rect", hwnd, control_id)[0].split())
        self.xdotool("mousemove", x + w // 2, y + h // 2)
        self.xdotool("click", 1)

    def grab(self):
        """The screen as it is now: a Screen of exact RGB pixels.

        Read with ImageMagick's import. xwd -root is not used: here it showed the
        dialogs the launcher owns black, while import and xwd of the dialog's own
        window show them drawn."""
        data = subprocess.run(["import", "-display", self.display, "-window", "root", "-depth", "8", "rgb:-"],
                              check=True, stdout=subprocess.PIPE).stdout
        return Screen(data, SCREEN_WIDTH, SCREEN_HEIGHT)

    def screenshot_of(self, hwnd, name):
        """A screenshot once the window shows more than the black of a window not yet painted."""
        x, y, w, h = (int(v) for v in self.driver("client", hwnd)[0].split())
        points = [(x + w * i // 4, y + h * j // 4) for i in (1, 2, 3) for j in (1, 2, 3)]
        if not wait_until(lambda: any(self.grab().pixel(px, py) != (0, 0, 0) for px, py in points), 5):
            raise AssertionError("window %d stayed black on the screen" % hwnd)
        return self.screenshot(name)

    def screenshot(self, name):
        """Saves the screen as a PNG test artefact and returns its path."""
        folder = os.environ.get("VORLEX_ARTIFACTS") or self.work
        os.makedirs(folder, exist_ok=True)
        png = os.path.join(folder, name + ".png")
        subprocess.run(["import", "-display", self.display, "-window", "root", png], check=True)
        return png


class Screen:
    """A captured screen: packed 8-bit RGB, read pixel by pixel."""

    def __init__(self, data, width, height):
        assert len(data) == width * height * 3, (len(data), width, height)
        self.width, self.height, self.data = width, height, data

    def pixel(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])


def wait_until(condition, seconds=10, interval=0.02):
    """Polls condition until it holds; its last value (falsy when time ran out)."""
    deadline = time.monotonic() + seconds
    while True:
        value = condition()
        if value or time.monotonic() > deadline:
            return value
        time.sleep(interval)


def wait_exit(process, seconds=20):
    """The exit code of a started program, or None when it is still running."""
    try:
        return process.wait(timeout=seconds)
    except subprocess.TimeoutExpired:
        return None
