"""Drives the real program under a virtual screen with real input events.

The program runs under Xvfb (no window manager) with a private print
scheduler; everything it gets is an X event made by xdotool (key presses,
mouse moves and clicks into its real windows), and everything checked is
what a person would see: window titles and sizes, the colours of regions of
the screen, the text a person can select and copy, printed PDFs and files.
"""

import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
TOOLS = ["Xvfb", "xdotool", "xwininfo", "xclip", "import", "convert", "pdfinfo", "pdftoppm", "pdftotext",
         "cupsd", "lpstat"]


class CaseFailure(Exception):
    """A check of a case did not hold; the message says what was seen."""


def need_tools():
    missing = [t for t in TOOLS if shutil.which(t) is None]
    if missing:
        sys.exit("gui tests: missing tools: %s (run scripts/install-deps.sh)" % " ".join(missing))


def run(*args, check=True, timeout=20, **kw):
    return subprocess.run(args, check=check, timeout=timeout, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          text=kw.pop("text", True), **kw)


def check(cond, message):
    if not cond:
        raise CaseFailure(message)


def wait_until(predicate, timeout=8.0, step=0.1):
    """Polls predicate until it answers something true; answers that or None."""
    end = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > end:
            return None
        time.sleep(step)


class Image:
    """A screenshot: width, height and packed RGB bytes."""

    def __init__(self, width, height, data):
        self.width, self.height, self.data = width, height, data

    @staticmethod
    def from_ppm(blob):
        # P6 header: magic, width, height, maximum, each separated by white space.
        parts = []
        pos = 0
        while len(parts) < 4:
            while blob[pos:pos + 1].isspace():
                pos += 1
            start = pos
            while not blob[pos:pos + 1].isspace():
                pos += 1
            parts.append(blob[start:pos])
        pos += 1
        return Image(int(parts[1]), int(parts[2]), blob[pos:])

    def pixel(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.data[i:i + 3])

    def mean(self, x, y, w, h):
        """Mean colour of a rectangle (clipped to the picture)."""
        x0, y0 = max(0, x), max(0, y)
        x1, y1 = min(self.width, x + w), min(self.height, y + h)
        n = max(1, (x1 - x0) * (y1 - y0))
        s = [0, 0, 0]
        for yy in range(y0, y1):
            row = self.data[3 * (yy * self.width + x0):3 * (yy * self.width + x1)]
            s[0] += sum(row[0::3])
            s[1] += sum(row[1::3])
            s[2] += sum(row[2::3])
        return tuple(round(c / n) for c in s)

    def colours(self, x, y, w, h):
        """Number of distinct colours in a rectangle."""
        seen = set()
        for yy in range(max(0, y), min(self.height, y + h)):
            for xx in range(max(0, x), min(self.width, x + w)):
                seen.add(self.pixel(xx, yy))
        return len(seen)

    def runs(self, y, colour, x0=0, x1=None, tolerance=12):
        """The [start, end) runs of row y whose pixels are not `colour`."""
        x1 = self.width if x1 is None else x1
        return differing_runs([self.pixel(x, y) for x in range(x0, x1)], colour, x0, tolerance)

    def column_runs(self, x, colour, y0=0, y1=None, tolerance=12):
        """The [start, end) runs of column x whose pixels are not `colour`."""
        y1 = self.height if y1 is None else y1
        return differing_runs([self.pixel(x, y) for y in range(y0, y1)], colour, y0, tolerance)


def differing_runs(pixels, colour, first, tolerance):
    out, start = [], None
    for i, p in enumerate(pixels):
        differs = colour_distance(p, colour) > tolerance
        if differs and start is None:
            start = i
        elif not differs and start is not None:
            out.append((first + start, first + i))
            start = None
    if start is not None:
        out.append((first + start, first + len(pixels)))
    return out


def colour_distance(a, b):
    return max(abs(a[0] - b[0]), abs(a[1] - b[1]), abs(a[2] - b[2]))


def near(a, b, tolerance=24):
    return colour_distance(a, b) <= tolerance


def display_in_use(n):
    """A display whose lock file names a running server is taken; a stale lock is not."""
    try:
        with open("/tmp/.X%d-lock" % n) as f:
            pid = int(f.read().strip())
    except (OSError, ValueError):
        return os.path.exists("/tmp/.X11-unix/X%d" % n)
    try:
        os.kill(pid, 0)
        return True
    except ProcessLookupError:
        return False
    except PermissionError:
        return True


class Window:
    def __init__(self, session, wid):
        self.session, self.id = session, wid

    @property
    def title(self):
        return self.session.xdo("getwindowname", self.id, check=False).stdout.strip()

    def geometry(self):
        """(x, y, width, height) of the window on the screen."""
        out = self.session.xdo("getwindowgeometry", "--shell", self.id).stdout
        v = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return int(v["X"]), int(v["Y"]), int(v["WIDTH"]), int(v["HEIGHT"])

    def visible(self):
        out = run("xwininfo", "-id", self.id, check=False, env=self.session.env).stdout
        return "IsViewable" in out

    def focus(self):
        self.session.xdo("windowfocus", "--sync", self.id, check=False)
        time.sleep(0.1)

    def click(self, x, y, button=1, repeat=1):
        """Clicks at (x, y) inside the window (negative values count from the right or bottom)."""
        gx, gy, w, h = self.geometry()
        x = x if x >= 0 else w + x
        y = y if y >= 0 else h + y
        self.session.xdo("mousemove", gx + x, gy + y)
        time.sleep(0.05)
        self.session.xdo("click", "--repeat", repeat, "--delay", 80, button)
        time.sleep(0.25)

    def shot(self):
        """A screenshot of the window (taken from the root window, as a person sees it)."""
        x, y, w, h = self.geometry()
        full = self.session.shot()
        return crop(full, x, y, w, h)

    def key(self, *keys):
        self.focus()
        self.session.key(*keys)


def crop(image, x, y, w, h):
    x0, y0 = max(0, x), max(0, y)
    x1, y1 = min(image.width, x + w), min(image.height, y + h)
    rows = [image.data[3 * (yy * image.width + x0):3 * (yy * image.width + x1)] for yy in range(y0, y1)]
    return Image(x1 - x0, y1 - y0, b"".join(rows))


class Session:
    """One virtual screen, one print scheduler and one run of the program."""

    def __init__(self, program, displays, log):
        self.program, self.log = program, log
        self.tmp = tempfile.mkdtemp(prefix="ardel-gui-")
        # The scheduler's filters run as its own user: they must reach its folders in here.
        os.chmod(self.tmp, 0o711)
        self.xvfb = self.app = None
        self.cups = None
        self.display = self._start_display(displays)
        self.env = dict(os.environ, DISPLAY=self.display, QT_QPA_PLATFORM="xcb",
                        XDG_CONFIG_HOME=os.path.join(self.tmp, "config"), HOME=self.tmp,
                        XDG_RUNTIME_DIR=os.path.join(self.tmp, "runtime"),
                        # No scheduler until start_printers: never the system's.
                        CUPS_SERVER=os.path.join(self.tmp, "no-scheduler.sock"))
        os.makedirs(self.env["XDG_RUNTIME_DIR"], mode=0o700)
        for name in ("QT_QPA_PLATFORMTHEME", "QT_STYLE_OVERRIDE", "QT_SCALE_FACTOR"):
            self.env.pop(name, None)

    # ---- the screen, the scheduler, the program ----

    def _start_display(self, displays):
        for n in displays:
            if display_in_use(n):
                continue
            proc = subprocess.Popen(["Xvfb", ":%d" % n, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            ok = wait_until(lambda: proc.poll() is not None or os.path.exists("/tmp/.X11-unix/X%d" % n), 5)
            if ok and proc.poll() is None:
                self.xvfb = proc
                time.sleep(0.2)
                return ":%d" % n
            proc.kill()
        sys.exit("gui tests: no free X display among %s" % list(displays))

    def start_printers(self):
        folder = os.path.join(self.tmp, "cups")
        out = run("bash", os.path.join(ROOT, "tests/support/cups-sandbox.sh"), "start", folder, timeout=60)
        self.cups = folder
        self.env["CUPS_SERVER"] = out.stdout.strip().splitlines()[-1]
        return folder

    def pdf_folder(self):
        return os.path.join(self.cups, "pdf")

    def start_program(self, *args):
        logfile = open(os.path.join(self.tmp, "program.log"), "w")
        self.app = subprocess.Popen([self.program, *args], env=self.env, stdout=logfile, stderr=subprocess.STDOUT,
                                    cwd=self.tmp)
        return self.wait_window("Ardel Sorvan", timeout=60)

    def program_log(self):
        try:
            with open(os.path.join(self.tmp, "program.log")) as f:
                return f.read()
        except OSError:
            return ""

    def running(self):
        return self.app is not None and self.app.poll() is None

    def close(self):
        if self.app and self.app.poll() is None:
            self.app.kill()
            self.app.wait()
        if self.cups:
            run("bash", os.path.join(ROOT, "tests/support/cups-sandbox.sh"), "stop", self.cups, check=False,
                timeout=30)
        if self.xvfb:
            self.xvfb.terminate()  # lets it remove its lock file
            try:
                self.xvfb.wait(5)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()
                self.xvfb.wait()
        shutil.rmtree(self.tmp, ignore_errors=True)

    # ---- input ----

    def xdo(self, *args, check=True):
        return run("xdotool", *[str(a) for a in args], check=check, env=self.env)

    def key(self, *keys, delay=60):
        for k in keys:
            self.xdo("key", "--delay", delay, k)
            time.sleep(0.12)
        time.sleep(0.2)

    def type(self, text):
        self.xdo("type", "--delay", 40, text)
        time.sleep(0.25)

    def mouse(self, x, y):
        self.xdo("mousemove", x, y)
        time.sleep(0.03)

    # ---- what shows ----

    def windows(self, title):
        """Visible windows whose whole name is `title` (a regular expression)."""
        out = self.xdo("search", "--onlyvisible", "--name", "^%s$" % title, check=False).stdout
        return [Window(self, w) for w in out.split()]

    def wait_window(self, title, timeout=8.0):
        found = self.windows(title)
        if found:
            return found[-1]
        found = wait_until(lambda: self.windows(title), timeout)
        if not found:
            raise CaseFailure('no window "%s" opened (visible: %s)' % (title, self.titles()))
        time.sleep(0.4)  # drawn by now
        return found[-1]

    def wait_gone(self, title, timeout=5.0):
        if not wait_until(lambda: not self.windows(title), timeout):
            raise CaseFailure('window "%s" is still open' % title)
        time.sleep(0.2)

    def titles(self):
        """Names of all visible top-level windows."""
        out = self.xdo("search", "--onlyvisible", "--name", ".", check=False).stdout.split()
        names = []
        for w in out:
            name = self.xdo("getwindowname", w, check=False).stdout.strip()
            if name:
                names.append(name)
        return names

    def popups(self):
        """Visible override-redirect windows (menus, drop-down lists, palettes): (id, x, y, w, h)."""
        tree = run("xwininfo", "-root", "-children", check=False, env=self.env).stdout
        found = []
        for wid in re.findall(r"^\s+(0x[0-9a-f]+)", tree, re.M):
            info = run("xwininfo", "-id", wid, check=False, env=self.env).stdout
            if "IsViewable" not in info or "Override Redirect State: yes" not in info:
                continue
            g = {k: int(v) for k, v in re.findall(r"(Absolute upper-left [XY]|Width|Height):\s+(-?\d+)", info)}
            found.append((wid, g["Absolute upper-left X"], g["Absolute upper-left Y"], g["Width"], g["Height"]))
        return found

    def shot(self):
        blob = run("import", "-silent", "-window", "root", "-depth", "8", "ppm:-", text=False, env=self.env).stdout
        return Image.from_ppm(blob)

    def selection(self):
        """The text a person selected last (the primary selection)."""
        return run("xclip", "-o", "-selection", "primary", check=False, env=self.env).stdout

    def set_clipboard(self, text):
        # xclip stays behind as the owner of the clipboard: it must not hold our pipes.
        subprocess.run(["xclip", "-i", "-selection", "clipboard"], input=text, text=True, env=self.env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=10, check=True)

    def clipboard(self):
        return run("xclip", "-o", "-selection", "clipboard", check=False, env=self.env).stdout
